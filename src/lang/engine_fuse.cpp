// The fusion passes of the lowered engine: common element sequences of the one-op-per-element
// form become single operations, and jumps to labels with a fixed place go straight there.
#include <string>

#include "lang/engine.h"

namespace {

bool IsBin(const CEngine::Op& op) { return op.code == CEngine::kBinary; }

bool IsConditional(CEngine::Code code) {
    return code == CEngine::kIf || (code >= CEngine::kBinVKIf && code <= CEngine::kBinSSIf);
}

// Where a fused operator takes its operands from, in the order of the Bin* groups.
enum OperandShape { kShapeVK, kShapeVV, kShapeSK, kShapeSV, kShapeSS, kNoShape };

}  // namespace

unsigned int CEngine::FixedLabel(int slot, const std::vector<int>& definitions) const {
    if (definitions[slot] <= 0) return 0;
    unsigned int at = static_cast<unsigned int>(definitions[slot]);
    const CVar& var = exe->VarTable.Slot(slot);
    if (!var.IsPresent() || var.GetValue(0) != static_cast<int>(at)) return 0;
    return at;
}

bool CEngine::JumpsLandOnLabels() const {
    std::vector<char> label_slot(exe->VarTable.SlotCount(), 0);
    for (const Op& op : plain) {
        if (op.code == kCall) return false;
        if (op.code == kLabel) label_slot[op.a] = 1;
        if (op.code == kGoto) label_slot[op.d] = 1;
        if (op.code == kIf) label_slot[op.c] = label_slot[op.d] = 1;
    }
    for (const Op& op : plain) {
        bool var = op.code == kStore || op.code == kLoad || op.code == kArrayStore ||
                   op.code == kArrayLoad;
        if (var && label_slot[op.a]) return false;
    }
    return true;
}

std::vector<int> CEngine::LabelDefinitions() const {
    std::vector<int> definitions(static_cast<std::size_t>(exe->VarTable.SlotCount()), 0);
    for (const Op& op : plain) {
        if (op.code != kLabel) continue;
        definitions[op.a] = definitions[op.a] == 0 ? op.b : -1;
    }
    return definitions;
}

CEngine::Op CEngine::FuseSequence(std::size_t i, std::size_t& next) const {
    const std::size_t n = element_count;
    auto at = [&](std::size_t k, Code code) { return k < n && plain[k].code == code; };
    auto bin_at = [&](std::size_t k) { return k < n && IsBin(plain[k]); };
    Op op = plain[i];
    next = i + 1;
    // The operands of an operator: variable and constant, two variables, the stack and a
    // constant, the stack and a variable, or the stack alone.
    OperandShape shape = kNoShape;
    if (at(i, kLoad) && at(i + 1, kPushInt) && bin_at(i + 2)) {
        shape = kShapeVK;
    } else if (at(i, kLoad) && at(i + 1, kLoad) && bin_at(i + 2)) {
        shape = kShapeVV;
    } else if (at(i, kPushInt) && bin_at(i + 1)) {
        shape = kShapeSK;
    } else if (at(i, kLoad) && bin_at(i + 1)) {
        shape = kShapeSV;
    } else if (IsBin(op)) {
        shape = kShapeSS;
    } else if (at(i, kLoad) && at(i + 1, kUnary)) {
        op.code = kUnaryV;
        op.oper = plain[i + 1].oper;
        next = i + 2;
    } else if ((at(i, kPushInt) || at(i, kLoad)) && at(i + 1, kStore)) {
        op.code = at(i, kPushInt) ? kSetK : kMove;
        op.c = plain[i + 1].a;
        next = i + 2;
    }
    if (shape == kNoShape) return op;
    if (shape == kShapeVK || shape == kShapeVV) {
        op.b = plain[i + 1].a;
        op.oper = plain[i + 2].oper;
        next = i + 3;
    } else if (shape == kShapeSK || shape == kShapeSV) {
        op.b = op.a;
        op.oper = plain[i + 1].oper;
        next = i + 2;
    }
    // Where the result goes: pushed, stored by the store that follows, or tested by the
    // conditional jump that follows.
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
    return op;
}

void CEngine::FixTarget(Op& op, const std::vector<int>& definitions) const {
    if (op.code == kGoto) {
        unsigned int to = FixedLabel(op.d, definitions);
        if (to != 0) {
            op.code = kJump;
            op.target = static_cast<int>(to);
        }
    } else if (IsConditional(op.code)) {
        // A false condition goes to the else label, or without one to the end label.
        unsigned int to = 0;
        if (definitions[op.c] > 0) {
            to = FixedLabel(op.c, definitions);
        } else if (definitions[op.c] == 0) {
            to = FixedLabel(op.d, definitions);
        }
        if (to != 0) op.target = static_cast<int>(to);
    }
}

void CEngine::IndexTargets() {
    for (Op& op : fused)
        if (op.target > 0) op.target = fused_start[static_cast<std::size_t>(op.target) - 1];
}

// Only a program whose jumps land on label definitions is fused, and a label definition
// never sits inside a fused operation.
void CEngine::Fuse() {
    if (!JumpsLandOnLabels()) return;
    const std::vector<int> definitions = LabelDefinitions();
    fused.reserve(plain.size());
    fused_first.reserve(plain.size());
    fused_start.assign(plain.size(), -1);
    for (std::size_t i = 0; i < element_count;) {
        fused_start[i] = static_cast<int>(fused.size());
        // A label that keeps its collected value needs no operation: a jump to it lands on
        // what follows.
        if (plain[i].code == kLabel && FixedLabel(plain[i].a, definitions) != 0) {
            ++i;
            continue;
        }
        std::size_t next;
        Op op = FuseSequence(i, next);
        FixTarget(op, definitions);
        fused.push_back(op);
        fused_first.push_back(static_cast<unsigned int>(i + 1));
        i = next;
    }
    fused.push_back(plain.back());
    fused_first.push_back(static_cast<unsigned int>(element_count + 1));
    IndexTargets();
}

std::string CEngine::FusedListing() {
    if (!fuse_tried) {
        fuse_tried = true;
        Fuse();
    }
    std::string listing;
    for (const Op& op : fused) listing += std::string(CodeName(op.code)) + "\n";
    return listing;
}
