// Benchmark of the language server's answer to an edit: a 2,000-line script changed, checked
// as --check checks it, and its diagnostics published.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "match/lsp/server.h"

namespace {

constexpr int kLines = 2000;
constexpr char kUri[] = "file:///bench.robot";

// A script of kLines lines with a misspelt data name every hundred lines, so each check finds
// diagnostics to place.
std::string ScriptText(int edit) {
    std::string text = "{\r\n  $i := " + std::to_string(edit) + ";\r\n  @top;\r\n";
    for (int line = 3; line < kLines - 3; ++line) {
        switch (line % 4) {
            case 0: text += "  $a[$i % 8] := ($i + 3) * 2 - .you.money / 4;\r\n"; break;
            case 1: text += line % 100 == 1 ? "  $b := .you.monye;\r\n" : "  if ($a[1] < 10) $b := 1; else $b := -$b;\r\n"; break;
            case 2: text += "  ?buy .players[$i].raw, .market.raw_price + 1;\r\n"; break;
            default: text += "  $i := $i + 1;\r\n"; break;
        }
    }
    return text + "  if ($i < 3) goto @top;\r\n  ?turn\r\n}\r\n";
}

std::string Message(const std::string& method, const nlohmann::json& params) {
    return nlohmann::json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump();
}

void BM_DiagnosticsAfterAChange(benchmark::State& state) {
    std::ostringstream out;
    match::lsp::Server server(out, "bench");
    server.HandleMessage(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})");
    server.HandleMessage(Message("textDocument/didOpen",
                                 {{"textDocument", {{"uri", kUri}, {"languageId", "robot"}, {"version", 0},
                                                    {"text", ScriptText(0)}}}}));
    const std::string changes[] = {
        Message("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 1}}},
                                           {"contentChanges", {{{"text", ScriptText(1)}}}}}),
        Message("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                           {"contentChanges", {{{"text", ScriptText(2)}}}}}),
    };
    int edit = 0;
    for (auto _ : state) {
        out.str(std::string());
        server.HandleMessage(changes[edit++ % 2]);
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_DiagnosticsAfterAChange)->Unit(benchmark::kMillisecond);

}  // namespace
