// Shared fixture of the runtime tests: a program built by hand, run with captured output and
// with every runtime prompt answered "y".
#ifndef TESTS_UNIT_RUNTIME_FIXTURE_H
#define TESTS_UNIT_RUNTIME_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lang/builtins.h"
#include "lang/exec.h"
#include "lang/run.h"

// Runtime fixture: an executor, its program and helpers to build, run and inspect it.
class RuntimeTest : public ::testing::Test {
public:
    // Every prompt of a test is answered "y" from a file of its own: tests run in parallel
    // processes, so the file gets a unique name and is unlinked as soon as stdin holds it.
    void SetUp() override {
        std::string path = ::testing::TempDir() + "runtime_answers_XXXXXX";
        int fd = mkstemp(&path[0]);
        ASSERT_GE(fd, 0);
        std::string answers;
        for (int i = 0; i < 200; ++i) answers += "y\n";
        ASSERT_EQ(write(fd, answers.data(), answers.size()), static_cast<ssize_t>(answers.size()));
        close(fd);
        ASSERT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
        unlink(path.c_str());
    }

    RuntimeTest& Int(int v) { return Add(new PolizConstInt(v)); }
    RuntimeTest& Str(const char* text) {
        texts.emplace_back(text);
        return Add(new PolizConstStr(&texts.back()[0]));
    }
    RuntimeTest& Add(PolizElem* e) {
        run.AddElem(e);
        return *this;
    }
    // A new[] copy of a generated label, as the parser hands it to a conditional jump.
    static char* Label(const char* text) {
        char* copy = new char[std::strlen(text) + 1];
        std::strcpy(copy, text);
        return copy;
    }

    std::string Run() {
        ::testing::internal::CaptureStdout();
        run.Execute();
        return ::testing::internal::GetCapturedStdout();
    }
    std::string RunDebug() {
        exe.SetDebugMode(1);
        return Run();
    }

    // Pops every value left on the stack, top first.
    std::vector<int> Drain() {
        std::vector<int> values;
        while (!exe.IsStackEmpty()) {
            PolizElem* e = exe.Pop();
            auto c = dynamic_cast<PolizConstInt*>(e);
            values.push_back(c ? c->Get() : -999999);
            delete e;
        }
        return values;
    }

    // The entry named name, or null; unlike GetVar it never creates one.
    const CVar* Entry(const char* name) const {
        const CExecuter::CVarTable& t = exe.GetVarTable();
        for (int i = 0; i < t.GetCount(); ++i)
            if (t.GetEntry(i).IsNameEq(name)) return &t.GetEntry(i);
        return nullptr;
    }
    std::vector<int> Cells(const char* name) const {
        const CVar* v = Entry(name);
        if (!v) return {};
        return std::vector<int>(v->GetValueAddr(), v->GetValueAddr() + v->GetCount());
    }

    static int Count(const std::string& text, const std::string& piece) {
        int n = 0;
        for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
            ++n;
        return n;
    }
    static std::string Report(const std::string& msg) {
        return "\n\n~Error: Runtime error. " + msg +
               "\n :: -750\n~Try to continue (may be errors)? [y/n]";
    }

    CExecuter exe{nullptr, nullptr};
    CRun run{&exe};
    std::vector<std::string> texts;  // string constants' texts; reserve keeps them in place

    RuntimeTest() { texts.reserve(64); }
};

#endif
