// A readable listing of a compiled program, one element per line, for tests and diagnosis.
#ifndef MOD_LANG_DUMP_H
#define MOD_LANG_DUMP_H

#include <string>

#include "lang/exec.h"

// One element as "ClassName argument...", without its number.
std::string DumpElem(const PolizElem* e);

// The whole program, each line "number ClassName argument..." and a line feed,
// numbered from 1 as jump targets are.
std::string DumpProgram(const CExecuter& exe);

#endif
