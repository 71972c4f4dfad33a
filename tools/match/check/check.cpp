// match --check: reads each script, compiles it in a child process with the robot's analysers,
// places their reports on editor lines and adds the checker's warnings.
#include "match/check/check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "match/check/compile.h"
#include "match/check/flow.h"
#include "match/check/game_names.h"
#include "match/check/warnings.h"

namespace match {
namespace {

constexpr long long kMaxScriptBytes = 64LL * 1024 * 1024;  // bytes; larger files are not checked

const char kLexicalFailure[] = "Lexical analysis did not pass";

Diagnostic Error(int line, std::string text) { return Diagnostic{line, Severity::kError, std::move(text)}; }

std::string At(const std::string& lexeme) { return " (at '" + Printable(lexeme) + "')"; }

// Reads the whole file; returns an error message, empty on success.
std::string ReadScript(const std::string& path, std::string& bytes) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "cannot read script '" + path + "': " + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "'" + path + "' is a folder, not a script";
    if (!S_ISREG(st.st_mode)) return "'" + path + "' is not a regular file";
    if (st.st_size > kMaxScriptBytes)
        return "script '" + path + "' is larger than " + std::to_string(kMaxScriptBytes / (1024 * 1024)) + " MiB";
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read script '" + path + "': " + std::strerror(errno);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return "cannot read script '" + path + "'";
    bytes = text.str();
    return std::string();
}

// Why the lexer refused a lexeme.
std::string LexicalReason(const Token& t) {
    if (!t.complete) return "the file ends inside its first lexeme";
    if (t.kind == lx_err && !t.text.empty() && t.text[0] == '"') return "a string without its closing '\"'";
    if (t.kind == lx_err && !t.text.empty() && t.text[0] == ':') return "':' without '='";
    if (t.kind == lx_err) return "a character the robot does not know";
    return "'" + t.text.substr(0, 1) + "' without a name";
}

void AddLexicalErrors(const ScriptText& text, const std::vector<Token>& tokens, std::vector<Diagnostic>& out) {
    std::size_t before = out.size();
    for (const Token& t : tokens) {
        if (t.ok && t.kind != lx_err && t.complete) continue;
        const std::string lexeme = t.complete ? t.text : text.Bytes().substr(t.offset);
        out.push_back(Error(t.line, std::string(kLexicalFailure) + ": " +
                                        LexicalReason(t) + At(lexeme)));
    }
    if (out.size() == before) out.push_back(Error(1, std::string(kLexicalFailure) + "."));
}

void AddSyntaxErrors(const Compilation& c, std::vector<Diagnostic>& out) {
    for (const SyntaxReport& r : c.reports) {
        if (r.token == SyntaxReport::kNoToken) {
            out.push_back(Error(1, r.message + At("")));
        } else {
            const Token& t = c.tokens[r.token];
            out.push_back(Error(t.line, r.message + At(t.text)));
        }
    }
    if (!c.parsed && c.reports.empty()) out.push_back(Error(1, "Syntax analysis did not pass."));
}

void Append(std::vector<Diagnostic>& out, std::vector<Diagnostic> more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

bool CheckResult::HasErrors() const {
    return !read_error.empty() || std::any_of(diagnostics.begin(), diagnostics.end(),
                                              [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

bool CheckResult::HasWarnings() const {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [](const Diagnostic& d) { return d.severity == Severity::kWarning; });
}

CheckResult CheckScriptFile(const std::string& path) {
    std::string bytes;
    std::string read_error = ReadScript(path, bytes);
    if (!read_error.empty()) return CheckResult{read_error, {}};
    return CheckScriptText(bytes);
}

CheckResult CheckScriptText(const std::string& bytes) {
    CheckResult result;
    std::vector<Diagnostic>& out = result.diagnostics;
    const std::string not_text = NotTextReason(bytes);
    if (!not_text.empty()) {
        // Lexing a binary file would only list its bytes, one error each.
        out.push_back(Error(1, "this is not a text file (" + not_text + "): a script is text; is it the right file?"));
        return result;
    }
    const ScriptText text(bytes);
    Compilation c = CompileScript(bytes);
    text.Place(c.tokens);
    // A byte order mark comes first: it explains the lexical error it causes.
    Append(out, ByteOrderMarkWarning(text));
    if (!c.failure.empty()) {
        out.push_back(Error(1, c.failure));
    } else if (!c.lexed) {
        AddLexicalErrors(text, c.tokens, out);
    } else {
        AddSyntaxErrors(c, out);
    }
    Append(out, LineEndWarnings(text));
    Append(out, ByteWarnings(text, c.tokens));
    if (c.failure.empty() && c.lexed) {
        AddOperatorHints(c.tokens, out);
        Append(out, LabelErrors(c.tokens));
        Append(out, StatementWarnings(c.tokens));
        Append(out, OperatorWarnings(text, c.tokens));
        Append(out, DataNameWarnings(text, c.tokens));
        Append(out, MacroWarnings(c.tokens));
    }
    if (c.failure.empty() && c.parsed) Append(out, TurnPathWarnings(text, c.tokens));
    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    return result;
}

std::string FormatDiagnostic(const std::string& path, const Diagnostic& d) {
    return path + ":" + std::to_string(d.line) + ": " + (d.severity == Severity::kError ? "error" : "warning") +
           ": " + d.text;
}

int RunCheck(const std::vector<std::string>& scripts, bool werror, std::ostream& out, std::ostream& err) {
    int failed = 0;
    int errors = 0;
    int warnings = 0;
    for (const std::string& path : scripts) {
        CheckResult r = CheckScriptFile(path);
        if (!r.read_error.empty()) {
            err << "match: " << r.read_error << '\n';
            ++errors;
        }
        for (const Diagnostic& d : r.diagnostics) {
            out << FormatDiagnostic(path, d) << '\n';
            ++(d.severity == Severity::kError ? errors : warnings);
        }
        if (r.HasErrors() || (werror && r.HasWarnings())) ++failed;
    }
    out.flush();
    err << "match: checked " << scripts.size() << (scripts.size() == 1 ? " script: " : " scripts: ") << errors
        << (errors == 1 ? " error, " : " errors, ") << warnings << (warnings == 1 ? " warning" : " warnings");
    if (failed > 0) err << "; " << failed << " failed";
    err << '\n';
    return failed > 0 ? 1 : 0;
}

}  // namespace match
