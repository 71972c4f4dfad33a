// Fuzz target "lsp": the bytes are what an editor sends the language server, read after an
// initialize. The server frames, parses and dispatches them in memory, with a checker that
// needs no child process; every message it writes back must be framed JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "match/lsp/framing.h"
#include "match/lsp/server.h"

namespace {

constexpr char kInitialize[] = R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})";

// Diagnostics from the text alone: one on the first line, one on a line that may lie past the end.
match::CheckResult TextOnlyCheck(const std::string& text) {
    match::CheckResult result;
    result.diagnostics.push_back({1, match::Severity::kError, "first"});
    result.diagnostics.push_back({static_cast<int>(text.size() % 7) + 1, match::Severity::kWarning, "w"});
    return result;
}

std::string Framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Every answer must be a whole message with a JSON object body.
void CheckAnswers(const std::string& written) {
    std::istringstream in(written);
    for (;;) {
        match::lsp::Frame frame = match::lsp::ReadFrame(in);
        if (frame.kind == match::lsp::Frame::Kind::kEnd) return;
        if (frame.kind != match::lsp::Frame::Kind::kMessage) std::abort();
        const nlohmann::json answer = nlohmann::json::parse(frame.body, nullptr, false);
        if (!answer.is_object()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(Framed(kInitialize) + std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    match::lsp::Server server(out, "fuzz", TextOnlyCheck);
    match::lsp::Serve(in, server);
    CheckAnswers(out.str());
    return 0;
}
