// The error reporter: prints reports, asks whether to go on, ends the process on "no".
#ifndef UI_ONERROR_H
#define UI_ONERROR_H

#include <string>

// Remembers the last error's number and text; prompting reports end the process unless
// the user answers "y".
class CError {
public:
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
