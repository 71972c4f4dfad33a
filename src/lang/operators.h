// The script's arithmetic and logic operators as one table: symbol, binding strength, the
// class name the program dump prints, the trace text and the function, read by the parser,
// the dump, the element classes and the lowered engine alike.
#ifndef MOD_LANG_OPERATORS_H
#define MOD_LANG_OPERATORS_H

// Position of each operator in the table; the lowered engine dispatches on it.
enum OperatorCode : unsigned char {
    kOpPlus,
    kOpMinus,
    kOpMult,
    kOpDiv,
    kOpMod,
    kOpEq,
    kOpLower,
    kOpHigher,
    kOpAnd,
    kOpOr,
    kOpNegate,  // unary minus
    kOpNot,     // logical not
    kOperatorCount
};

// One operator. A unary operator takes its operand as `left`; `right` is then 0.
struct OperatorInfo {
    char symbol;
    int priority;           // binding strength on the parser's stack; 0 for unary operators
    bool unary;
    const char* dump_name;  // element class name in the program dump
    const char* trace;      // debug trace printed when it computes, or null
    int (*apply)(int left, int right);
};

extern const OperatorInfo kOperators[kOperatorCount];

// Two's complement arithmetic on 32 bits without signed overflow; division and remainder
// by 0 give 0, and INT_MIN / -1 stays INT_MIN.
inline int ApplyOperator(OperatorCode code, int left, int right) {
    switch (code) {
        case kOpPlus: return static_cast<int>(static_cast<unsigned>(left) + static_cast<unsigned>(right));
        case kOpMinus: return static_cast<int>(static_cast<unsigned>(left) - static_cast<unsigned>(right));
        case kOpMult: return static_cast<int>(static_cast<unsigned>(left) * static_cast<unsigned>(right));
        case kOpDiv:
            if (right == 0) return 0;
            if (right == -1) return static_cast<int>(0u - static_cast<unsigned>(left));
            return left / right;
        case kOpMod: return (right == 0 || right == -1) ? 0 : left % right;
        case kOpEq: return left == right ? 1 : 0;
        case kOpLower: return left < right ? 1 : 0;
        case kOpHigher: return left > right ? 1 : 0;
        case kOpAnd: return left & right;
        case kOpOr: return left | right;
        case kOpNegate: return static_cast<int>(0u - static_cast<unsigned>(left));
        case kOpNot: return left == 0 ? 1 : 0;
        default: return 0;
    }
}

// The binary operator written as symbol, else the unary one, or -1 when there is none.
int FindOperator(char symbol);

// Binding strength of a binary operator symbol; 0 for anything else.
int OperatorPriority(char symbol);

#endif
