// match --lsp as an editor starts it: a child process spoken to over pipes, from initialize to
// exit, on a script with a misspelt data name.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "run_program.h"

namespace {

using nlohmann::json;

std::string Framed(const json& message) {
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

json Message(const json& id, const std::string& method, const json& params) {
    json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
    if (!id.is_null()) m["id"] = id;
    return m;
}

// The bodies of the messages in `out`, in order.
std::vector<json> Messages(const std::string& out) {
    std::vector<json> messages;
    const std::string separator = "\r\n\r\n";
    for (std::size_t at = out.find("Content-Length: "); at != std::string::npos;
         at = out.find("Content-Length: ", at)) {
        const std::size_t length = std::stoul(out.substr(at + 16));
        const std::size_t body = out.find(separator, at) + separator.size();
        messages.push_back(json::parse(out.substr(body, length)));
        at = body + length;
    }
    return messages;
}

TEST(LanguageServer, ReportsAMisspeltDataNameOnItsLineThenShutsDown) {
    const std::string script = "{\r\n  $x := .you.monye;\r\n  ?turn\r\n}\r\n";
    const std::string uri = "file:///tmp/misspelt.robot";
    const std::string input =
        Framed(Message(1, "initialize", {{"processId", nullptr}, {"capabilities", json::object()}})) +
        Framed(Message(nullptr, "initialized", json::object())) +
        Framed(Message(nullptr, "textDocument/didOpen",
                       {{"textDocument", {{"uri", uri}, {"languageId", "robot"}, {"version", 1}, {"text", script}}}})) +
        Framed(Message(2, "shutdown", nullptr)) + Framed(Message(nullptr, "exit", nullptr));
    ProgramResult run = RunProgram(MATCH_BINARY, {"--lsp"}, input);
    ASSERT_TRUE(run.exited) << run.error << run.err;
    EXPECT_EQ(run.status, 0);
    const std::vector<json> messages = Messages(run.out);
    ASSERT_EQ(messages.size(), 3u) << run.out;
    EXPECT_TRUE(messages[0]["result"]["capabilities"]["hoverProvider"].get<bool>());
    const json& published = messages[1]["params"];
    EXPECT_EQ(published["uri"], uri);
    ASSERT_EQ(published["diagnostics"].size(), 1u) << published.dump();
    const json& d = published["diagnostics"][0];
    EXPECT_NE(d["message"].get<std::string>().find("did you mean .you.money?"), std::string::npos);
    EXPECT_EQ(d["range"]["start"], json({{"line", 1}, {"character", 2}}));
    EXPECT_EQ(d["severity"], 2);
    EXPECT_EQ(messages[2]["id"], 2);
}

}  // namespace
