// Whether runs reach "?turn". The script is read into statements as the syntax analyser reads
// them, the statements into a graph of where a run may go next (branches of "if", jumps to
// labels), and the graph is searched for a way from the start to the end that avoids "?turn".
// Conditions are not evaluated: both branches of every "if" count as possible.
#include <algorithm>
#include <map>
#include <string>

#include "match/check/flow.h"
#include "match/check/token_walk.h"
#include "match/check/warnings.h"

namespace match {
namespace {

const char kTimeout[] = "the turn then lasts until the server's turn timeout";
constexpr std::size_t kQuotedBytes = 60;    // of the author's text quoted in a warning
constexpr std::size_t kShownDecisions = 3;  // conditions named on a run's way; the rest counted

// One statement: its lexemes [first, end) and, for a block or an "if", the statements in it.
struct Statement {
    enum Kind { kNothing, kBlock, kTurn, kLabel, kGoto, kIf };
    Kind kind = kNothing;
    std::size_t first = 0;
    std::size_t end = 0;
    std::string label;             // of a label or a jump
    std::vector<Statement> parts;  // a block's statements; an if's branch, then its else branch
};

// Reads statements the way the syntax analyser does, on a script it passed.
class StatementReader {
public:
    explicit StatementReader(const std::vector<Token>& tokens) : tokens_(tokens), walk_(tokens) {}

    Statement Read(std::size_t i) const {
        Statement s;
        s.first = s.end = i;
        if (i >= tokens_.size() || Is(i, ";") || Is(i, "}")) return s;  // empty: reads nothing
        const Token& t = tokens_[i];
        s.end = i + 1;
        if (t.kind == lx_spacer && t.text == "{") return Block(i);
        if (t.kind == lx_var)
            s.end = walk_.SkipExpression(Is(i + 1, "[") ? walk_.SkipGroup(i + 1) + 1 : i + 2);
        if (t.kind == lx_label) {
            s.kind = Statement::kLabel;
            s.label = t.text;
        }
        if (t.kind == lx_func) {
            s.kind = t.text == kTurnStatement ? Statement::kTurn : Statement::kNothing;
            s.end = RobotStatementEnd(i);
        }
        if (t.kind == lx_keyword && t.text == "if") return If(i);
        if (t.kind == lx_keyword && t.text == kGotoKeyword && i + 1 < tokens_.size()) {
            s.kind = Statement::kGoto;
            s.label = tokens_[i + 1].text;
            s.end = i + 2;
        }
        return s;
    }

    // The index after the condition of the "if" at `i`.
    std::size_t ConditionEnd(std::size_t i) const {
        return Is(i + 1, "(") ? walk_.SkipGroup(i + 1) : i + 1;
    }

private:
    bool Is(std::size_t i, const char* text) const {
        return i < tokens_.size() && tokens_[i].text == text;
    }

    Statement Block(std::size_t i) const {
        Statement s;
        s.kind = Statement::kBlock;
        s.first = i;
        std::size_t at = i + 1;
        for (;;) {
            s.parts.push_back(Read(at));
            at = s.parts.back().end;
            if (!Is(at, ";")) break;
            ++at;
        }
        s.end = Is(at, "}") ? at + 1 : at;
        return s;
    }

    // "if (condition) statement", then one lexeme may stand before "else".
    Statement If(std::size_t i) const {
        Statement s;
        s.kind = Statement::kIf;
        s.first = i;
        s.parts.push_back(Read(ConditionEnd(i)));
        std::size_t at = s.parts.back().end;
        if (!Is(at, "else") && Is(at + 1, "else")) ++at;
        if (Is(at, "else")) s.parts.push_back(Read(at + 1));
        s.end = s.parts.back().end;
        return s;
    }

    std::size_t RobotStatementEnd(std::size_t i) const {
        const std::string& name = tokens_[i].text;
        if (name == "?prod") return walk_.SkipExpression(i + 1);
        if (name == "?sell" || name == "?buy") {
            const std::size_t comma = walk_.SkipExpression(i + 1);
            return Is(comma, ",") ? walk_.SkipExpression(comma + 1) : comma;
        }
        if (name != "?print") return i + 1;
        std::size_t at = i + 2;
        while (Is(at, ",")) at = walk_.SkipExpression(at + 1);
        return std::min(at, tokens_.size());
    }

    const std::vector<Token>& tokens_;
    TokenWalk walk_;
};

// Where a run may go from each statement; node 0 is the end of the script.
class FlowGraph {
public:
    enum Kind { kEnd, kStep, kTurn, kBranch, kJump };
    struct Node {
        Kind kind;
        std::size_t first;              // the statement's first lexeme
        std::vector<std::size_t> next;  // a branch: where the run goes when true, then when false
        std::string label;              // a jump's
    };

    explicit FlowGraph(const Statement& program) : nodes_{{kEnd, 0, {}, ""}} {
        entry_ = Build(program, 0);
        for (Node& n : nodes_) {
            auto target = labels_.find(n.label);
            if (n.kind == kJump && target != labels_.end()) n.next.push_back(target->second);
        }
    }

    std::size_t Entry() const { return entry_; }
    const Node& At(std::size_t n) const { return nodes_[n]; }

    // Nodes from which a run can reach the end without passing a "?turn".
    std::vector<bool> EscapingTurn() const {
        std::vector<std::vector<std::size_t>> before(nodes_.size());
        for (std::size_t n = 0; n < nodes_.size(); ++n)
            for (std::size_t m : nodes_[n].next) before[m].push_back(n);
        std::vector<bool> escapes(nodes_.size(), false);
        std::vector<std::size_t> todo{0};
        escapes[0] = true;
        while (!todo.empty()) {
            const std::size_t n = todo.back();
            todo.pop_back();
            for (std::size_t m : before[n]) {
                if (escapes[m] || nodes_[m].kind == kTurn) continue;
                escapes[m] = true;
                todo.push_back(m);
            }
        }
        return escapes;
    }

    // Whether some run from the start reaches a "?turn".
    bool ReachesTurn() const {
        std::vector<bool> seen(nodes_.size(), false);
        std::vector<std::size_t> todo{entry_};
        seen[entry_] = true;
        while (!todo.empty()) {
            const std::size_t n = todo.back();
            todo.pop_back();
            if (nodes_[n].kind == kTurn) return true;
            for (std::size_t m : nodes_[n].next)
                if (!seen[m]) {
                    seen[m] = true;
                    todo.push_back(m);
                }
        }
        return false;
    }

private:
    std::size_t Add(Kind kind, std::size_t first, std::vector<std::size_t> next,
                    std::string label = "") {
        nodes_.push_back({kind, first, std::move(next), std::move(label)});
        return nodes_.size() - 1;
    }

    // The node a run enters the statement at, given where it goes after the statement.
    std::size_t Build(const Statement& s, std::size_t after) {
        switch (s.kind) {
            case Statement::kBlock:
                for (auto part = s.parts.rbegin(); part != s.parts.rend(); ++part)
                    after = Build(*part, after);
                return after;
            case Statement::kTurn:
                return Add(kTurn, s.first, {after});
            case Statement::kLabel:
                // Built from the last statement back: the first definition of a label is kept.
                return labels_[s.label] = Add(kStep, s.first, {after});
            case Statement::kGoto:
                return Add(kJump, s.first, {}, s.label);
            case Statement::kIf: {
                const std::size_t when_false =
                    s.parts.size() > 1 ? Build(s.parts[1], after) : after;
                const std::size_t when_true = Build(s.parts[0], after);
                return Add(kBranch, s.first, {when_true, when_false});
            }
            case Statement::kNothing:
                break;
        }
        return after;
    }

    std::vector<Node> nodes_;
    std::map<std::string, std::size_t> labels_;
    std::size_t entry_ = 0;
};

// One "if" on a run's way, and the branch the run takes there.
struct Decision {
    const FlowGraph::Node* branch;
    bool when_true;
};

// The decisions of a shortest run from the start to the end that avoids "?turn": the "if"s on
// its way whose branches go different ways.
std::vector<Decision> EscapingDecisions(const FlowGraph& graph, const std::vector<bool>& escapes) {
    const std::size_t none = escapes.size();
    std::vector<std::size_t> came_from(escapes.size(), none);
    std::vector<std::size_t> todo{graph.Entry()};
    came_from[graph.Entry()] = graph.Entry();
    for (std::size_t k = 0; k < todo.size() && came_from[0] == none; ++k)
        for (std::size_t m : graph.At(todo[k]).next)
            if (escapes[m] && came_from[m] == none) {
                came_from[m] = todo[k];
                todo.push_back(m);
            }
    std::vector<Decision> decisions;
    for (std::size_t n = 0; came_from[n] != none && n != graph.Entry(); n = came_from[n]) {
        const FlowGraph::Node& from = graph.At(came_from[n]);
        if (from.kind == FlowGraph::kBranch && from.next[0] != from.next[1])
            decisions.push_back({&from, from.next[0] == n});
    }
    std::reverse(decisions.begin(), decisions.end());
    return decisions;
}

std::string Quote(const ScriptText& text, const std::vector<Token>& tokens, std::size_t first,
                  std::size_t end) {
    return "'" + Printable(text.Written(tokens[first], tokens[end - 1]), kQuotedBytes) + "'";
}

// The warning for lexemes after the first statement, which the robot never reads.
Diagnostic UnreadWarning(const ScriptText& text, const std::vector<Token>& tokens,
                         const Statement& program, bool reaches_turn) {
    // The ';' that ends the first statement is read; the rest starts after it.
    const bool separator = tokens[program.end].text == ";" && program.end + 1 < tokens.size();
    const Token& unread = tokens[program.end + (separator ? 1 : 0)];
    const std::string rest =
        "the robot never reads the rest, from line " + std::to_string(unread.line);
    std::string why;
    if (program.kind == Statement::kBlock) {
        why = "the script ends with the '}' on line " +
              std::to_string(tokens[program.end - 1].line) + ": " + rest;
    } else if (program.end == program.first) {
        why = "the script compiles to nothing: the robot takes a script whose second lexeme is '" +
              tokens[1].text + "' for one empty statement and runs nothing, every turn";
    } else {
        why =
            "the script is not between '{' and '}', so the robot runs only its first statement, " +
            Quote(text, tokens, program.first, program.end) + ", every turn; " + rest;
    }
    if (!reaches_turn) why += "; no run reaches '?turn' and " + std::string(kTimeout);
    return {tokens[program.first].line, Severity::kWarning, why};
}

}  // namespace

std::vector<Diagnostic> TurnPathWarnings(const ScriptText& text, const std::vector<Token>& tokens) {
    std::vector<Diagnostic> out;
    const auto turn = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) {
        return t.kind == lx_func && t.text == kTurnStatement;
    });
    if (tokens.size() < 2) return out;
    const StatementReader reader(tokens);
    // The analyser looks ahead one lexeme too far at the very start: a ';' or '}' in second
    // place makes the whole script one empty statement.
    const bool empty = tokens[1].text == ";" || tokens[1].text == "}";
    Statement program = empty ? Statement() : reader.Read(0);
    if (!empty && program.end == 0) program.end = 1;  // a lone ';' or '}' first is read, and is all
    const FlowGraph graph(program);
    const bool reaches_turn = graph.ReachesTurn();
    const bool has_turn = turn != tokens.end();
    if (program.end < tokens.size()) {
        out.push_back(UnreadWarning(text, tokens, program, reaches_turn || !has_turn));
        return out;
    }
    if (!has_turn) return out;  // said by the statement warnings
    if (!reaches_turn) {
        out.push_back(
            {turn->line, Severity::kWarning, "no run reaches '?turn': " + std::string(kTimeout)});
        return out;
    }
    const std::vector<bool> escapes = graph.EscapingTurn();
    if (!escapes[graph.Entry()]) return out;
    const std::vector<Decision> decisions = EscapingDecisions(graph, escapes);
    if (decisions.empty()) return out;
    std::string when;
    for (std::size_t k = 0; k < decisions.size() && k < kShownDecisions; ++k) {
        const Decision& d = decisions[k];
        const std::size_t condition_end =
            std::min(tokens.size(), reader.ConditionEnd(d.branch->first));
        when += (when.empty() ? "when " : " and ") +
                Quote(text, tokens, d.branch->first, condition_end) + " is " +
                (d.when_true ? "true" : "false");
    }
    if (decisions.size() > kShownDecisions)
        when += " (and " + std::to_string(decisions.size() - kShownDecisions) + " more 'if's)";
    out.push_back({tokens[decisions.back().branch->first].line, Severity::kWarning,
                   when + ", " + kEndWithoutTurn + ": " + kTimeout});
    return out;
}

}  // namespace match
