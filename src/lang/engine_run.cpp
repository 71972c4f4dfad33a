// The run loop of the lowered engine, with threaded dispatch over the operations of
// engine_ops.h, and the rare paths it leaves to functions of their own: the debug
// announcement, the built-ins and the call of an element of a class it does not know.
#include <cstdio>

#include "lang/builtins.h"
#include "lang/engine.h"

namespace {

// The report of the exception in flight out of a called element, or none when the element
// has reported already; releases the popped value the exception carries.
bool FaultOfException(RuntimeFault& fault) {
    try {
        throw;
    } catch (PolizExReported&) {
        return false;
    } catch (PolizExNotInt& ex) {
        delete ex.GetAddr();  // a popped value, or null
        fault = RuntimeFault::kNotInt;
    } catch (PolizExNotStr& ex) {
        delete ex.GetAddr();
        fault = RuntimeFault::kNotStr;
    } catch (PolizExWrongAddr&) {
        fault = RuntimeFault::kWrongAddress;
    } catch (PolizExWrongMacros&) {
        fault = RuntimeFault::kWrongMacros;
    } catch (PolizExNotLabel& ex) {
        delete ex.GetAddr();
        fault = RuntimeFault::kNotLabel;
    } catch (PolizEx&) {
        fault = RuntimeFault::kNotLabel;
    } catch (...) {
        fault = RuntimeFault::kUndefined;
    }
    return true;
}

}  // namespace

CEngine::Outcome CEngine::Run(std::uint64_t budget) {
    if (element_count == 0) return Outcome::kEnded;
    if (!fuse_tried && !exe->IsDebug() && budget == 0) {
        // After the label collection, whose values the fused form relies on.
        fuse_tried = true;
        Fuse();
    }
    exe->values.ClearHandedBy();
    if (exe->IsDebug() || budget != 0 || fused.empty())
        return Execute<true>(plain.data(), plain_start.data(), budget, 0);
    return Execute<false>(fused.data(), fused_start.data(), 0, 0);
}

void CEngine::Announce(const Op& op) const {
    if (!exe->Debug("\n ElemAddr: ")) return;
    std::printf("%d =", static_cast<int>(NumberOf(op)));
    if (NumberOf(op) == element_count) std::printf("\n next==NULL");
    // Constants, label definitions, jumps and called elements print their own frames.
    switch (op.code) {
        case kPushInt: case kPushStr: case kLabel: case kGoto: case kIf: case kCall: return;
        default: exe->Debug(" EvaluateFunc -> ");
    }
}

bool CEngine::RunBuiltin(const Op& op) {
    switch (op.code) {
        case kBuy: return builtin::Buy(*exe);
        case kSell: return builtin::Sell(*exe);
        case kProd: return builtin::Prod(*exe);
        case kUpgrade: return builtin::Upgrade(*exe);
        case kTurn: return builtin::Turn(*exe);
        case kPrint: return builtin::Print(*exe);
        case kMacro:
            return builtin::Macro(*exe, static_cast<PolizFuncRobMacros*>(op.e)->GetName(), op.a);
        default: return true;
    }
}

bool CEngine::CallElement(const Op& op) {
    exe->cur_num = NumberOf(op);
    exe->jumped = false;
    try {
        op.e->Evaluate_main(exe);
        return true;
    } catch (...) {
        RuntimeFault fault = RuntimeFault::kUndefined;
        if (FaultOfException(fault)) exe->ShowFault(fault);
        return false;
    }
}

// The run loop. The stack top lives in sp and goes back to the stack before anything that
// may report, print, grow the stack or throw, so an exception out of a report leaves the
// stack whole.
template <bool kPlain>
CEngine::Outcome CEngine::Execute(const Op* ops, const int* start_of, std::uint64_t budget,
                                  std::size_t first) {
    CValueStack& stack = exe->values;
    CVariables& vars = exe->VarTable;
    CVar* slots = vars.SlotData();  // fetched again after an element is called
    const bool debug = kPlain && exe->IsDebug();
    const unsigned int last = static_cast<unsigned int>(element_count);
    Value* sp = stack.Top();
    std::uint64_t steps = 0;
    const Op* op = ops + first;

// Also notes the op as the place a report would come from. The elements fused into one op all
// come from one statement, so its first one names the line of a report from any of them.
#define SYNC() stack.SetTop(sp, op)
#define TRACE(...) \
    do { if (debug) exe->Debug(__VA_ARGS__); } while (0)
#define PUSH_INT(x)                                   \
    do {                                              \
        int pushed_ = (x);                            \
        if (sp == stack.Limit()) {                    \
            SYNC();                                   \
            sp = stack.Grow();                        \
        }                                             \
        *sp++ = Value{Value::kInt, pushed_, nullptr}; \
    } while (0)
// A missing value or one of another kind is left to the executor's pop, which reports it.
#define POP_INT(out)                                                \
    do {                                                            \
        if (sp == stack.Base() || sp[-1].kind != Value::kInt) {     \
            SYNC();                                                 \
            exe->PopInt(out);                                       \
            return Outcome::kFailed;                                \
        }                                                           \
        (out) = (--sp)->num;                                        \
    } while (0)
#define LOAD(slot, out)                      \
    do {                                     \
        CVar& var_ = slots[slot];            \
        if (var_.IsPresent()) {              \
            (out) = var_.Cells()[0];         \
        } else {                             \
            SYNC();                          \
            (out) = exe->GetSlot((slot), 0); \
        }                                    \
    } while (0)
#define STORE(slot, x)                        \
    do {                                      \
        int stored_ = (x);                    \
        CVar& var_ = slots[slot];             \
        if (var_.IsPresent()) {               \
            var_.Cells()[0] = stored_;        \
        } else {                              \
            SYNC();                           \
            exe->SetSlot((slot), stored_, 0); \
        }                                     \
    } while (0)
// Continues at element number target, as a jump does: past the end the run ends, and a
// jump onto its own element steps on.
#define JUMP(target)                                                                \
    do {                                                                            \
        unsigned int target_ = (target);                                            \
        if (target_ > last) {                                                       \
            SYNC();                                                                 \
            return Outcome::kEnded;                                                 \
        }                                                                           \
        if (start_of[target_ - 1] == op - ops) {                                    \
            ++op;                                                                   \
        } else if (start_of[target_ - 1] >= 0) {                                    \
            op = ops + start_of[target_ - 1];                                       \
        } else {                                                                    \
            SYNC();                                                                 \
            return Execute<true>(plain.data(), plain_start.data(), 0, target_ - 1); \
        }                                                                           \
        DISPATCH();                                                                 \
    } while (0)
// The false branch of a conditional jump: to the else label, or to the end label when the
// else label has no position.
#define BRANCH_FALSE(else_slot, end_slot)                 \
    do {                                                  \
        if (!kPlain && op->target >= 0) {                 \
            if (!slots[else_slot].IsPresent()) {          \
                SYNC();                                   \
                exe->GetSlot((else_slot), 0);             \
            }                                             \
            op = ops + op->target;                        \
            DISPATCH();                                   \
        }                                                 \
        int to_ = 0;                                      \
        LOAD(else_slot, to_);                             \
        if (to_ == 0) LOAD(end_slot, to_);                \
        TRACE(" goto %s", vars.Slot(end_slot).GetName()); \
        if (to_ == 0) {                                   \
            SYNC();                                       \
            exe->ShowFault(RuntimeFault::kWrongAddress);  \
            return Outcome::kFailed;                      \
        }                                                 \
        JUMP(static_cast<unsigned int>(to_));             \
    } while (0)

    // Threaded dispatch: every operation ends by jumping straight to the next one's code.
    // The table is made from the same list as the Code enum, so its order is the enum's.
    static const void* const kCodeAt[kCodeCount] = {
#define ENGINE_LABEL(name) &&op_k##name,
        ENGINE_OPERATIONS(ENGINE_LABEL)
#undef ENGINE_LABEL
    };
#define CASE(name) op_k##name:
// In the one-op-per-element form each element counts against the budget and is announced.
#define DISPATCH()                                            \
    do {                                                      \
        if (kPlain && op->code != kEnd) {                     \
            if (budget != 0 && steps == budget) {             \
                SYNC();                                       \
                return Outcome::kBudgetSpent;                 \
            }                                                 \
            ++steps;                                          \
            if (debug) Announce(*op);                         \
        }                                                     \
        goto* kCodeAt[op->code];                              \
    } while (0)
#define NEXT()      \
    do {            \
        ++op;       \
        DISPATCH(); \
    } while (0)

    DISPATCH();
    CASE(PushInt)
        PUSH_INT(op->a);
        TRACE(" Const pushed -> ");
        NEXT();
    CASE(PushStr)
        if (sp == stack.Limit()) {
            SYNC();
            sp = stack.Grow();
        }
        *sp++ = Value{Value::kStr, 0, static_cast<PolizConstStr*>(op->e)->Get()};
        TRACE(" Const pushed -> ");
        NEXT();
    CASE(Binary) {
        int right, left;
        TRACE(" Oper-Pop1 -> ");
        POP_INT(right);
        TRACE(" Oper-Pop2 -> ");
        POP_INT(left);
        if (debug && kOperators[op->oper].trace) exe->Debug(kOperators[op->oper].trace);
        PUSH_INT(ApplyOperator(op->oper, left, right));
        NEXT();
    }
    CASE(Unary) {
        int x;
        TRACE(" FuncOperMinus::PopTest operand 1 -> ");
        POP_INT(x);
        TRACE(kOperators[op->oper].trace);
        PUSH_INT(ApplyOperator(op->oper, x, 0));
        NEXT();
    }
    CASE(Store) {
        const char* name = vars.Slot(op->a).GetName();
        int x;
        TRACE("FuncVar[%s] ->", name);
        POP_INT(x);
        STORE(op->a, x);
        TRACE("VTWriteVar[%s] ->", vars.Slot(op->a).GetName());
        NEXT();
    }
    CASE(Load) {
        int x;
        TRACE("VTReadVar[%s] ->", vars.Slot(op->a).GetName());
        LOAD(op->a, x);
        PUSH_INT(x);
        NEXT();
    }
    CASE(ArrayStore) {
        int x, index;
        TRACE("VTWriteArray[%s] ->", vars.Slot(op->a).GetName());
        TRACE("FuncVar[%s] ->", vars.Slot(op->a).GetName());
        POP_INT(x);
        TRACE("FuncVar[%s] ->", vars.Slot(op->a).GetName());
        POP_INT(index);
        CVar& var = slots[op->a];
        if (index >= 0 && index < var.GetCount()) {
            var.Cells()[index] = x;
        } else {
            SYNC();
            exe->SetSlot(op->a, x, index);
        }
        NEXT();
    }
    CASE(ArrayLoad) {
        int index;
        TRACE("VTReadArray[%s] ->", vars.Slot(op->a).GetName());
        TRACE("FuncVar[%s] ->", vars.Slot(op->a).GetName());
        POP_INT(index);
        CVar& var = slots[op->a];
        int x;
        if (index >= 0 && index < var.GetCount()) {
            x = var.Cells()[index];
        } else {
            SYNC();
            x = exe->GetSlot(op->a, index);
        }
        PUSH_INT(x);
        NEXT();
    }
    CASE(Label)
        STORE(op->a, op->b);
        TRACE("VTWriteLabel[%s] ->", vars.Slot(op->a).GetName());
        NEXT();
    CASE(Goto) {
        TRACE(" Passage -> ");
        int to;
        LOAD(op->d, to);
        if (to == 0) {
            SYNC();
            exe->ShowFault(RuntimeFault::kWrongAddress);
            return Outcome::kFailed;
        }
        JUMP(static_cast<unsigned int>(to));
    }
    CASE(If) {
        TRACE(" Passage -> ");
        int cond;
        POP_INT(cond);
        if (cond != 0) NEXT();
        BRANCH_FALSE(op->c, op->d);
    }
    CASE(Buy)
    CASE(Sell)
    CASE(Prod)
    CASE(Upgrade)
    CASE(Turn)
    CASE(Print)
    CASE(Macro)
        SYNC();
        if (!RunBuiltin(*op)) return Outcome::kFailed;
        sp = stack.Top();
        NEXT();
    CASE(Data) {  // often in loops: the built-in's halves around the engine's own stack
        const auto* read = static_cast<const PolizFuncRoboWrite*>(op->e);
        int index = 0;
        if (read->GetShape() == DataShape::kIndexedName) POP_INT(index);
        if (debug) builtin::TraceDataRead(*exe, *read);
        PUSH_INT(builtin::DataValue(*exe, fields[static_cast<std::size_t>(op->b)], index));
        NEXT();
    }
    CASE(Call)
        SYNC();
        if (!CallElement(*op)) return Outcome::kFailed;
        sp = stack.Top();
        slots = vars.SlotData();
        if (exe->jumped) JUMP(exe->cur_num);
        NEXT();
    CASE(Jump)
        op = ops + op->target;
        DISPATCH();
    CASE(UnaryV) {
        int x;
        LOAD(op->a, x);
        PUSH_INT(ApplyOperator(op->oper, x, 0));
        NEXT();
    }
    CASE(SetK)
        STORE(op->c, op->a);
        NEXT();
    CASE(Move) {
        int x;
        LOAD(op->a, x);
        STORE(op->c, x);
        NEXT();
    }
// The five operand shapes of an operator whose result goes to SINK.
#define BIN_SHAPES(SUFFIX, SINK)                    \
    CASE(BinVK##SUFFIX) {                           \
        int l;                                      \
        LOAD(op->a, l);                             \
        int r_ = ApplyOperator(op->oper, l, op->b); \
        SINK(r_);                                   \
        NEXT();                                     \
    }                                               \
    CASE(BinVV##SUFFIX) {                           \
        int l, r;                                   \
        LOAD(op->a, l);                             \
        LOAD(op->b, r);                             \
        int r_ = ApplyOperator(op->oper, l, r);     \
        SINK(r_);                                   \
        NEXT();                                     \
    }                                               \
    CASE(BinSK##SUFFIX) {                           \
        int l;                                      \
        POP_INT(l);                                 \
        int r_ = ApplyOperator(op->oper, l, op->b); \
        SINK(r_);                                   \
        NEXT();                                     \
    }                                               \
    CASE(BinSV##SUFFIX) {                           \
        int l, r;                                   \
        LOAD(op->b, r);                             \
        POP_INT(l);                                 \
        int r_ = ApplyOperator(op->oper, l, r);     \
        SINK(r_);                                   \
        NEXT();                                     \
    }                                               \
    CASE(BinSS##SUFFIX) {                           \
        int l, r;                                   \
        POP_INT(r);                                 \
        POP_INT(l);                                 \
        int r_ = ApplyOperator(op->oper, l, r);     \
        SINK(r_);                                   \
        NEXT();                                     \
    }
#define SINK_PUSH(x) PUSH_INT(x)
#define SINK_STORE(x) STORE(op->c, x)
#define SINK_TEST(x) \
    if ((x) == 0) BRANCH_FALSE(op->c, op->d)
    BIN_SHAPES(, SINK_PUSH)
    BIN_SHAPES(St, SINK_STORE)
    BIN_SHAPES(If, SINK_TEST)
    CASE(End)
    SYNC();
    return Outcome::kEnded;
    // Last, as in the list: see engine_ops.h.
    CASE(DataNoted)
        stack.SetTop(sp, op);  // a report of a name or index the game data lacks names this line
        goto op_kData;
#undef BIN_SHAPES
#undef CASE
#undef DISPATCH
#undef NEXT
#undef SINK_PUSH
#undef SINK_STORE
#undef SINK_TEST
#undef BRANCH_FALSE
#undef JUMP
#undef STORE
#undef LOAD
#undef POP_INT
#undef PUSH_INT
#undef TRACE
#undef SYNC
}

template CEngine::Outcome CEngine::Execute<true>(const Op*, const int*, std::uint64_t,
                                                 std::size_t);
template CEngine::Outcome CEngine::Execute<false>(const Op*, const int*, std::uint64_t,
                                                  std::size_t);
