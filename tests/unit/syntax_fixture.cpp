// Helpers of the syntax analyser tests (see syntax_fixture.h).
#include "syntax_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "lang/dump.h"
#include "lang/syn.h"

namespace {

// A script file that exists for as long as the object does.
class TempScript {
public:
    explicit TempScript(const std::string& text) {
        char name[] = "/tmp/syntax_test_XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0) ADD_FAILURE() << "cannot create a temporary script";
        std::FILE* file = fdopen(fd, "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        path = name;
    }
    ~TempScript() { unlink(path.c_str()); }
    const char* Path() const { return path.c_str(); }

private:
    std::string path;
};

}  // namespace

std::string CaptureStdout(const std::function<void()>& action) {
    std::fflush(stdout);
    std::FILE* sink = std::tmpfile();
    int saved = dup(fileno(stdout));
    dup2(fileno(sink), fileno(stdout));
    action();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    std::rewind(sink);
    for (int c = std::fgetc(sink); c != EOF; c = std::fgetc(sink)) text += static_cast<char>(c);
    std::fclose(sink);
    return text;
}

std::string CrLf(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

std::string Numbered(std::initializer_list<const char*> elements) {
    std::string dump;
    int number = 1;
    for (const char* element : elements) dump += std::to_string(number++) + " " + element + "\n";
    return dump;
}

CompiledScript::CompiledScript(const std::string& text, bool debug) {
    TempScript file(text);
    lexic = std::make_unique<CLexic>(file.Path());
    executer = std::make_unique<CExecuter>(nullptr, nullptr);
    executer->SetDebugMode(debug ? 1 : -1);
    run = std::make_unique<CRun>(executer.get());
    // A lexical failure does not stop the test: the analyser must cope with bad lexemes.
    CaptureStdout([&] { lexic->MakeAnalysis(); });
    output = CaptureStdout([&] {
        CSyntax syntax(lexic->GetBegin(), run.get(), lexic.get());
        passed = syntax.MakeAnalysis();
    });
}

std::string CompiledScript::Dump() const { return DumpProgram(*executer); }

std::string CompiledScript::Run() {
    return CaptureStdout([&] { run->Execute(); });
}

std::map<std::string, std::vector<int>> CompiledScript::Variables() const {
    std::map<std::string, std::vector<int>> table;
    const CExecuter::CVarTable& vars = executer->GetVarTable();
    for (int i = 0; i < vars.GetCount(); ++i) {
        const CVar& var = vars.GetEntry(i);
        const int* cells = var.GetValueAddr();
        table[var.GetName()] = std::vector<int>(cells, cells + var.GetCount());
    }
    return table;
}
