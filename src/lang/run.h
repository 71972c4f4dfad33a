// The compiled program as the parser and the driver see it: the parser appends elements, the
// driver collects the labels once and runs the program once per turn through the engine.
#ifndef LANG_RUN_H
#define LANG_RUN_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <typeinfo>
#include <vector>

#include "ui/onerror.h"

class CExecuter;
class CEngine;
class PolizElem;

// The compiled program: the parser appends to it, the driver runs it once per turn.
class CRun {
public:
    explicit CRun(CExecuter* executer);
    ~CRun();
    CRun(const CRun&) = delete;
    CRun& operator=(const CRun&) = delete;

    // Appends an element made for the statement at `line` of the script (0: unknown).
    void AddElem(PolizElem* elem, int line = 0);
    void LabelCollect();
    void Execute();
    bool Debug(const char* fmt, const char* data = nullptr);

    // Ends each later Execute() quietly, as at the program's end, once it has executed
    // steps elements; 0 means no limit.
    void SetStepBudget(std::uint64_t steps) { budget = steps; }
    // Whether the last Execute() ended because the step budget ran out.
    bool BudgetExhausted() const { return exhausted; }
    // The script lines of the runtime errors (-700, -750) reported during the last
    // Execute(), in order; each also went to the side file, when there is one.
    const std::vector<int>& ErrorLines() const { return error_lines; }

private:
    // While it lives, the process's reports are told to the run (CError::SetWatcher).
    class ReportWatch {
    public:
        explicit ReportWatch(CRun* run);
        ~ReportWatch();
        ReportWatch(const ReportWatch&) = delete;
        ReportWatch& operator=(const ReportWatch&) = delete;

    private:
        static void Told(void* run, int number);
        CError::Watcher previous;
    };
    // Notes the line of a runtime error about to be reported.
    void NoteReport(int number);
    // The element being run: the engine's report site, else the one label collection is at.
    unsigned int CurrentElement() const;

    CExecuter* exe;
    std::unique_ptr<CEngine> engine;
    // Numbers of the elements that may define a label, noted as they are added while they
    // are still in the cache: label collection then visits these alone, not every element.
    std::vector<unsigned int> label_elements;
    // Whether elements of a class may define a label, remembered by class: a program has a
    // few classes, so each is examined once, not once per element.
    struct ClassVerdict {
        const std::type_info* type = nullptr;
        bool label = false;
    };
    static constexpr std::size_t kVerdictPlaces = 64;  // a power of two above the classes
    bool MayDefineLabel(PolizElem* e);
    std::array<ClassVerdict, kVerdictPlaces> verdicts{};
    bool collected;
    std::uint64_t budget;
    bool exhausted;
    std::vector<int> error_lines;
};

#endif
