// Operator warnings. The robot ranks "&" and "|" above "<", "=" and ">", and those above the
// arithmetic operators, and it allows one comparison per operand of "&" or "|"; so "a + b < c"
// means "a + (b < c)", "a < b & c" means "a < (b & c)", and "a < b < c" does not compile.
// The scan follows each expression at each parenthesis level and judges its operators.
#include <string>

#include "lang/operators.h"

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

OperatorKind KindOf(char symbol) {
    for (const OperatorRow& row : kOperators)
        if (row.op == symbol) return row.kind;
    return OperatorKind::kNone;
}

OperatorKind KindOf(const Token& t) {
    return t.kind == lx_spacer && t.text.size() == 1 ? KindOf(t.text[0]) : OperatorKind::kNone;
}

// One operand as written: its first and last lexeme.
struct Operand {
    const Token* first;
    const Token* last;
};

// One expression being read at one parenthesis level.
struct Level {
    const Token* open = nullptr;  // the "(" or "[" the level starts with; null at the top
    bool expect_operand = true;
    bool after_data = false;         // the last operand was game data, which a further data name extends
    const Token* prefix = nullptr;   // a unary operator or "(" that starts the next operand
    std::vector<Operand> operands;
    std::vector<const Token*> ops;
};

// The author's expression regrouped the way the robot's operator priorities group it, with
// parentheses around each part the robot binds tighter than most languages do.
class Regrouping {
public:
    Regrouping(const ScriptText& text, const Level& level) : text_(text), level_(level) {}

    // Whether each operator stands between two operands, so the expression can be regrouped.
    bool Whole() const { return !level_.operands.empty() && level_.operands.size() == level_.ops.size() + 1; }

    // The operands `from` to `to` with the operators between them, as written.
    std::string Written(std::size_t from, std::size_t to) const {
        return text_.Written(*level_.operands[from].first, *level_.operands[to].last);
    }

    std::string AsWritten() const { return Quoted(Written(0, level_.operands.size() - 1)); }

    std::string AsGrouped() const {
        std::vector<Part> parts{Leaf(0)};
        std::vector<char> pending;
        for (std::size_t k = 0; k < level_.ops.size(); ++k) {
            const char op = level_.ops[k]->text[0];
            while (!pending.empty() && OperatorPriority(pending.back()) >= OperatorPriority(op)) Reduce(parts, pending);
            pending.push_back(op);
            parts.push_back(Leaf(k + 1));
        }
        while (!pending.empty()) Reduce(parts, pending);
        return Quoted(parts.back().text);
    }

    static std::string Quoted(const std::string& text) { return "'" + Printable(text, kQuotedBytes) + "'"; }

private:
    static constexpr std::size_t kQuotedBytes = 80;

    struct Part {
        std::string text;
        OperatorKind kind;  // of the operator that joins it; kNone for an operand
    };

    Part Leaf(std::size_t k) const { return {Written(k, k), OperatorKind::kNone}; }

    static std::string Shown(const Part& p) {
        const bool surprising = p.kind == OperatorKind::kComparison || p.kind == OperatorKind::kBitwise;
        return surprising ? "(" + p.text + ")" : p.text;
    }

    static void Reduce(std::vector<Part>& parts, std::vector<char>& pending) {
        const char op = pending.back();
        pending.pop_back();
        Part right = parts.back();
        parts.pop_back();
        Part& left = parts.back();
        left = {Shown(left) + " " + op + " " + Shown(right), KindOf(op)};
    }

    const ScriptText& text_;
    const Level& level_;
};

class OperatorScan {
public:
    OperatorScan(const ScriptText& text, std::vector<Diagnostic>& out) : text_(text), out_(out), levels_(1) {}

    void Read(const std::vector<Token>& tokens) {
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            if (tokens[i].kind == lx_func && tokens[i].text == kMacroFunction) {
                const bool named = i + 1 < tokens.size() && tokens[i + 1].kind == lx_str_const;
                AddOperand(false, tokens[i], tokens[named ? i + 1 : i]);
                if (named) ++i;
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
        if (t.kind == lx_int_const || t.kind == lx_var) return AddOperand(false, t, t);
        if (t.kind == lx_robotdata) {
            if (!level.expect_operand && level.after_data) return Extend(level, t);
            return AddOperand(true, t, t);
        }
        if (s == "(" || s == "[") {
            // "[" after an operand is its index; anything else opens a new expression's group.
            if (!level.expect_operand && s == "(") Finish(level);
            if (level.expect_operand && !level.prefix) level.prefix = &t;
            levels_.push_back(Level());
            levels_.back().open = &t;
            return;
        }
        if (s == ")" || s == "]") return Close(t, s == "]");
        OperatorKind kind = KindOf(t);
        if (kind != OperatorKind::kNone && !level.expect_operand) {
            level.ops.push_back(&t);
            level.expect_operand = true;
            level.after_data = false;
            return;
        }
        if (level.expect_operand && (s == "-" || s == "!")) {  // unary
            if (!level.prefix) level.prefix = &t;
            return;
        }
        Finish(level);
    }

    void AddOperand(bool data, const Token& first, const Token& last) {
        Level& level = levels_.back();
        if (!level.expect_operand) Finish(level);
        level.operands.push_back({level.prefix ? level.prefix : &first, &last});
        level.prefix = nullptr;
        level.expect_operand = false;
        level.after_data = data;
    }

    static void Extend(Level& level, const Token& last) {
        if (!level.operands.empty()) level.operands.back().last = &last;
    }

    void Close(const Token& t, bool index) {
        if (levels_.size() == 1) return Finish(levels_.back());
        Judge(levels_.back());
        const Token* open = levels_.back().open;
        levels_.pop_back();
        Level& level = levels_.back();
        if (index && !level.expect_operand) {
            Extend(level, t);
        } else {
            level.operands.push_back({level.prefix ? level.prefix : open, &t});
            level.prefix = nullptr;
        }
        level.expect_operand = false;
        level.after_data = index;
    }

    void Finish(Level& level) {
        Judge(level);
        const Token* open = level.open;
        level = Level();
        level.open = open;
    }

    void Judge(const Level& level) {
        const Regrouping regrouping(text_, level);
        const Token* comparison = nullptr;
        const Token* other = nullptr;
        std::size_t last_comparison = kNone;  // since the last "&" or "|"
        std::size_t segment = 0;              // the first operand after the last "&" or "|"
        for (std::size_t k = 0; k < level.ops.size(); ++k) {
            const Token* op = level.ops[k];
            OperatorKind kind = KindOf(*op);
            if (kind == OperatorKind::kComparison) {
                if (last_comparison != kNone) return TwoComparisons(level, regrouping, segment, last_comparison, k);
                last_comparison = k;
                if (!comparison) comparison = op;
            } else {
                if (kind == OperatorKind::kBitwise) {
                    last_comparison = kNone;
                    segment = k + 1;
                }
                if (!other) other = op;
            }
        }
        if (!comparison || !other) return;
        const bool bitwise = KindOf(*other) == OperatorKind::kBitwise;
        std::string example = regrouping.Whole() ? regrouping.AsWritten() + " means " + regrouping.AsGrouped()
                                                 : bitwise ? "'a < b & c' means 'a < (b & c)'"
                                                           : "'a + b < c' means 'a + (b < c)'";
        out_.push_back({comparison->line, Severity::kWarning,
                        "'" + other->text + "' and '" + comparison->text + "' without parentheses: the robot " +
                            (bitwise ? "does '&' and '|' before comparing" : "compares before doing arithmetic") +
                            ", so " + example + "; add parentheses"});
    }

    // Two comparisons, the operators `first` and `second`, with no "&" or "|" between them.
    void TwoComparisons(const Level& level, const Regrouping& regrouping, std::size_t segment, std::size_t first,
                        std::size_t second) {
        const Token* a = level.ops[first];
        const Token* b = level.ops[second];
        std::string rewrite = "'(a < b) & (b < c)'";
        if (regrouping.Whole()) {
            std::size_t end = second + 1;
            while (end < level.ops.size() && KindOf(*level.ops[end]) != OperatorKind::kBitwise) ++end;
            const std::string middle = regrouping.Written(first + 1, second);
            rewrite = Regrouping::Quoted("(" + regrouping.Written(segment, first) + " " + a->text + " " + middle +
                                         ") & (" + middle + " " + b->text + " " + regrouping.Written(second + 1, end) +
                                         ")");
        }
        out_.push_back({b->line, Severity::kWarning,
                        "two comparisons in a row ('" + a->text + "' then '" + b->text +
                            "'): the robot allows one; write " + rewrite});
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    const ScriptText& text_;
    std::vector<Diagnostic>& out_;
    std::vector<Level> levels_;
};

}  // namespace

std::vector<Diagnostic> OperatorWarnings(const ScriptText& text, const std::vector<Token>& tokens) {
    std::vector<Diagnostic> out;
    OperatorScan(text, out).Read(tokens);
    return out;
}

}  // namespace match
