// Operator warnings. The robot ranks "&" and "|" above "<", "=" and ">", and those above the
// arithmetic operators, and it allows one comparison per operand of "&" or "|"; so "a + b < c"
// means "a + (b < c)", "a < b & c" means "a < (b & c)", and "a < b < c" does not compile.
// The scan follows each expression at each parenthesis level and judges its operators.
#include <string>

#include "match/check/warnings.h"

namespace match {
namespace {

enum class OperatorKind { kNone, kArithmetic, kComparison, kBitwise };

// The operators, by kind; one table for the whole scan.
struct OperatorRow {
    char op;
    OperatorKind kind;
};
constexpr OperatorRow kOperators[] = {
    {'+', OperatorKind::kArithmetic}, {'-', OperatorKind::kArithmetic}, {'*', OperatorKind::kArithmetic},
    {'/', OperatorKind::kArithmetic}, {'%', OperatorKind::kArithmetic}, {'<', OperatorKind::kComparison},
    {'=', OperatorKind::kComparison}, {'>', OperatorKind::kComparison}, {'&', OperatorKind::kBitwise},
    {'|', OperatorKind::kBitwise},
};

OperatorKind KindOf(const Token& t) {
    if (t.kind != lx_spacer || t.text.size() != 1) return OperatorKind::kNone;
    for (const OperatorRow& row : kOperators)
        if (row.op == t.text[0]) return row.kind;
    return OperatorKind::kNone;
}

// One expression being read at one parenthesis level.
struct Level {
    bool expect_operand = true;
    bool after_data = false;  // the last operand was game data, which a further data name extends
    std::vector<const Token*> ops;
};

class OperatorScan {
public:
    explicit OperatorScan(std::vector<Diagnostic>& out) : out_(out), levels_(1) {}

    void Read(const std::vector<Token>& tokens) {
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            if (tokens[i].kind == lx_func && tokens[i].text == kMacroFunction) {
                Operand(false);
                if (i + 1 < tokens.size() && tokens[i + 1].kind == lx_str_const) ++i;
            } else {
                Step(tokens[i]);
            }
        }
        while (!levels_.empty()) {
            Judge(levels_.back());
            levels_.pop_back();
        }
    }

private:
    void Step(const Token& t) {
        Level& level = levels_.back();
        const std::string& s = t.text;
        if (t.kind == lx_int_const || t.kind == lx_var) return Operand(false);
        if (t.kind == lx_robotdata) {
            if (!level.expect_operand && level.after_data) return;
            return Operand(true);
        }
        if (s == "(" || s == "[") {
            // "[" after an operand is its index; anything else opens a new expression's group.
            if (!level.expect_operand && s == "(") Finish(level);
            levels_.push_back(Level());
            return;
        }
        if (s == ")" || s == "]") return Close(s == "]");
        OperatorKind kind = KindOf(t);
        if (kind != OperatorKind::kNone && !level.expect_operand) {
            level.ops.push_back(&t);
            level.expect_operand = true;
            level.after_data = false;
            return;
        }
        if (level.expect_operand && (s == "-" || s == "!")) return;  // unary
        Finish(level);
    }

    void Operand(bool data) {
        Level& level = levels_.back();
        if (!level.expect_operand && !(data && level.after_data)) Finish(level);
        level.expect_operand = false;
        level.after_data = data;
    }

    void Close(bool index) {
        if (levels_.size() == 1) return Finish(levels_.back());
        Judge(levels_.back());
        levels_.pop_back();
        levels_.back().expect_operand = false;
        levels_.back().after_data = index;
    }

    void Finish(Level& level) {
        Judge(level);
        level = Level();
    }

    void Judge(const Level& level) {
        const Token* comparison = nullptr;
        const Token* other = nullptr;
        const Token* last_comparison = nullptr;  // since the last "&" or "|"
        for (const Token* op : level.ops) {
            OperatorKind kind = KindOf(*op);
            if (kind == OperatorKind::kComparison) {
                if (last_comparison) {
                    out_.push_back({op->line, Severity::kWarning,
                                    "two comparisons in a row ('" + last_comparison->text + "' then '" + op->text +
                                        "'): the robot allows one; write '(a < b) & (b < c)'"});
                    return;
                }
                last_comparison = op;
                if (!comparison) comparison = op;
            } else {
                if (kind == OperatorKind::kBitwise) last_comparison = nullptr;
                if (!other) other = op;
            }
        }
        if (!comparison || !other) return;
        const bool bitwise = KindOf(*other) == OperatorKind::kBitwise;
        out_.push_back({comparison->line, Severity::kWarning,
                        "'" + other->text + "' and '" + comparison->text +
                            "' without parentheses: the robot " +
                            (bitwise ? "does '&' and '|' before comparing, so 'a < b & c' means 'a < (b & c)'"
                                     : "compares before doing arithmetic, so 'a + b < c' means 'a + (b < c)'") +
                            "; add parentheses"});
    }

    std::vector<Diagnostic>& out_;
    std::vector<Level> levels_;
};

}  // namespace

std::vector<Diagnostic> OperatorWarnings(const std::vector<Token>& tokens) {
    std::vector<Diagnostic> out;
    OperatorScan(out).Read(tokens);
    return out;
}

}  // namespace match
