// The lowered engine: the element list made once into an array of operations over a flat
// stack of tagged words, with variables and labels resolved to slots and jumps to indexes.
// It runs in two forms: one operation per element, which prints the debug traces and counts
// steps, and a fused form, where common element sequences become one operation, for plain
// runs. Elements of classes it does not know are called as they are.
#ifndef MOD_LANG_ENGINE_H
#define MOD_LANG_ENGINE_H

#include <cstdint>
#include <vector>

#include "lang/exec.h"
#include "robot/data.h"

class CEngine {
public:
    enum class Outcome { kEnded, kFailed, kBudgetSpent };

    explicit CEngine(CExecuter* executer);
    CEngine(const CEngine&) = delete;
    CEngine& operator=(const CEngine&) = delete;

    // True once elements were added after the lowering.
    bool IsStale() const { return exe->program.size() != element_count; }
    // Runs the program once from its first element; budget 0 means no step limit.
    Outcome Run(std::uint64_t budget);

    // Operation kinds. The first group stands for one element each; the Bin* group for an
    // operator with its operands fetched from variables (V), constants (K) or the stack (S)
    // and its result pushed, stored (St) or tested by a conditional jump (If).
    enum Code : unsigned char {
        kPushInt, kPushStr, kBinary, kUnary, kStore, kLoad, kArrayStore, kArrayLoad, kLabel,
        kGoto, kIf, kBuy, kSell, kProd, kUpgrade, kTurn, kPrint, kMacro, kData, kCall,
        kSetK, kMove, kUnaryV, kJump,
        kBinVK, kBinVV, kBinSK, kBinSV, kBinSS,
        kBinVKSt, kBinVVSt, kBinSKSt, kBinSVSt, kBinSSSt,
        kBinVKIf, kBinVVIf, kBinSKIf, kBinSVIf, kBinSSIf,
        kEnd,  // after the last operation of each form
        kCodeCount
    };

    struct Op {
        Code code;
        OperatorCode oper;
        int a;             // slot, constant or macro position
        int b;             // slot or constant; the element number of a label definition;
                           // the field of a game data read
        int c;             // destination slot; else label slot of a conditional jump
        int d;             // end label slot of a conditional jump
        int target;        // fused form: the op a jump (or a false condition) goes to, or -1
        PolizElem* e;      // the op's first element: texts and names, the callee of kCall
    };

private:
    Op LowerElement(PolizElem* e, unsigned int number);
    // Number of the element that plain operation op stands for.
    unsigned int NumberOf(const Op& op) const {
        return static_cast<unsigned int>(&op - plain.data()) + 1;
    }
    void Fuse();
    // Debug trace of an element about to run: its number, and the frame of an operation.
    void Announce(const Op& op) const;
    // The element number of the label of the slot when one definition gives it a value that
    // nothing else changes (as collected), else 0.
    unsigned int FixedLabel(int slot, const std::vector<int>& definitions) const;
    template <bool kPlain>
    Outcome Execute(const Op* ops, const int* start_of, std::uint64_t budget, std::size_t first);

    CExecuter* exe;
    std::size_t element_count;
    std::vector<CDataField> fields;  // game data names, resolved once; indexed by Op::b
    std::vector<Op> plain;      // one op per element
    bool fuse_tried = false;
    std::vector<Op> fused;      // empty when the program cannot be fused
    std::vector<int> plain_start;  // element number - 1 -> op index (the identity)
    std::vector<int> fused_start;  // element number - 1 -> op index of the op it starts, or -1
};

#endif
