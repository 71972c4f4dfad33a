// The error reporter: prints reports, asks whether to go on, stops on "no". By default the
// answer comes from standard input and stopping ends the process; a caller (a test, a fuzzer)
// may set both.
#ifndef UI_ONERROR_H
#define UI_ONERROR_H

#include <string>

// Remembers the last error's number and text; prompting reports end the process unless
// the user answers "y".
class CError {
public:
    // Gives the answer to a prompting report: true goes on, false stops.
    using AnswerSource = bool (*)();
    // What a refused report does with its error number. It may throw to unwind out of the
    // library code that reported; if it returns, the report returns as after a "yes".
    using StopAction = void (*)(int number);

    // Set for the whole process, as every part of the robot reports through its own CError;
    // nullptr restores the robot's own (a line from standard input; exit()). Each returns the
    // one it replaces, so a caller can put it back.
    static AnswerSource SetAnswerSource(AnswerSource source);
    static StopAction SetStopAction(StopAction action);

    // Told of each report with a number before it is printed, with the context it was set
    // with: the script's runner notes where a runtime error happened.
    struct Watcher {
        void (*told)(void* context, int number) = nullptr;
        void* context = nullptr;
    };
    // Set for the whole process as well; a watcher without `told` watches nothing.
    static Watcher SetWatcher(Watcher watcher);

    CError();
    // One-shot report with the prompt, for objects made only to report.
    CError(const char* text, int number);
    ~CError();

    CError(const CError&) = delete;
    CError& operator=(const CError&) = delete;

    void OnError(const char* text, int number, bool quiet);
    void OnError(const char* text, const char* more, int number);
    void OnQuietError(int number);
    void Gum(const char* piece);
    void ClearLastText();
    void OnErrorSpit(int number, bool quiet);
    // The pending error number; reading it clears it, so a pending error is seen once.
    int get_number();

    const char* GetLastText() const { return last_error_text.c_str(); }

private:
    int number;
    std::string last_error_text;
};

#endif
