// The lowered engine: the element list made once into an array of operations over a flat
// stack of tagged words, with variables and labels resolved to slots and jumps to indexes.
// It runs in two forms: one operation per element, which prints the debug traces and counts
// steps, and a fused form, where common element sequences become one operation, for plain
// runs. Elements of classes it does not know are called as they are. The lowering is in
// engine.cpp, the fusion passes in engine_fuse.cpp, the run loop in engine_run.cpp.
#ifndef MOD_LANG_ENGINE_H
#define MOD_LANG_ENGINE_H

#include <cstdint>
#include <string>
#include <vector>

#include "lang/engine_ops.h"
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

    // Operation kinds, in the order of ENGINE_OPERATIONS.
    enum Code : unsigned char {
#define ENGINE_CODE(name) k##name,
        ENGINE_OPERATIONS(ENGINE_CODE)
#undef ENGINE_CODE
        kCodeCount
    };
    // The operation's name as listed, "BinVKSt" for kBinVKSt.
    static const char* CodeName(Code code);

    // Number of the element that the last report of the run came from (or the last operation
    // that might have reported), the first of its op's in the fused form; 0 before anything of
    // a run could report.
    unsigned int SiteElement() const;

    // The names of the operations of the fused form, one a line; empty when the program
    // cannot be fused. Fuses first when no run has; the labels must have been collected.
    std::string FusedListing();

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

    // The fusion passes (engine_fuse.cpp), run once by Fuse in this order.
    void Fuse();
    // Whether jumps can land nowhere but on label definitions: no element of an unknown
    // class and no label name used as a variable. Only such a program is fused.
    bool JumpsLandOnLabels() const;
    // Element number of each label slot's only definition; -1 for a label defined more than
    // once, 0 for none.
    std::vector<int> LabelDefinitions() const;
    // The fused operation of the element sequence that starts at plain op i; next is set
    // to the plain op after the sequence.
    Op FuseSequence(std::size_t i, std::size_t& next) const;
    // Sets the target of a jump, or of a conditional op's false condition, when the label
    // it goes to has a fixed place; a jump to such a label becomes kJump.
    void FixTarget(Op& op, const std::vector<int>& definitions) const;
    // Jump targets from element numbers to operation indexes.
    void IndexTargets();
    // The element number of the label of the slot when one definition gives it a value that
    // nothing else changes (as collected), else 0.
    unsigned int FixedLabel(int slot, const std::vector<int>& definitions) const;

    // The rare paths of the run loop (engine_run.cpp), out of its way.
    // Debug trace of an element about to run: its number, and the frame of an operation.
    void Announce(const Op& op) const;
    // Runs the built-in of op on the synced stack; false when it failed, after the report.
    bool RunBuiltin(const Op& op);
    // Calls the element of a kCall op on the synced stack; false when it failed, after the
    // report.
    bool CallElement(const Op& op);

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
    std::vector<unsigned int> fused_first;  // op index -> number of its first element
};

#endif
