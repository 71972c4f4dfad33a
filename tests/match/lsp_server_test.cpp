// Tests of match --lsp's protocol side: framing, JSON-RPC errors, the lifecycle, documents and
// their diagnostics, driven through in-memory streams; and the server's diagnostics against
// --check's on every example and faulty script.
#include "match/lsp/server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "match/lsp/framing.h"

namespace match::lsp {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Request(int id, const std::string& method, const json& params = json::object()) {
    return json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump();
}

std::string Notify(const std::string& method, const json& params = json::object()) {
    return json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump();
}

// One warning on the script's second line, whatever the text.
CheckResult SecondLineWarning(const std::string&) {
    return CheckResult{"", {Diagnostic{2, Severity::kWarning, "w"}}};
}

struct Session {
    std::vector<json> messages;
    int exit_code;
};

// Runs the server on `input` and reads back every message it wrote.
Session RunServer(const std::string& input, Checker check = SecondLineWarning) {
    std::istringstream in(input);
    std::ostringstream out;
    Server server(out, "test", std::move(check));
    Session session{{}, Serve(in, server)};
    std::istringstream written(out.str());
    for (Frame f = ReadFrame(written); f.kind == Frame::Kind::kMessage; f = ReadFrame(written))
        session.messages.push_back(json::parse(f.body));
    return session;
}

std::string Initialized() { return Framed(Request(0, "initialize")) + Framed(Notify("initialized")); }

json OpenParams(const std::string& text, const std::string& uri = "file:///a.robot") {
    return {{"textDocument", {{"uri", uri}, {"languageId", "robot"}, {"version", 1}, {"text", text}}}};
}

json At(int line, int character) {
    return {{"textDocument", {{"uri", "file:///a.robot"}}}, {"position", {{"line", line}, {"character", character}}}};
}

TEST(LspFraming, ReadsHeadersRobustly) {
    struct Case {
        const char* name;
        std::string input;
        Frame::Kind kind;
        std::string body_or_problem;
    };
    const Case cases[] = {
        {"plain", "Content-Length: 2\r\n\r\n{}", Frame::Kind::kMessage, "{}"},
        {"any case, other headers", "content-length:2\r\nContent-Type: x\r\n\r\n{}", Frame::Kind::kMessage, "{}"},
        {"bare line feeds", "\n\nCONTENT-LENGTH: 2\n\n{}", Frame::Kind::kMessage, "{}"},
        {"no length", "Content-Type: x\r\n\r\n", Frame::Kind::kBadHeader, "no Content-Length"},
        {"length not a number", "Content-Length: -1\r\n\r\n", Frame::Kind::kBadHeader, "not a number"},
        {"length too large", "Content-Length: 99999999999999999999\r\n\r\n", Frame::Kind::kBadHeader, "over"},
        {"two lengths", "Content-Length: 2\r\nContent-Length: 2\r\n\r\n{}", Frame::Kind::kBadHeader, "two"},
        {"no colon", "Content-Length: 2\r\nnonsense\r\n\r\n{}", Frame::Kind::kBadHeader, "without ':'"},
        {"header line too long", std::string(kMaxHeaderLineBytes + 1, 'x') + "\r\n\r\n", Frame::Kind::kBadHeader,
         "longer"},
        {"body cut short", "Content-Length: 9\r\n\r\n{}", Frame::Kind::kEnd, ""},
        {"headers cut short", "Content-Length: 9\r\n", Frame::Kind::kEnd, ""},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.input);
        Frame frame = ReadFrame(in);
        EXPECT_EQ(frame.kind, c.kind) << c.name;
        const std::string& got = frame.kind == Frame::Kind::kMessage ? frame.body : frame.problem;
        EXPECT_NE(got.find(c.body_or_problem), std::string::npos) << c.name << ": " << got;
    }
}

// Each body is sent after initialize; the last message written answers it. (Every feature's
// routing is exercised by the protocol client test in tests/lsp.)
TEST(LspDispatch, AnswersEachMessage) {
    struct Case {
        const char* name;
        std::string body;
        int error;  // 0: a result is expected
        const char* result_type;
    };
    const std::string open = Framed(Notify("textDocument/didOpen", OpenParams("a\nb\n")));
    const Case cases[] = {
        {"not JSON", "{\"jsonrpc\":", static_cast<int>(ErrorCode::kParseError), ""},
        {"nested too deep", std::string(100000, '[') + std::string(100000, ']'),
         static_cast<int>(ErrorCode::kParseError), ""},
        {"not an object", "[1,2]", static_cast<int>(ErrorCode::kInvalidRequest), ""},
        {"no jsonrpc", R"({"id":1,"method":"shutdown"})", static_cast<int>(ErrorCode::kInvalidRequest), ""},
        {"method not a string", R"({"jsonrpc":"2.0","id":1,"method":7})", static_cast<int>(ErrorCode::kInvalidRequest), ""},
        {"id an object", R"({"jsonrpc":"2.0","id":{},"method":"shutdown"})", static_cast<int>(ErrorCode::kInvalidRequest), ""},
        {"unknown request", Request(1, "textDocument/nothing"), static_cast<int>(ErrorCode::kMethodNotFound), ""},
        {"initialize twice", Request(1, "initialize"), static_cast<int>(ErrorCode::kInvalidRequest), ""},
        {"document not open", Request(1, "textDocument/hover", At(0, 0)), static_cast<int>(ErrorCode::kInvalidParams), ""},
        {"negative position", Request(1, "textDocument/hover", At(-1, 0)), static_cast<int>(ErrorCode::kInvalidParams), ""},
        {"position missing", Request(1, "textDocument/completion", {{"textDocument", {{"uri", "file:///a.robot"}}}}),
         static_cast<int>(ErrorCode::kInvalidParams), ""},
        {"completion", Request(1, "textDocument/completion", At(0, 1)), 0, "array"},
        {"shutdown", Request(1, "shutdown"), 0, "null"},
    };
    for (const Case& c : cases) {
        const bool needs_document = c.error == 0 || std::string(c.name) == "negative position" ||
                                    std::string(c.name) == "position missing";
        Session s = RunServer(Initialized() + (needs_document ? open : "") + Framed(c.body));
        ASSERT_FALSE(s.messages.empty()) << c.name;
        const json& last = s.messages.back();
        if (c.error != 0) {
            EXPECT_EQ(last["error"]["code"], c.error) << c.name << ": " << last.dump();
        } else {
            ASSERT_TRUE(last.contains("result")) << c.name << ": " << last.dump();
            if (*c.result_type) {
                EXPECT_EQ(last["result"].type_name(), std::string(c.result_type)) << c.name;
            }
        }
    }
}

TEST(LspLifecycle, RequestsBeforeInitializeAndAfterShutdown) {
    Session early = RunServer(Framed(Request(1, "textDocument/completion", At(0, 0))));
    EXPECT_EQ(early.messages.at(0)["error"]["code"], static_cast<int>(ErrorCode::kServerNotInitialized));
    Session late = RunServer(Initialized() + Framed(Request(1, "shutdown")) + Framed(Request(2, "textDocument/hover", At(0, 0))));
    EXPECT_EQ(late.messages.at(2)["error"]["code"], static_cast<int>(ErrorCode::kInvalidRequest));
}

TEST(LspLifecycle, ExitCodeSaysWhetherShutdownCame) {
    struct Case {
        std::string input;
        int exit_code;
    };
    const Case cases[] = {
        {Initialized() + Framed(Request(1, "shutdown")) + Framed(Notify("exit")), 0},
        {Initialized() + Framed(Notify("exit")) + Framed(Request(1, "shutdown")), 1},
        {Framed(Notify("exit")), 1},
        {Initialized(), 1},  // the input ends
        {Initialized() + Framed(Request(1, "shutdown")), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(RunServer(c.input).exit_code, c.exit_code) << c.input;
}

TEST(LspDiagnostics, CoverTheLineFromItsFirstNonBlankCharacter) {
    struct Case {
        std::string text;
        int start;
        int end;
    };
    const Case cases[] = {
        {"x\r\n  ab\r\n", 2, 4},                  // CR LF
        {"x\r\t\xF0\x9F\x98\x80" "a", 1, 4},      // a lone CR; a character of two UTF-16 units
        {"x\n\xC3\xA9\n", 0, 1},                  // two bytes, one unit
        {"x", 0, 0},                              // the line is past the end
    };
    for (const Case& c : cases) {
        Session s = RunServer(Initialized() + Framed(Notify("textDocument/didOpen", OpenParams(c.text))));
        ASSERT_EQ(s.messages.size(), 2u);
        const json& d = s.messages[1]["params"]["diagnostics"].at(0);
        EXPECT_EQ(d["range"]["start"], json({{"line", 1}, {"character", c.start}})) << c.text;
        EXPECT_EQ(d["range"]["end"], json({{"line", 1}, {"character", c.end}})) << c.text;
        EXPECT_EQ(d["severity"], 2);
        EXPECT_EQ(d["source"], "match");
    }
}

TEST(LspDiagnostics, FollowChangesAndAreClearedOnClose) {
    int checks = 0;
    Checker counting = [&checks](const std::string& text) {
        ++checks;
        return text == "bad" ? SecondLineWarning(text) : CheckResult{};
    };
    const json uri = {{"uri", "file:///a.robot"}, {"version", 2}};
    Session s = RunServer(Initialized() + Framed(Notify("textDocument/didOpen", OpenParams("bad"))) +
                        Framed(Notify("textDocument/didChange", {{"textDocument", uri}, {"contentChanges", {{{"text", "good"}}}}})) +
                        Framed(Notify("textDocument/didClose", {{"textDocument", uri}})),
                    counting);
    ASSERT_EQ(s.messages.size(), 4u);
    EXPECT_EQ(s.messages[1]["params"]["diagnostics"].size(), 1u);
    EXPECT_EQ(s.messages[2]["params"]["diagnostics"].size(), 0u);
    EXPECT_EQ(s.messages[2]["params"]["version"], 2);
    EXPECT_EQ(s.messages[3]["params"]["diagnostics"].size(), 0u);
    EXPECT_EQ(checks, 2);
}

std::vector<fs::path> CheckedScripts() {
    std::vector<fs::path> scripts;
    for (const char* dir : {PROJECT_SOURCE_DIR "/examples", TEST_SOURCE_DIR "/cases"})
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.path().extension() == ".robot") scripts.push_back(entry.path());
    return scripts;
}

// --check and the server must never disagree: both report the same lines, kinds and texts.
TEST(LspDiagnostics, SameAsCheckOnEveryExampleAndFaultyScript) {
    for (const fs::path& path : CheckedScripts()) {
        std::ifstream file(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const CheckResult expected = CheckScriptFile(path.string());
        json published;
        try {
            published = RunServer(Initialized() + Framed(Notify("textDocument/didOpen", OpenParams(text))), CheckScriptText)
                            .messages.at(1)["params"]["diagnostics"];
        } catch (const json::exception&) {
            continue;  // not UTF-8: no editor sends such a text over the protocol
        }
        ASSERT_EQ(published.size(), expected.diagnostics.size()) << path;
        for (std::size_t i = 0; i < published.size(); ++i) {
            const Diagnostic& d = expected.diagnostics[i];
            EXPECT_EQ(published[i]["range"]["start"]["line"], d.line - 1) << path;
            EXPECT_EQ(published[i]["severity"], d.severity == Severity::kError ? 1 : 2) << path;
            EXPECT_EQ(published[i]["message"], d.text) << path;
        }
    }
}

}  // namespace
}  // namespace match::lsp
