// The lexical analyser: cuts a robot script file into a linked list of lexemes.
#ifndef MOD_LANG_LEX_H
#define MOD_LANG_LEX_H

#include <cstdio>
#include <string>

#include "ui/onerror.h"

// Lexeme kinds; the values are fixed because other stages compare against them.
enum lxType {
    lx_err = 0,
    lx_begin = 1,
    lx_robotdata = 2,
    lx_assign = 3,
    lx_spacer = 4,
    lx_int_const = 5,
    lx_str_const = 6,
    lx_var = 7,
    lx_label = 8,
    lx_func = 9,
    lx_keyword = 10
};

// Whether a lexeme is well formed.
enum lxCorrect { ok = 0, not_ok = 1 };

// States of the analyser's character-driven state machine.
enum EState {
    S_INIT = 0,
    S_NTHNG = 1,
    S_ERR = 2,
    S_ROBOT = 3,
    S_VARBL = 4,
    S_ASSGN = 5,
    S_SPACE = 6,
    S_NUMBR = 7,
    S_STRNG = 8,
    S_LABEL = 9,
    S_FUNCT = 10,
    S_KEYWD = 11
};

// One token of the script in a singly linked list; destroying a lexeme destroys the rest
// of the list after it.
struct Lexeme {
    Lexeme* next;
    char* s;  // owned text exactly as written; a string constant keeps its quotes
    int line;
    lxType id;
    lxCorrect sign;

    Lexeme();
    ~Lexeme();
    Lexeme(const Lexeme&) = delete;
    Lexeme& operator=(const Lexeme&) = delete;

    // Completes the lexeme: its text becomes a copy of `text`, its line `current_line`.
    void MakeOk(const char* text, int current_line);
};

// True when `c` is one of the characters of `str` (the terminating NUL never matches).
bool IsStr(char c, const char* str);
bool IsDigit(int c);
// ASCII letters and "_".
bool IsLetter(int c);
// The one-character separators "+-*/%()|[]<>={},&;!".
bool IsSpacer(int c);

// Reads a script file into lexemes and prints them for "-printlex".
class CLexic {
public:
    // The characters of the lexeme being read.
    class CBuffer {
    public:
        CBuffer();
        void Clear();
        void Add(char c);
        // Drops the last character; does nothing on an empty buffer.
        void Unadd();
        // A copy of the text held.
        std::string GetStr() const;

        std::string s;
        int count;  // bytes held including the terminating NUL: text length plus 1
    };

    // The script file, read character by character with one character of push-back.
    class CFile {
    public:
        CFile();
        ~CFile();
        CFile(const CFile&) = delete;
        CFile& operator=(const CFile&) = delete;

        // Opens the file in text mode; a failure is reported as -511 with the prompt.
        void Open(const char* path);
        // back == false: reads the next character into ch and appends it to the buffer
        // (at end of file ch is -1 and the byte 0xFF is appended).
        // back == true: pushes ch back into the stream and drops it from the buffer.
        int GetNextChar(bool back);
        int c() const { return ch; }

        CError error;
        std::FILE* fp;
        int ch;
        CBuffer buf;
    };

    explicit CLexic(const char* path);
    ~CLexic();
    CLexic(const CLexic&) = delete;
    CLexic& operator=(const CLexic&) = delete;

    // Reads the whole file; true when every lexeme is correct.
    bool MakeAnalysis();
    // The "-printlex" listing of the list from GetBegin().
    void Print();
    // The first lexeme; null for a script without lexemes.
    Lexeme* GetBegin() const { return begin; }

private:
    EState GetState();
    bool IsStatusChanged();
    bool IsRight();
    void Parse();
    void Parse_Init();
    void Parse_Back();
    void SubPrint(Lexeme* l);

    CError error;
    CFile file;
    EState state;
    Lexeme* begin;
    Lexeme* lex;
    int line;
};

#endif
