// Helpers of the example tests (see example_script.h).
#include "example_script.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "lang/syn.h"
#include "syntax_fixture.h"

namespace examples {

namespace fs = std::filesystem;

const fs::path kRoot = PROJECT_SOURCE_DIR;
const fs::path kExamples = kRoot / "examples";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<fs::path> ExampleFiles(const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kExamples))
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void FillStartingState(CData& data) {
    data.game_number = 1;
    data.you.money = 10000;
    data.you.raw = 4;
    data.you.prod = 2;
    data.you.fabrics = 2;
    data.you.auto_plants = 0;
    data.market.raw = 4;
    data.market.min_raw_price = 550;
    data.market.prod = 4;
    data.market.max_prod_price = 5600;
}

ExampleScript::ExampleScript(const fs::path& path)
    : lexic(path.c_str()), executer(&data, nullptr), run(&executer) {
    FillStartingState(data);
    output = CaptureStdout([&] { lexical_ok = lexic.MakeAnalysis(); });
    if (!lexical_ok) {
        output += CaptureStdout([&] { lexic.Print(); });
        return;
    }
    output += CaptureStdout([&] {
        CSyntax syntax(lexic.GetBegin(), &run);
        syntax_ok = syntax.MakeAnalysis();
    });
}

std::string ExampleScript::Run() {
    return CaptureStdout([&] { run.Execute(); });
}

}  // namespace examples
