// Game data and macro names checked against the robot's own tables: a read is resolved as the
// robot resolves it, and suggestions come from the fields and macros the robot has.
#include "match/check/game_names.h"

#include <iterator>
#include <string>

#include "lang/builtins.h"
#include "lang/exec.h"
#include "match/check/nearest.h"
#include "match/check/token_walk.h"
#include "match/check/warnings.h"
#include "robot/data.h"

namespace match {
namespace {

// The records whose fields a second name part reads.
const char* const kRecords[] = {".you", ".players", ".market"};

// One read of game data as the syntax analyser pairs its name parts.
struct DataRead {
    const Token* first = nullptr;
    const Token* second = nullptr;  // null for a single name
    std::string index;              // the index as written, brackets included; empty when none
};

bool IsRecord(const std::string& name) {
    for (const char* record : kRecords)
        if (name == record) return true;
    return false;
}

std::vector<std::string> Records() {
    return std::vector<std::string>(std::begin(kRecords), std::end(kRecords));
}

std::string Shown(const DataRead& read) {
    return read.first->text + read.index + (read.second ? read.second->text : "");
}

// The read as it was probably meant, or an empty text when nothing close exists.
std::string Suggestion(const DataRead& read) {
    const std::string& first = read.first->text;
    if (!read.second) {
        // A record alone has no value: its first field is the likely aim.
        if (IsRecord(first))
            return first + (first == ".players" ? "[i]" : "") + CData::FieldNames(first.c_str())[0];
        return NearestName(first, CData::FieldNames(nullptr));
    }
    if (!IsRecord(first)) {
        const std::string record = NearestName(first, Records());
        return record.empty() ? std::string() : record + read.index + read.second->text;
    }
    const std::string field = NearestName(read.second->text, CData::FieldNames(first.c_str()));
    return field.empty() ? std::string() : first + read.index + field;
}

bool Readable(const DataRead& read) {
    const CDataField field =
        CData::Resolve(read.first->text.c_str(), read.second ? read.second->text.c_str() : nullptr);
    return field.found && field.short_names.empty();
}

// The index group's text as written, on one line.
std::string IndexText(const ScriptText& text, const Token& open, const Token& close) {
    std::string written;
    for (std::size_t i = open.offset;
         i < close.offset + close.text.size() && i < text.Bytes().size(); ++i) {
        const char c = text.Bytes()[i];
        const bool white = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!white) written += c;
    }
    return written;
}

// Pairs the name parts as the analyser does: a part, then an index and a part, or a part.
std::vector<DataRead> DataReads(const ScriptText& text, const std::vector<Token>& tokens) {
    const TokenWalk walk(tokens);
    std::vector<DataRead> reads;
    std::vector<bool> taken(tokens.size(), false);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != lx_robotdata || taken[i]) continue;
        DataRead read;
        read.first = &tokens[i];
        std::size_t next = i + 1;
        if (next < tokens.size() && tokens[next].text == "[") {
            const std::size_t after = walk.SkipGroup(next);
            if (after >= tokens.size() || after == next + 1 || tokens[after].kind != lx_robotdata)
                continue;
            read.index = IndexText(text, tokens[next], tokens[after - 1]);
            next = after;
        }
        if (next < tokens.size() && tokens[next].kind == lx_robotdata) {
            read.second = &tokens[next];
            taken[next] = true;
        }
        reads.push_back(read);
    }
    return reads;
}

}  // namespace

std::vector<Diagnostic> DataNameWarnings(const ScriptText& text, const std::vector<Token>& tokens) {
    std::vector<Diagnostic> out;
    for (const DataRead& read : DataReads(text, tokens)) {
        if (Readable(read)) continue;
        const std::string nearest = Suggestion(read);
        out.push_back(
            {read.first->line, Severity::kWarning,
             "'" + Printable(Shown(read)) +
                 kNoGameData + ": reading it stops the robot with error " +
                 std::to_string(kUnknownDataErrorNumber) +
                 (nearest.empty() ? "" : kDidYouMean + nearest + "?")});
    }
    return out;
}

std::vector<Diagnostic> MacroWarnings(const std::vector<Token>& tokens) {
    std::vector<std::string> known;
    for (int i = 0; MacroName(i) != nullptr; ++i) known.push_back(MacroName(i));
    std::vector<Diagnostic> out;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const Token& name = tokens[i + 1];
        if (tokens[i].kind != lx_func || tokens[i].text != kMacroFunction ||
            name.kind != lx_str_const)
            continue;
        if (FindMacro(name.text.c_str()) >= 0) continue;
        const std::string nearest = NearestName(name.text, known);
        out.push_back({name.line, Severity::kWarning,
                       "'?macro " + Printable(name.text) +
                           "' is no macro the robot knows: the run stops there with error " +
                           std::to_string(kRuntimeErrorNumber) + " (" +
                           RuntimeFaultText(RuntimeFault::kWrongMacros) + ")" +
                           (nearest.empty() ? "" : kDidYouMean + std::string(kMacroFunction) + " " + nearest + "?")});
    }
    return out;
}

}  // namespace match
