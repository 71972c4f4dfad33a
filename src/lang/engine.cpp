// The lowered engine: lowering of the element list, label collection and the run loop.
#include "lang/engine.h"

#include <cstdio>
#include <typeinfo>

#include "robot/data.h"
#include "robot/robot.h"

namespace {

bool IsBin(const CEngine::Op& op) { return op.code == CEngine::kBinary; }

}  // namespace

CEngine::CEngine(CExecuter* executer) : exe(executer), element_count(executer->program.size()) {
    plain.reserve(element_count);
    plain_start.reserve(element_count);
    for (std::size_t i = 0; i < element_count; ++i) {
        plain.push_back(LowerElement(exe->program[i], static_cast<unsigned int>(i + 1)));
        plain_start.push_back(static_cast<int>(i));
    }
    plain.push_back(Op{kEnd, kOpPlus, 0, 0, 0, 0, -1, nullptr});
}

unsigned int CEngine::FixedLabel(int slot, const std::vector<int>& definitions) const {
    if (definitions[slot] <= 0) return 0;
    unsigned int at = static_cast<unsigned int>(definitions[slot]);
    const CVar& var = exe->VarTable.Slot(slot);
    if (!var.IsPresent() || var.GetValue(0) != static_cast<int>(at)) return 0;
    return at;
}

CEngine::Op CEngine::LowerElement(PolizElem* e, unsigned int number) {
    CVariables& vars = exe->VarTable;
    Op op{kCall, kOpPlus, 0, 0, 0, 0, -1, e};
    int known = KnownClassOf(e);
    if (known >= 0 && known < kClassOperatorsEnd) {
        op.code = kOperators[known].unary ? kUnary : kBinary;
        op.oper = static_cast<OperatorCode>(known);
        return op;
    }
    switch (known) {
        case kClassConstInt:
            op.code = kPushInt;
            op.a = static_cast<PolizConstInt*>(e)->Get();
            break;
        case kClassConstStr: op.code = kPushStr; break;
        case kClassVarRead: op.code = kStore; break;
        case kClassVarWrite: op.code = kLoad; break;
        case kClassVarArrayRead: op.code = kArrayStore; break;
        case kClassVarArrayWrite: op.code = kArrayLoad; break;
        case kClassLabelRead:
            op.code = kLabel;
            op.b = static_cast<int>(number);
            break;
        case kClassPassGo:
            op.code = kGoto;
            op.d = vars.Resolve(static_cast<PolizFuncPassGo*>(e)->GetLabel());
            break;
        case kClassPassIf:
            op.code = kIf;
            op.c = vars.Resolve(static_cast<PolizFuncPassIf*>(e)->GetLabelElse());
            op.d = vars.Resolve(static_cast<PolizFuncPassIf*>(e)->GetLabel());
            break;
        case kClassRobBuy: op.code = kBuy; break;
        case kClassRobSell: op.code = kSell; break;
        case kClassRobProd: op.code = kProd; break;
        case kClassRobAuto:
        case kClassRobUpgrade: op.code = kUpgrade; break;
        case kClassRobTurn: op.code = kTurn; break;
        case kClassRobPrint: op.code = kPrint; break;
        case kClassRobMacros:
            op.code = kMacro;
            op.a = FindMacro(static_cast<PolizFuncRobMacros*>(e)->GetName());
            break;
        case kClassRoboWrite: {
            const PolizFuncRoboWrite* read = static_cast<const PolizFuncRoboWrite*>(e);
            op.code = kData;
            op.b = static_cast<int>(fields.size());
            fields.push_back(
                CData::Resolve(read->GetS1(), read->GetTyp() == 1 ? nullptr : read->GetS2()));
            break;
        }
        default: break;
    }
    if (op.code == kStore || op.code == kLoad || op.code == kArrayStore ||
        op.code == kArrayLoad || op.code == kLabel)
        op.a = vars.Resolve(static_cast<PolizFuncVar*>(e)->GetName());
    return op;
}

// Fuses operator sequences into single operations. Only a program whose jumps can land
// nowhere but on label definitions is fused: no element of an unknown class, and no label
// name used as a variable. A label definition never sits inside a fused operation.
void CEngine::Fuse() {
    std::vector<char> label_slot(exe->VarTable.SlotCount(), 0);
    for (const Op& op : plain) {
        if (op.code == kCall) return;
        if (op.code == kLabel) label_slot[op.a] = 1;
        if (op.code == kGoto) label_slot[op.d] = 1;
        if (op.code == kIf) label_slot[op.c] = label_slot[op.d] = 1;
    }
    for (const Op& op : plain) {
        bool var = op.code == kStore || op.code == kLoad || op.code == kArrayStore ||
                   op.code == kArrayLoad;
        if (var && label_slot[op.a]) return;
    }
    // Element number of each label's only definition; -1 for a label defined more than once.
    std::vector<int> definitions(label_slot.size(), 0);
    for (const Op& op : plain) {
        if (op.code != kLabel) continue;
        definitions[op.a] = definitions[op.a] == 0 ? op.b : -1;
    }
    fused.reserve(plain.size());
    fused_start.assign(plain.size(), -1);
    std::size_t n = element_count;
    auto at = [&](std::size_t i, Code code) { return i < n && plain[i].code == code; };
    for (std::size_t i = 0; i < n;) {
        fused_start[i] = static_cast<int>(fused.size());
        Op op = plain[i];
        std::size_t next = i + 1;
        // A label that keeps its collected value needs no operation: a jump to it lands on
        // what follows.
        if (op.code == kLabel && FixedLabel(op.a, definitions) != 0) {
            ++i;
            continue;
        }
        if (op.code == kGoto) {
            unsigned int to = FixedLabel(op.d, definitions);
            if (to != 0) {
                op.code = kJump;
                op.target = static_cast<int>(to);
            }
        }
        int shape = -1;  // 0 VK, 1 VV, 2 SK, 3 SV, 4 SS
        if (at(i, kLoad) && at(i + 1, kPushInt) && i + 2 < n && IsBin(plain[i + 2])) {
            shape = 0;
            op.b = plain[i + 1].a;
            op.oper = plain[i + 2].oper;
            next = i + 3;
        } else if (at(i, kLoad) && at(i + 1, kLoad) && i + 2 < n && IsBin(plain[i + 2])) {
            shape = 1;
            op.b = plain[i + 1].a;
            op.oper = plain[i + 2].oper;
            next = i + 3;
        } else if (at(i, kPushInt) && i + 1 < n && IsBin(plain[i + 1])) {
            shape = 2;
            op.b = op.a;
            op.oper = plain[i + 1].oper;
            next = i + 2;
        } else if (at(i, kLoad) && i + 1 < n && IsBin(plain[i + 1])) {
            shape = 3;
            op.b = op.a;
            op.oper = plain[i + 1].oper;
            next = i + 2;
        } else if (IsBin(op)) {
            shape = 4;
        } else if (at(i, kLoad) && at(i + 1, kUnary)) {
            op.code = kUnaryV;
            op.oper = plain[i + 1].oper;
            next = i + 2;
        } else if ((at(i, kPushInt) || at(i, kLoad)) && at(i + 1, kStore)) {
            op.code = at(i, kPushInt) ? kSetK : kMove;
            op.c = plain[i + 1].a;
            next = i + 2;
        }
        if (shape >= 0) {
            static const Code kPush[] = {kBinVK, kBinVV, kBinSK, kBinSV, kBinSS};
            static const Code kStoreTo[] = {kBinVKSt, kBinVVSt, kBinSKSt, kBinSVSt, kBinSSSt};
            static const Code kTest[] = {kBinVKIf, kBinVVIf, kBinSKIf, kBinSVIf, kBinSSIf};
            op.code = kPush[shape];
            if (at(next, kStore)) {
                op.code = kStoreTo[shape];
                op.c = plain[next].a;
                ++next;
            } else if (at(next, kIf)) {
                op.code = kTest[shape];
                op.c = plain[next].c;
                op.d = plain[next].d;
                ++next;
            }
        }
        if (op.code == kIf || (op.code >= kBinVKIf && op.code <= kBinSSIf)) {
            // A false condition goes to the else label, or without one to the end label.
            unsigned int to = 0;
            if (definitions[op.c] > 0) {
                to = FixedLabel(op.c, definitions);
            } else if (definitions[op.c] == 0) {
                to = FixedLabel(op.d, definitions);
            }
            if (to != 0) op.target = static_cast<int>(to);
        }
        fused.push_back(op);
        i = next;
    }
    fused.push_back(plain.back());
    // Jump targets from element numbers to operation indexes.
    for (Op& op : fused)
        if (op.target > 0) op.target = fused_start[static_cast<std::size_t>(op.target) - 1];
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

CEngine::Outcome CEngine::Run(std::uint64_t budget) {
    if (element_count == 0) return Outcome::kEnded;
    if (!fuse_tried && !exe->IsDebug() && budget == 0) {
        // After the label collection, whose values the fused form relies on.
        fuse_tried = true;
        Fuse();
    }
    if (exe->IsDebug() || budget != 0 || fused.empty())
        return Execute<true>(plain.data(), plain_start.data(), budget, 0);
    return Execute<false>(fused.data(), fused_start.data(), 0, 0);
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

#define SYNC() stack.SetTop(sp)
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
#define POP_INT(out)                                   \
    do {                                               \
        if (sp == stack.Base()) {                      \
            SYNC();                                    \
            exe->ShowFault(RuntimeFault::kStackEmpty); \
            exe->ShowFault(RuntimeFault::kNotInt);     \
            return Outcome::kFailed;                   \
        }                                              \
        --sp;                                          \
        if (sp->kind != Value::kInt) {                 \
            Value wrong_ = *sp;                        \
            SYNC();                                    \
            CValueStack::Release(wrong_);              \
            exe->ShowFault(RuntimeFault::kNotInt);     \
            return Outcome::kFailed;                   \
        }                                              \
        (out) = sp->num;                               \
    } while (0)
#define LOAD(slot, out)                               \
    do {                                              \
        CVar& var_ = slots[slot];                     \
        if (var_.IsPresent()) {                       \
            (out) = var_.Cells()[0];                  \
        } else {                                      \
            SYNC();                                   \
            (out) = exe->GetSlot((slot), 0);          \
        }                                             \
    } while (0)
#define STORE(slot, x)                                \
    do {                                              \
        int stored_ = (x);                            \
        CVar& var_ = slots[slot];                     \
        if (var_.IsPresent()) {                       \
            var_.Cells()[0] = stored_;                \
        } else {                                      \
            SYNC();                                   \
            exe->SetSlot((slot), stored_, 0);         \
        }                                             \
    } while (0)
// Continues at element number target, as a jump does: past the end the run ends, and a
// jump onto its own element steps on.
#define JUMP(target)                                         \
    do {                                                     \
        unsigned int target_ = (target);                         \
        if (target_ > last) {                                    \
            SYNC();                                          \
            return Outcome::kEnded;                          \
        }                                                    \
        if (start_of[target_ - 1] == op - ops) {                 \
            ++op;                                            \
        } else if (start_of[target_ - 1] >= 0) {                 \
            op = ops + start_of[target_ - 1];                    \
        } else {                                             \
            SYNC();                                          \
            return Execute<true>(plain.data(), plain_start.data(), 0, target_ - 1); \
        }                                                    \
        DISPATCH();                                        \
    } while (0)
// The false branch of a conditional jump: to the else label, or to the end label when the
// else label has no position.
#define BRANCH_FALSE(else_slot, end_slot)                    \
    do {                                                     \
        if (!kPlain && op->target >= 0) {                    \
            if (!slots[else_slot].IsPresent()) {             \
                SYNC();                                      \
                exe->GetSlot((else_slot), 0);                \
            }                                                \
            op = ops + op->target;                           \
            DISPATCH();                                    \
        }                                                    \
        int to_ = 0;                                         \
        LOAD(else_slot, to_);                                \
        if (to_ == 0) LOAD(end_slot, to_);                   \
        TRACE(" goto %s", vars.Slot(end_slot).GetName());    \
        if (to_ == 0) {                                      \
            SYNC();                                          \
            exe->ShowFault(RuntimeFault::kWrongAddress);     \
            return Outcome::kFailed;                         \
        }                                                    \
        JUMP(static_cast<unsigned int>(to_));                \
    } while (0)

    // Threaded dispatch: every operation ends by jumping straight to the next one's code.
    static const void* const kCodeAt[kCodeCount] = {
        &&op_kPushInt, &&op_kPushStr, &&op_kBinary, &&op_kUnary, &&op_kStore, &&op_kLoad,
        &&op_kArrayStore, &&op_kArrayLoad, &&op_kLabel, &&op_kGoto, &&op_kIf, &&op_kBuy,
        &&op_kSell, &&op_kProd, &&op_kUpgrade, &&op_kTurn, &&op_kPrint, &&op_kMacro,
        &&op_kData, &&op_kCall, &&op_kSetK, &&op_kMove, &&op_kUnaryV, &&op_kJump,
        &&op_kBinVK, &&op_kBinVV, &&op_kBinSK, &&op_kBinSV, &&op_kBinSS,
        &&op_kBinVKSt, &&op_kBinVVSt, &&op_kBinSKSt, &&op_kBinSVSt, &&op_kBinSSSt,
        &&op_kBinVKIf, &&op_kBinVVIf, &&op_kBinSKIf, &&op_kBinSVIf, &&op_kBinSSIf,
        &&op_kEnd,
    };
#define CASE(code) op_##code:
// In the one-op-per-element form each element counts against the budget and is announced.
#define DISPATCH()                                                                   \
    do {                                                                             \
        if (kPlain && op->code != kEnd) {                                            \
            if (budget != 0 && steps == budget) {                                    \
                SYNC();                                                              \
                return Outcome::kBudgetSpent;                                        \
            }                                                                        \
            ++steps;                                                                 \
            if (debug) Announce(*op);                                                \
        }                                                                            \
        goto* kCodeAt[op->code];                                                     \
    } while (0)
#define NEXT()      \
    do {            \
        ++op;       \
        DISPATCH(); \
    } while (0)

    DISPATCH();
            CASE(kPushInt)
                PUSH_INT(op->a);
                TRACE(" Const pushed -> ");
                NEXT();
            CASE(kPushStr)
                if (sp == stack.Limit()) {
                    SYNC();
                    sp = stack.Grow();
                }
                *sp++ = Value{Value::kStr, 0, static_cast<PolizConstStr*>(op->e)->Get()};
                TRACE(" Const pushed -> ");
                NEXT();
            CASE(kBinary) {
                int right, left;
                TRACE(" Oper-Pop1 -> ");
                POP_INT(right);
                TRACE(" Oper-Pop2 -> ");
                POP_INT(left);
                if (debug && kOperators[op->oper].trace) exe->Debug(kOperators[op->oper].trace);
                PUSH_INT(ApplyOperator(op->oper, left, right));
                NEXT();
            }
            CASE(kUnary) {
                int x;
                TRACE(" FuncOperMinus::PopTest operand 1 -> ");
                POP_INT(x);
                TRACE(kOperators[op->oper].trace);
                PUSH_INT(ApplyOperator(op->oper, x, 0));
                NEXT();
            }
            CASE(kStore) {
                const char* name = vars.Slot(op->a).GetName();
                int x;
                TRACE("FuncVar[%s] ->", name);
                POP_INT(x);
                STORE(op->a, x);
                TRACE("VTWriteVar[%s] ->", vars.Slot(op->a).GetName());
                NEXT();
            }
            CASE(kLoad) {
                int x;
                TRACE("VTReadVar[%s] ->", vars.Slot(op->a).GetName());
                LOAD(op->a, x);
                PUSH_INT(x);
                NEXT();
            }
            CASE(kArrayStore) {
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
            CASE(kArrayLoad) {
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
            CASE(kLabel)
                STORE(op->a, op->b);
                TRACE("VTWriteLabel[%s] ->", vars.Slot(op->a).GetName());
                NEXT();
            CASE(kGoto) {
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
            CASE(kIf) {
                TRACE(" Passage -> ");
                int cond;
                POP_INT(cond);
                if (cond != 0) NEXT();
                BRANCH_FALSE(op->c, op->d);
            }
            CASE(kBuy)
            CASE(kSell) {
                int price, count;
                POP_INT(price);
                POP_INT(count);
                SYNC();
                if (exe->Robot) {
                    if (op->code == kBuy) {
                        exe->Robot->Buy(count, price);
                    } else {
                        exe->Robot->Sell(count, price);
                    }
                }
                NEXT();
            }
            CASE(kProd) {
                int count;
                POP_INT(count);
                SYNC();
                if (exe->Robot) exe->Robot->Prod(count);
                NEXT();
            }
            CASE(kUpgrade)
                SYNC();
                if (exe->Robot) exe->Robot->Upgrade();
                NEXT();
            CASE(kTurn)
                SYNC();
                if (exe->Robot) exe->Robot->Turn();
                NEXT();
            CASE(kPrint) {
                std::printf("\t~Robot said: ");
                if (sp == stack.Base()) {
                    SYNC();
                    exe->ShowFault(RuntimeFault::kStackEmpty);
                    exe->ShowFault(RuntimeFault::kNotStr);
                    return Outcome::kFailed;
                }
                --sp;
                if (sp->kind != Value::kStr) {
                    Value wrong = *sp;
                    SYNC();
                    CValueStack::Release(wrong);
                    exe->ShowFault(RuntimeFault::kNotStr);
                    return Outcome::kFailed;
                }
                const char* text = static_cast<const char*>(sp->p);
                if (!text) text = "";
                int places = CountIntPlaces(text);
                if (places == 1) {
                    int a;
                    POP_INT(a);
                    PrintFilled(text, &a, 1);
                } else if (places == 2) {
                    int values[2];  // the script's order: the value popped last comes first
                    POP_INT(values[1]);
                    POP_INT(values[0]);
                    PrintFilled(text, values, 2);
                } else if (places == 0) {
                    PrintFilled(text, nullptr, 0);
                }
                std::printf("\n");
                NEXT();
            }
            CASE(kMacro) {
                const char* name = static_cast<PolizFuncRobMacros*>(op->e)->GetName();
                TRACE(" Macros '%s' -> ", name);
                if (!name || !exe->Data || !exe->Robot || op->a < 0) {
                    SYNC();
                    exe->ShowFault(RuntimeFault::kWrongMacros);
                    return Outcome::kFailed;
                }
                SYNC();
                PUSH_INT(MacroValue(op->a, *exe->Data, *exe->Robot));
                NEXT();
            }
            CASE(kData) {
                const PolizFuncRoboWrite* read = static_cast<const PolizFuncRoboWrite*>(op->e);
                int index = 0;
                if (read->GetTyp() == 3) POP_INT(index);
                TRACE(" RData::s1(%s) -> ", read->GetS1());
                if (read->GetS2()) TRACE(" RData::s2(%s) -> ", read->GetS2());
                SYNC();
                // The same value and reports as reading by the names.
                PUSH_INT(exe->Data ? exe->Data->Read(fields[static_cast<std::size_t>(op->b)], index)
                                   : 0);
                NEXT();
            }
            CASE(kCall) {
                SYNC();
                exe->cur_num = NumberOf(*op);
                exe->jumped = false;
                RuntimeFault fault = RuntimeFault::kUndefined;
                bool failed = true;
                try {
                    op->e->Evaluate_main(exe);
                    failed = false;
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
                sp = stack.Top();
                slots = vars.SlotData();
                if (failed) {
                    exe->ShowFault(fault);
                    return Outcome::kFailed;
                }
                if (exe->jumped) JUMP(exe->cur_num);
                NEXT();
            }
            CASE(kJump)
                op = ops + op->target;
                DISPATCH();
            CASE(kUnaryV) {
                int x;
                LOAD(op->a, x);
                PUSH_INT(ApplyOperator(op->oper, x, 0));
                NEXT();
            }
            CASE(kSetK)
                STORE(op->c, op->a);
                NEXT();
            CASE(kMove) {
                int x;
                LOAD(op->a, x);
                STORE(op->c, x);
                NEXT();
            }
#define BIN_SHAPES(SUFFIX, SINK)                                \
    CASE(kBinVK##SUFFIX) {                                      \
        int l;                                                  \
        LOAD(op->a, l);                                         \
        int r_ = ApplyOperator(op->oper, l, op->b);             \
        SINK(r_);                                               \
        NEXT();                                                  \
    }                                                           \
    CASE(kBinVV##SUFFIX) {                                      \
        int l, r;                                               \
        LOAD(op->a, l);                                         \
        LOAD(op->b, r);                                         \
        int r_ = ApplyOperator(op->oper, l, r);                 \
        SINK(r_);                                               \
        NEXT();                                                  \
    }                                                           \
    CASE(kBinSK##SUFFIX) {                                      \
        int l;                                                  \
        POP_INT(l);                                             \
        int r_ = ApplyOperator(op->oper, l, op->b);             \
        SINK(r_);                                               \
        NEXT();                                                  \
    }                                                           \
    CASE(kBinSV##SUFFIX) {                                      \
        int l, r;                                               \
        LOAD(op->b, r);                                         \
        POP_INT(l);                                             \
        int r_ = ApplyOperator(op->oper, l, r);                 \
        SINK(r_);                                               \
        NEXT();                                                  \
    }                                                           \
    CASE(kBinSS##SUFFIX) {                                      \
        int l, r;                                               \
        POP_INT(r);                                             \
        POP_INT(l);                                             \
        int r_ = ApplyOperator(op->oper, l, r);                 \
        SINK(r_);                                               \
        NEXT();                                                  \
    }
#define SINK_PUSH(x) PUSH_INT(x)
#define SINK_STORE(x) STORE(op->c, x)
#define SINK_TEST(x)                     \
    if ((x) == 0) BRANCH_FALSE(op->c, op->d)
            BIN_SHAPES(, SINK_PUSH)
            BIN_SHAPES(St, SINK_STORE)
            BIN_SHAPES(If, SINK_TEST)
    CASE(kEnd)
    SYNC();
    return Outcome::kEnded;
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
