// Speed of the lexical analyser on a 5 MB script of ordinary statements.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lang/lex.h"

namespace {

constexpr size_t kScriptBytes = 5u << 20;  // 5 MB

// A script of assignments, conditions and robot commands in a file removed at exit.
struct BenchScript {
    BenchScript() : path(Write()) {}
    ~BenchScript() { unlink(path.c_str()); }
    static std::string Write();
    std::string path;
};

std::string BenchScript::Write() {
    const std::string statements =
        "  $money := .you.money - 2 * .market.raw_price;\r\n"
        "  if ($money > 10000 & .you.raw < 4) ?buy 2, .market.raw_price;\r\n"
        "  $a[3] := ($b + 17) % 5;\r\n"
        "  ?print \"turn \", $turn;\r\n"
        "  @next_turn;\r\n";
    std::string text = "{\r\n";
    while (text.size() < kScriptBytes) text += statements;
    text += "}\r\n";
    char path[] = "/tmp/lex_benchXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::abort();
    }
    close(fd);
    return path;
}

void BM_LexFiveMegabyteScript(benchmark::State& state) {
    static const BenchScript script;
    for (auto _ : state) {
        CLexic lexic(script.path.c_str());
        benchmark::DoNotOptimize(lexic.MakeAnalysis());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kScriptBytes));
}
BENCHMARK(BM_LexFiveMegabyteScript)->Unit(benchmark::kMillisecond);

}  // namespace
