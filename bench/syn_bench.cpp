// Benchmark of the syntax analyser: translating a 10,000-statement script into POLIZ.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "lang/exec.h"
#include "lang/lex.h"
#include "lang/syn.h"

namespace {

constexpr int kStatements = 10000;

// A block that mixes every kind of statement the analyser translates, one per line.
std::string ScriptText() {
    std::string text = "{\r\n";
    for (int i = 0; i < kStatements; ++i) {
        switch (i % 5) {
            case 0: text += "$a[$i % 8] := ($i + 3) * 2 - .you.money / 4;\r\n"; break;
            case 1: text += "if ($a[1] < 10 & $b = 0) $b := 1; else $b := -$b;\r\n"; break;
            case 2: text += "@l" + std::to_string(i) + ";\r\n"; break;
            case 3: text += "?buy .players[$i].raw, .market.raw_price + 1;\r\n"; break;
            default: text += "?print \"%d %d\", $a, !$b;\r\n"; break;
        }
    }
    return text + "?turn\r\n}\r\n";
}

// The script written to a temporary file and cut into lexemes once, for every iteration.
class LexedScript {
public:
    LexedScript() {
        char path[] = "/tmp/syn_bench_XXXXXX";
        int fd = mkstemp(path);
        if (fd < 0) std::abort();
        std::string text = ScriptText();
        if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
        close(fd);
        lexic = std::make_unique<CLexic>(path);
        if (!lexic->MakeAnalysis()) std::abort();
        unlink(path);
    }
    Lexeme* First() const { return lexic->GetBegin(); }

private:
    std::unique_ptr<CLexic> lexic;
};

void BM_TranslateScript(benchmark::State& state) {
    static LexedScript script;
    for (auto _ : state) {
        CExecuter executer(nullptr, nullptr);
        CRun run(&executer);
        CSyntax syntax(script.First(), &run);
        bool passed = syntax.MakeAnalysis();
        benchmark::DoNotOptimize(passed);
        if (!passed) state.SkipWithError("the benchmark script did not translate");
    }
    state.SetItemsProcessed(state.iterations() * kStatements);
}
BENCHMARK(BM_TranslateScript)->Unit(benchmark::kMillisecond);

}  // namespace
