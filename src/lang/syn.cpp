// The syntax analyser: recursive descent over the lexeme list, emitting POLIZ as it goes.
//
// Grammar of the robot script ("..." is a lexeme's text; NAME-like words are lexeme kinds):
//
//   program          -> statement
//   statement        -> [ block | assignment | LABEL | goto-statement | if-statement
//                       | robot-statement | ignored ]
//   block            -> "{" program { ";" program } "}"
//   assignment       -> identifier assignment-tail
//   assignment-tail  -> ":=" expression
//   goto-statement   -> "goto" LABEL
//   if-statement     -> "if" "(" expression ")" statement else-part
//   else-part        -> [ ";" ] [ "else" statement ]
//   robot-statement  -> "?turn" | "?upgrade" | "?auto" | "?prod" expression | trade
//                     | print-statement
//   trade            -> ( "?sell" | "?buy" ) expression "," expression
//   print-statement  -> "?print" STRING { "," expression }
//   ignored          -> any other separator, STRING, any other keyword
//   expression       -> or-chain { "&" or-chain }
//   or-chain         -> comparison { "|" comparison }
//   comparison       -> sum [ ( "<" | "=" | ">" ) sum ]
//   sum              -> term { ( "+" | "-" ) term }
//   term             -> primary { ( "*" | "/" | "%" ) primary }
//   primary          -> INT | identifier | robot-data | "(" expression ")"
//                     | "-" primary | "!" primary | "?macro" STRING
//   identifier       -> VAR [ "[" expression "]" ]
//   robot-data       -> DATA [ "[" expression "]" DATA | DATA ]
//
// An empty statement is recognised by its lookahead (";" or "}") and consumes nothing. The
// else-part takes any one lexeme before "else", typically the ";" that ends the statement.
// The grammar only decides which operator may stand where; the order in which binary
// operators are emitted comes from the operator table (operators.h), so "&" and "|" bind tighter
// than comparisons, and comparisons tighter than arithmetic.
#include "lang/syn.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "lang/builtins.h"
#include "lang/operators.h"

namespace {

const char kLexemsOver[] = "lexems are over. ";

constexpr size_t kLabelSize = 256;  // bytes of a generated label text

}  // namespace

bool IsCorrectExpress(Lexeme* lex) {
    switch (lex->id) {
        case lx_assign:
        case lx_label:
        case lx_str_const:
        case lx_keyword:
            return false;
        default:
            return true;
    }
}

int IntConstValue(const char* text) {
    long long value = 0;
    for (; IsDigit(*text); ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

CSyntax::NestingLevel::NestingLevel(int& counter) : depth(counter) {
    if (++depth > kMaxNesting) {
        --depth;
        throw TooDeep();
    }
}

CSyntax::StatementLine::StatementLine(int& line, int statement) : current(line), outer(line) {
    current = statement;
}

CSyntax::CSyntax(Lexeme* first, CRun* run, const CLexic* lexic)
    : exe(run), lines(lexic), statement_line(0), begin(first), prev(nullptr), current(nullptr),
      next(nullptr), passed(true), ifelse(0), depth(0) {
    SetToBeginLex();
}

CSyntax::~CSyntax() = default;

bool CSyntax::MakeAnalysis() {
    // The cursor needs a lookahead before the first consumption, so a script of fewer than
    // two lexemes cannot be translated: it fails with a report instead.
    if (!begin) {
        ShowError("Script is empty. ");
        return passed;
    }
    if (!begin->Next()) {
        ShowError(kLexemsOver);
        return passed;
    }
    try {
        sx_Program();
    } catch (const TooDeep&) {
        ShowError("Nesting is too deep. ");
    }
    return passed;
}

// Lexeme cursor ------------------------------------------------------------------------

void CSyntax::SetToBeginLex() {
    prev = nullptr;
    current = begin;
    // At the end of the list the lookahead stays on the last lexeme, never beyond it.
    next = (begin && begin->Next()) ? begin->Next() : begin;
}

void CSyntax::NextLex() {
    if (!current || !current->Next()) throw LexemesOver();
    if (!prev) {
        prev = begin;  // the first lexeme now counts as consumed
        return;
    }
    prev = current;
    current = next;
    if (current->Next()) next = current->Next();
}

void CSyntax::BackLex() {
    next = current;
    current = prev;
}

bool CSyntax::Comp(const char* text) const { return std::strcmp(current->s, text) == 0; }

// Operator stack -----------------------------------------------------------------------

// Only the first character of an entry counts: every operator is one character.
void CSyntax::Push(const char* text) { stack.push_back(text[0]); }

void CSyntax::Push(char op) { stack.push_back(op); }

char CSyntax::PopEntry() {
    if (stack.empty()) throw " Poliz_Expression Bracks Error.";
    char top = stack.back();
    stack.pop_back();
    return top;
}

bool CSyntax::IsO1HigherO2(char top, char incoming) const {
    if (top == '(' || incoming == '(') return false;
    int top_priority = OperatorPriority(top);
    int incoming_priority = OperatorPriority(incoming);
    if (top_priority == 0 || incoming_priority == 0) return false;
    return top_priority >= incoming_priority;
}

// Emits the pending operators that bind at least as tightly as `op`, then parks `op`.
void CSyntax::AddOperPOLIZ(char op, bool consume) {
    for (;;) {
        char t = PopEntry();
        if (IsO1HigherO2(t, op)) {
            AddToPOLIZ(t);
            continue;
        }
        Push(t);
        Push(op);
        break;
    }
    if (consume) NextLex();
}

// Emits the operators of the expression being closed, down to and including its "(".
void CSyntax::StackToPOLIZ() {
    for (;;) {
        char t = PopEntry();
        if (t != ')') AddToPOLIZ(t);
        if (t == '(') return;
    }
}

PolizElem* CSyntax::AddToPOLIZ(char op) {
    int code = FindOperator(op);
    if (code < 0) return nullptr;
    PolizElem* elem = NewOperatorElem(static_cast<OperatorCode>(code));
    Emit(elem);
    return elem;
}

// Emission -----------------------------------------------------------------------------

void CSyntax::Emit(PolizElem* elem) { exe->AddElem(elem, statement_line); }

void CSyntax::Trace(const char* text) { exe->Debug(text); }

void CSyntax::AddLabelPOLIZ(char* name) { Emit(new PolizFuncLabelRead(name)); }

void CSyntax::AddVarPOLIZ(char* name, type t) {
    if (t == t_var) {
        Emit(new PolizFuncVarRead(name));
    } else {
        Emit(new PolizFuncVarArrayRead(name));
    }
}

char* CSyntax::NewLabel(const char* format) {
    char text[kLabelSize];
    int length = std::snprintf(text, sizeof text, format, ifelse);
    std::size_t size = length < 0 ? 1 : std::min(static_cast<std::size_t>(length), kLabelSize - 1) + 1;
    char* label = new char[size];
    std::memcpy(label, text, size - 1);
    label[size - 1] = '\0';
    return label;
}

// Reports ------------------------------------------------------------------------------

// Cites the lexeme consumed last; a script without lexemes has none, and counts as line 1.
void CSyntax::ShowError(const char* message) {
    char line[16];
    std::snprintf(line, sizeof line, "%d", current ? current->line : 1);
    Error.ClearLastText();
    Error.Gum("Syntax :: Line ");
    Error.Gum(line);
    Error.Gum(" --> ");
    Error.Gum(message);
    Error.Gum("~ '");
    Error.Gum(current ? current->s : "");
    Error.Gum("'");
    Error.OnErrorSpit(kSyntaxErrorNumber, true);
    passed = false;
}

// Statements ---------------------------------------------------------------------------

// Parses one statement and reports any syntax error in it, so the analysis goes on after it
// (the name says program; it is the recovery point of a single statement).
// program -> statement
void CSyntax::sx_Program() {
    try {
        sx_Statement();
    } catch (const char* message) {
        ShowError(message);
    } catch (const LexemesOver&) {
        ShowError(kLexemsOver);
    }
}

// statement -> [ block | assignment | LABEL | goto-statement | if-statement | robot-statement | ignored ]
void CSyntax::sx_Statement() {
    NestingLevel level(depth);
    if (NextFirst() == ';' || NextFirst() == '}') return;
    NextLex();
    // A runtime error points its author at the statement that failed: every element of this
    // one carries its first line, those of a statement nested in it the nested one's.
    StatementLine line(statement_line, lines ? lines->EditorLine(current) : current->line);
    switch (current->id) {
        case lx_spacer:
            if (Comp("{")) sx_Statement_Cycle();
            return;
        case lx_str_const:
            return;
        case lx_var: {
            char* name = current->s;
            type t = sx_Identifier(true);
            sx_Statement_Indetifier();
            AddVarPOLIZ(name, t);
            return;
        }
        case lx_label:
            AddLabelPOLIZ(current->s);
            return;
        case lx_func:
            sx_Statement_Robot();
            return;
        case lx_keyword:
            if (Comp("if")) {
                sx_Statement_IfElse();
            } else if (Comp("goto")) {
                sx_Statement_Goto();
            }
            return;
        default:
            throw "Not match statement. ";
    }
}

// Parses the tail of an assignment, after its identifier: the ":=" and the expression.
// assignment-tail -> ":=" expression
void CSyntax::sx_Statement_Indetifier() {
    NextLex();
    if (current->id != lx_assign) throw "Expect ':='. ";
    sx_Expression();
}

// if-statement -> "if" "(" expression ")" statement else-part
void CSyntax::sx_Statement_IfElse() {
    NextLex();
    if (CurrentFirst() != '(') throw "Missed '('. ";
    sx_Expression();
    NextLex();
    if (CurrentFirst() != ')') throw "Missed ')' in 'if' statement. ";
    ++ifelse;
    // The conditional jump owns both label texts; the jump and the label definitions emitted
    // after it only borrow them.
    char* label_end = NewLabel("@@%u");
    char* label_else = NewLabel("@@else%u");
    Emit(new PolizFuncPassIf(label_end, label_else));
    sx_Statement();
    Emit(new PolizFuncPassGo(label_end));
    sx_Statement_IfElse_Else(label_else);
    AddLabelPOLIZ(label_end);
}

// Parses what may follow an if's statement: one lexeme (usually ";") and an else branch.
// else-part -> [ ";" ] [ "else" statement ]
void CSyntax::sx_Statement_IfElse_Else(char* label_else) {
    NextLex();
    bool consumed_else = Comp("else");
    bool lookahead_else = std::strcmp(next->s, "else") == 0;
    if (!consumed_else && !lookahead_else) {
        BackLex();
        return;
    }
    if (consumed_else && lookahead_else) throw "Double 'else'. ";
    if (lookahead_else) NextLex();
    AddLabelPOLIZ(label_else);
    sx_Statement();
}

// Parses a block, a braced list of statements (no loop: "cycle" is only the name).
// block -> "{" program { ";" program } "}"
void CSyntax::sx_Statement_Cycle() {
    try {
        do {
            sx_Program();
            NextLex();
        } while (CurrentFirst() == ';');
    } catch (const LexemesOver&) {
        throw "Lexems are over. May be missed '}'. ";
    }
    if (CurrentFirst() != '}') throw "Missed '}'. ";
}

// goto-statement -> "goto" LABEL
void CSyntax::sx_Statement_Goto() {
    NextLex();
    if (current->id != lx_label) throw "Goto parameter is incorrect. ";
    Emit(new PolizFuncPassGo(current->s));
}

// robot-statement -> "?turn" | "?upgrade" | "?auto" | "?prod" expression | trade | print-statement
void CSyntax::sx_Statement_Robot() {
    if (Comp("?turn")) {
        Emit(new PolizFuncRobTurn());
    } else if (Comp("?upgrade")) {
        Emit(new PolizFuncRobUpgrade());
    } else if (Comp("?auto")) {
        Emit(new PolizFuncRobAuto());
    } else if (Comp("?prod")) {
        sx_Expression();
        Emit(new PolizFuncRobProd());
    } else if (Comp("?sell")) {
        sx_Statement_Robot_Trade("Missed ',' in function '?sell'. ");
        Emit(new PolizFuncRobSell());
    } else if (Comp("?buy")) {
        sx_Statement_Robot_Trade("Missed ',' in function '?buy'. ");
        Emit(new PolizFuncRobBuy());
    } else if (Comp("?print")) {
        sx_Statement_Robot_Print();
    } else {
        throw "Such robot function not found.";
    }
}

// trade -> ( "?sell" | "?buy" ) expression "," expression
void CSyntax::sx_Statement_Robot_Trade(const char* missed_comma) {
    sx_Expression();
    NextLex();
    if (CurrentFirst() != ',') throw missed_comma;
    sx_Expression();
}

// print-statement -> "?print" STRING { "," expression }
void CSyntax::sx_Statement_Robot_Print() {
    NextLex();
    if (current->id != lx_str_const) throw "String in '?print' missed. ";
    char* text = current->s;
    for (;;) {
        NextLex();
        if (CurrentFirst() != ',') break;
        sx_Expression();
    }
    BackLex();
    Emit(new PolizConst<char*>(text));
    Emit(new PolizFuncRobPrint());
}

// Expressions --------------------------------------------------------------------------

void CSyntax::OrChainRecovering() {
    try {
        sx_Expression_And();
    } catch (const char* message) {
        ShowError(message);
    } catch (const LexemesOver&) {
        ShowError(kLexemsOver);
    }
}

// Parses a whole expression: or-chains joined by "&", inside an implicit "(" mark.
// expression -> or-chain { "&" or-chain }
void CSyntax::sx_Expression() {
    NestingLevel level(depth);
    Trace("\n| MAIN_EXPRESS-");
    Push('(');
    OrChainRecovering();
    while (NextFirst() == '&') {
        AddOperPOLIZ('&', true);
        OrChainRecovering();
    }
    StackToPOLIZ();
}

// Parses an or-chain, the operand of "&": comparisons joined by "|".
// or-chain -> comparison { "|" comparison }
void CSyntax::sx_Expression_And() {
    Trace("AND-");
    sx_Expression_Or();
    while (NextFirst() == '|') {
        AddOperPOLIZ('|', true);
        sx_Expression_Or();
    }
}

// Parses a comparison, the operand of "|": at most one "<", "=" or ">" between two sums.
// comparison -> sum [ ( "<" | "=" | ">" ) sum ]
void CSyntax::sx_Expression_Or() {
    Trace("OR-");
    sx_Expression_Bool();
    char op = NextFirst();
    if (op == '<' || op == '=' || op == '>') {
        AddOperPOLIZ(op, true);
        sx_Expression_Bool();
    }
}

// Parses a sum (nothing boolean): terms joined by "+" or "-".
// sum -> term { ( "+" | "-" ) term }
void CSyntax::sx_Expression_Bool() {
    Trace("BOOL-");
    sx_Expression_Term();
    while (NextFirst() == '+' || NextFirst() == '-') {
        AddOperPOLIZ(NextFirst(), true);
        sx_Expression_Term();
    }
}

// Parses a term: primaries joined by "*", "/" or "%".
// term -> primary { ( "*" | "/" | "%" ) primary }
void CSyntax::sx_Expression_Term() {
    Trace("TERM-");
    sx_Expression_Primary();
    while (NextFirst() == '*' || NextFirst() == '/' || NextFirst() == '%') {
        AddOperPOLIZ(NextFirst(), true);
        sx_Expression_Primary();
    }
}

// primary -> INT | identifier | robot-data | "(" expression ")" | "-" primary | "!" primary | "?macro" STRING
void CSyntax::sx_Expression_Primary() {
    Trace("-PRI.");
    NextLex();
    if (!IsCorrectExpress(current)) throw "Using wrong operand in expression. ";
    if (current->id == lx_int_const) {
        Emit(new PolizConst<int>(IntConstValue(current->s)));
    } else if (current->id == lx_var) {
        sx_Identifier(false);
    } else if (current->id == lx_robotdata) {
        sx_RobotData();
    } else if (CurrentFirst() == '(') {
        sx_Expression();
        NextLex();
        if (CurrentFirst() != ')') throw "Missed ')'. ";
    } else if (CurrentFirst() == '-') {
        NestingLevel level(depth);
        sx_Expression_Primary();
        Emit(new PolizFuncPriMinus());
    } else if (CurrentFirst() == '!') {
        NestingLevel level(depth);
        sx_Expression_Primary();
        Emit(new PolizFuncWow());
    } else if (Comp("?macro")) {
        NextLex();
        if (current->id != lx_str_const) throw "Missed macros name. ";
        Emit(new PolizFuncRobMacros(current->s));
    } else {
        throw "Not match expression, wrong operand. ";
    }
}

// Parses a variable with its optional index; silent: as an assignment target, whose store
// the caller emits, else as an operand, emitting its load.
// identifier -> VAR [ "[" expression "]" ]
CSyntax::type CSyntax::sx_Identifier(bool silent) {
    char* name = current->s;
    if (NextFirst() != '[') {
        if (!silent) Emit(new PolizFuncVarWrite(name));
        return t_var;
    }
    NextLex();
    sx_Expression();
    NextLex();
    if (CurrentFirst() != ']') throw "Missed ']' in array. ";
    if (!silent) Emit(new PolizFuncVarArrayWrite(name));
    return t_var_array;
}

// Parses a read of game data by its dotted name parts, with an optional player index.
// robot-data -> DATA [ "[" expression "]" DATA | DATA ]
void CSyntax::sx_RobotData() {
    char* s1 = current->s;
    if (NextFirst() == '[') {
        NextLex();
        sx_Expression();
        NextLex();
        if (CurrentFirst() != ']') throw "Missed ']' in array (robot_data). ";
        if (next->id != lx_robotdata) throw "An Inadmissible robodata.";
        NextLex();
        Emit(new PolizFuncRoboWrite(s1, current->s, DataShape::kIndexedName));
    } else if (next->id == lx_robotdata) {
        NextLex();
        Emit(new PolizFuncRoboWrite(s1, current->s, DataShape::kTwoNames));
    } else {
        Emit(new PolizFuncRoboWrite(s1, nullptr, DataShape::kName));
    }
}
