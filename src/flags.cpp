// Command-line settings of the robot and the scan that fills them.
#include "flags.h"

#include <cstring>

bool flag_printlex = false;
int flag_botname = -1;
int flag_host = -1;
int flag_wait = -1;
int flag_debug = -1;
int flag_colvo = 0;

namespace {

bool Is(const char* arg, const char* long_form, const char* short_form) {
    return std::strcmp(arg, long_form) == 0 || std::strcmp(arg, short_form) == 0;
}

// A value option points at the argument after it, if there is one.
void SetValueIndex(int& flag, int index, int argc) {
    if (index + 1 < argc) flag = index + 1;
}

}  // namespace

void GetFlags(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!arg) continue;
        if (Is(arg, "-printlex", "-pl")) flag_printlex = true;
        if (Is(arg, "-name", "-n")) SetValueIndex(flag_botname, i, argc);
        if (Is(arg, "-host", "-h")) SetValueIndex(flag_host, i, argc);
        if (Is(arg, "-wait", "-w")) SetValueIndex(flag_wait, i, argc);
        if (Is(arg, "-debug", "-d")) flag_debug = 1;
        if (Is(arg, "-inf", "-i")) flag_colvo = 1;
    }
}
