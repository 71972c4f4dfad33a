// Driver of the script engine benchmarks and of the trace comparison: compiles a robot script
// and runs it as turns against game data and a robot that records its commands instead of
// sending them. It uses only the compiler's long-standing interface, so it also builds
// against older versions of the engine for before/after figures.
//
//   script_bench run FILE TURNS [MAX_SECONDS]  runs the script TURNS times; prints the time
//       of all turns, extrapolated from the turns done when MAX_SECONDS ran out
//   script_bench compile FILE                 prints compile time and peak memory growth (kB),
//       then the same for the first run
//   script_bench trace FILE TURNS             compiles and runs in debug mode, printing all
//   script_bench generate N ROBOT LUA         writes the N-statement compile program twice

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "lang/dump.h"
#include "lang/exec.h"
#include "lang/lex.h"
#include "lang/syn.h"
#include "robot/data.h"
#include "robot/robot.h"

namespace {

// Processor time of this process in seconds: the machine may be shared, so wall time is not
// what the benchmark compares.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The benchmark's robot: counts the commands of each kind instead of sending them.
class RecordingRobot : public CRobot {
public:
    explicit RecordingRobot(CData* data) : CRobot(data, nullptr) {}
    void Turn() override { ++turns; }
    void Upgrade() override { ++upgrades; }
    void Prod(int n) override { produced += n; }
    void Sell(int n, int cost) override { sold += static_cast<long long>(n) * cost; }
    void Buy(int n, int cost) override { bought += static_cast<long long>(n) * cost; }

    long long turns = 0, upgrades = 0, produced = 0, sold = 0, bought = 0;
};

// Game data with a few players and a market, as a turn would see them.
void FillData(CData& data) {
    data.players_count = 4;
    for (int i = 0; i < 4; ++i) {
        data.players[i].money = 10000 + 500 * i;
        data.players[i].raw = 2 + i;
        data.players[i].prod = 1 + i;
        data.players[i].fabrics = 2;
    }
    data.you = data.players[0];
    data.market.raw = 8;
    data.market.prod = 6;
    data.market.min_raw_price = 500;
    data.market.max_prod_price = 5500;
}

// Peak resident memory of this process, in kB.
long PeakKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
    std::fclose(f);
    return kb;
}

double Seconds(double since) { return CpuSeconds() - since; }

// One compiled script with its executor and robot.
struct Program {
    CData data;
    std::unique_ptr<RecordingRobot> robot;
    std::unique_ptr<CExecuter> exe;
    std::unique_ptr<CRun> run;
    std::unique_ptr<CLexic> lexic;
    std::unique_ptr<CSyntax> syntax;

    bool Compile(const char* path, int debug) {
        FillData(data);
        robot.reset(new RecordingRobot(&data));
        exe.reset(new CExecuter(&data, robot.get()));
        exe->SetDebugMode(debug);
        run.reset(new CRun(exe.get()));
        lexic.reset(new CLexic(path));
        if (!lexic->MakeAnalysis()) return false;
        syntax.reset(new CSyntax(lexic->GetBegin(), run.get()));
        return syntax->MakeAnalysis();
    }
};

int RunTurns(const char* path, long turns, double max_seconds) {
    Program p;
    if (!p.Compile(path, -1)) return 1;
    double start = CpuSeconds();
    long done = 0;
    while (done < turns) {
        p.run->Execute();
        ++done;
        if (max_seconds > 0 && (done & 15) == 0 && Seconds(start) > max_seconds) break;
    }
    double spent = Seconds(start);
    std::fprintf(stderr, "%.4f %s\n", spent * static_cast<double>(turns) / static_cast<double>(done),
                 done < turns ? "extrapolated" : "measured");
    return 0;
}

int CompileOnly(const char* path) {
    long base = PeakKb();
    double start = CpuSeconds();
    Program p;
    if (!p.Compile(path, -1)) return 1;
    p.run->LabelCollect();
    double spent = Seconds(start);
    long compiled = PeakKb();
    // The first run, which includes lowering where the engine lowers the program.
    start = CpuSeconds();
    p.run->Execute();
    double first_run = Seconds(start);
    std::fprintf(stderr, "%.4f %ld %.4f %ld\n", spent, compiled - base, first_run,
                 PeakKb() - compiled);
    return 0;
}

int Trace(const char* path, long turns) {
    Program p;
    bool passed = p.Compile(path, 1);
    std::printf("\n== passed %d\n%s", passed ? 1 : 0, DumpProgram(*p.exe).c_str());
    if (!passed) return 0;
    for (long i = 0; i < turns; ++i) p.run->Execute();
    std::printf("\n== robot %lld %lld %lld %lld %lld\n", p.robot->turns, p.robot->upgrades,
                p.robot->produced, p.robot->sold, p.robot->bought);
    return 0;
}

// Writes the compile benchmark's program with n statements as a robot script and as Lua.
int Generate(long n, const char* robot_path, const char* lua_path) {
    std::ofstream robot(robot_path), lua(lua_path);
    robot << "{\n";
    lua << "local a, b, c, i, s = {}, 0, 0, 0, 0\n"
           "local you = {money = 1}\nlocal function buy(n, p) end\n"
           "local function say(f, x, y) end\n";
    for (long k = 0; k < n; ++k) {
        std::string m = std::to_string(k % 97);
        switch (k % 5) {
            case 0:
                robot << "$a[$i % 8] := ($i + " << m << ") * 2 - .you.money / 4 + $b * ($c - 7);\n";
                lua << "a[i % 8] = (i + " << m << ") * 2 - you.money // 4 + b * (c - 7)\n";
                break;
            case 1:
                robot << "if (($b < " << m << ") & ($c = 0)) $b := $b + 1; else $c := -$c - " << m << ";\n";
                lua << "if (b < " << m << ") and (c == 0) then b = b + 1 else c = -c - " << m << " end\n";
                break;
            case 2:
                robot << "$s := $s + ($i * " << m << " + $b) % 1000 - $c / 3;\n";
                lua << "s = s + (i * " << m << " + b) % 1000 - c // 3\n";
                break;
            case 3:
                robot << "?buy ($b + " << m << ") % 5 + 1, .you.money / 10 + " << m << ";\n";
                lua << "buy((b + " << m << ") % 5 + 1, you.money // 10 + " << m << ")\n";
                break;
            default:
                robot << "?print \"step %d of %d\", $s + " << m << ", $i * 2;\n";
                lua << "say(\"step %d of %d\", s + " << m << ", i * 2)\n";
                break;
        }
    }
    robot << "?turn\n}\n";
    return robot && lua ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run" && argc >= 4)
        return RunTurns(argv[2], std::atol(argv[3]), argc > 4 ? std::atof(argv[4]) : 0);
    if (mode == "compile" && argc >= 3) return CompileOnly(argv[2]);
    if (mode == "trace" && argc >= 4) return Trace(argv[2], std::atol(argv[3]));
    if (mode == "generate" && argc >= 5) return Generate(std::atol(argv[2]), argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: script_bench run FILE TURNS [MAX_SECONDS] | compile FILE |"
                 " trace FILE TURNS | generate N ROBOT LUA\n");
    return 2;
}
