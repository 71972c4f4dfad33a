// The program's run loop: label collection once, then one run per turn through the engine,
// with the debug mode's frame around it, and the script lines of its runtime errors.
#include "lang/run.h"

#include <cstdio>

#include "lang/engine.h"
#include "lang/exec.h"
#include "lang/sem.h"
#include "robot/data.h"
#include "ui/error_lines.h"

CRun::ReportWatch::ReportWatch(CRun* run) : previous(CError::SetWatcher({&Told, run})) {}

CRun::ReportWatch::~ReportWatch() { CError::SetWatcher(previous); }

void CRun::ReportWatch::Told(void* run, int number) { static_cast<CRun*>(run)->NoteReport(number); }

void CRun::NoteReport(int number) {
    if (number != kRuntimeErrorNumber && number != kUnknownDataErrorNumber) return;
    const int line = exe->LineOf(CurrentElement());
    error_lines.push_back(line);
    AppendErrorLine(number, line);
}

unsigned int CRun::CurrentElement() const {
    unsigned int site = engine ? engine->SiteElement() : 0;
    return site != 0 ? site : exe->cur_num;
}

CRun::CRun(CExecuter* executer)
    : exe(executer), collected(false), budget(0), exhausted(false) {}

CRun::~CRun() = default;

// A label element, or an element of a class the known-class table does not name that is
// one; a class found elsewhere in the verdicts' place of this one takes it over.
bool CRun::MayDefineLabel(PolizElem* e) {
    const std::type_info& type = typeid(*e);
    ClassVerdict& verdict =
        verdicts[(reinterpret_cast<std::uintptr_t>(&type) >> 4) & (kVerdictPlaces - 1)];
    if (verdict.type != &type) {
        int known = KnownClassOf(e);
        verdict.type = &type;
        verdict.label =
            known == kClassLabel || (known < 0 && dynamic_cast<PolizFuncLabelRead*>(e));
    }
    return verdict.label;
}

void CRun::AddElem(PolizElem* elem, int line) {
    bool label = MayDefineLabel(elem);
    exe->Append(elem, line);
    if (label) label_elements.push_back(static_cast<unsigned int>(exe->program.size()));
}

bool CRun::Debug(const char* fmt, const char* data) { return exe->Debug(fmt, data); }

void CRun::LabelCollect() {
    Debug("\nLabel Collect ::\n");
    exe->VarTable.Reserve(label_elements.size());
    for (unsigned int number : label_elements) {
        PolizElem* e = exe->program[number - 1];
        exe->cur_num = number;
        if (KnownClassOf(e) == kClassLabel) {
            const char* name = static_cast<PolizFuncLabelRead*>(e)->GetName();
            exe->SetSlot(exe->VarTable.Resolve(name), static_cast<int>(number), 0);
            Debug("VTWriteLabel[%s] ->", name);
        } else {
            e->Evaluate_main(exe);
        }
        if (Debug("Label Addr: ")) std::printf("%d", static_cast<int>(number));
    }
    Debug("\n :: Label Collect\n");
}

void CRun::Execute() {
    Debug("\n\n\n\t--- DEBUG MODE ---\n");
    error_lines.clear();
    ReportWatch watch(this);
    if (!engine || engine->IsStale()) engine.reset(new CEngine(exe));
    if (!collected) {
        LabelCollect();
        collected = true;
    }
    exhausted = false;
    // A run-ending error has been reported and nothing of this run follows it.
    CEngine::Outcome outcome = engine->Run(budget);
    if (outcome == CEngine::Outcome::kFailed) return;
    exhausted = outcome == CEngine::Outcome::kBudgetSpent;
    Debug("\n Execution end.");
    if (Debug("\n\n :: Var Table :: ")) exe->VarTable.Print();
    Debug("\n\n\t=== DEBUG MODE ===\n");
}
