// The lexical analyser: cuts a robot script file into lexemes, held one after another in one
// array of records (Lexeme, CLexemeStore).
#ifndef MOD_LANG_LEX_H
#define MOD_LANG_LEX_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/onerror.h"

// Lexeme kinds; the values are fixed because other stages compare against them. One byte
// each keeps a lexeme record small.
enum lxType : unsigned char {
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
enum class lxCorrect : unsigned char { ok = 0, not_ok = 1 };

// What a lexeme's first character makes of it (S_NTHNG: white space, no lexeme at all).
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

// One token of the script. The lexemes of an analysis sit one after another in a single
// array, closed by a record without text, so the list needs no links: the lexeme after one
// is the next record. Lexemes and their texts live in the CLexemeStore of the analyser that
// made them and are released with it, all at once.
struct Lexeme {
    char* s = nullptr;  // text exactly as written, up to a NUL byte; a string keeps its quotes
    int line = 0;       // 0 until the lexeme is completed
    lxType id = lx_err;
    lxCorrect sign = lxCorrect::not_ok;

    // The lexeme after this one; null for the last.
    Lexeme* Next() { return this[1].s ? this + 1 : nullptr; }
    const Lexeme* Next() const { return this[1].s ? this + 1 : nullptr; }
};
static_assert(sizeof(Lexeme) <= 2 * sizeof(void*), "a lexeme record is a text and 8 bytes");

// Storage for one analysis: lexeme records in one array made for the script's size, and
// texts cut from large blocks, so a lexeme costs no allocation of its own and a script's
// list is released in one go.
class CLexemeStore {
public:
    CLexemeStore() = default;
    CLexemeStore(const CLexemeStore&) = delete;
    CLexemeStore& operator=(const CLexemeStore&) = delete;

    // Makes room for a list of up to `count` lexemes; the records of an earlier list stay.
    // Only the records handed out take memory.
    void ReserveLexemes(std::size_t count);
    // A lexeme with the default fields after the last one handed out, kept as long as the
    // store; at most the count reserved.
    Lexeme* NewLexeme();
    // A NUL-terminated copy of `size` bytes of `text`, kept as long as the store.
    char* KeepText(const char* text, std::size_t size);
    // Gives the memory of the unused ends of the blocks back to the system; they stay usable.
    void ReleaseUnused();

private:
    // The unused end of the block being filled.
    struct Free {
        char* at = nullptr;
        std::size_t bytes = 0;
        std::size_t block_bytes = 0;  // size of the block being filled
    };
    struct Release {
        void operator()(char* block) const;
    };
    char* Take(Free& from, std::size_t bytes);
    char* NewBlock(std::size_t bytes);
    static void ReleaseUnused(const Free& from);

    std::vector<std::unique_ptr<char, Release>> blocks_;
    // The list being made: its next record and the records left, the closing one excluded.
    Lexeme* next_lexeme_ = nullptr;
    std::size_t lexemes_left_ = 0;
    Free texts_;
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
    // Selects the constructor that reads bytes held in memory instead of a file.
    struct FromMemory {};

    // The script, from a file or from bytes in memory; both give the same bytes. Read whole.
    class CFile {
    public:
        CFile();
        ~CFile();
        CFile(const CFile&) = delete;
        CFile& operator=(const CFile&) = delete;

        // Opens the file in text mode; a failure is reported as -511 with the prompt.
        void Open(const char* path);
        // Reads a copy of `size` bytes at `data` as the file's contents.
        void Load(const char* data, std::size_t size);
        // Reads the rest of the input into memory and gives it whole; it stays valid until
        // the next call, which gives only what came after it.
        std::string_view ReadRest();
        // Frees the bytes read; what follows reads as the end of the file.
        void Drop();

        CError error;
        std::FILE* fp;

    private:
        std::vector<char> ahead_;  // bytes read and not yet handed out, from pos_ on
        std::size_t pos_;
        bool drained_;  // the file has given its end, which stays its end
    };

    explicit CLexic(const char* path);
    // Reads `size` bytes at `data` exactly as a file holding them; `data` may go once the
    // constructor returns.
    CLexic(const char* data, std::size_t size, FromMemory);
    ~CLexic();
    CLexic(const CLexic&) = delete;
    CLexic& operator=(const CLexic&) = delete;

    // Reads the whole file; true when every lexeme is correct.
    bool MakeAnalysis();
    // The "-printlex" listing of the list from GetBegin().
    void Print();
    // The first lexeme; null for a script without lexemes.
    Lexeme* GetBegin() const { return begin; }
    // The line an editor shows the start of lexeme `l` of this list on: CR LF, a lone LF and
    // a lone CR each end a line. Lexeme::line counts carriage returns alone, which is what
    // the robot's own reports print; this one is for reports meant for the script's author.
    int EditorLine(const Lexeme* l) const;

private:
    // Makes room for the lexemes of `bytes` bytes of script and appends the head lexeme
    // that anchors the list.
    void Start(std::size_t bytes);
    // Appends a lexeme to the list; it shows the unfinished text until completed.
    Lexeme* Append();
    void SubPrint(Lexeme* l);
    // Gives `l` a copy of the text, up to its first NUL byte, and the line; marks it well formed.
    void Complete(Lexeme* l, const char* text, std::size_t size, int at_line);
    // Completes `l` as the lexeme of `kind` with the text from `start` to `text_end`; true
    // when it is correct.
    bool Finish(Lexeme* l, EState kind, const unsigned char* start, const unsigned char* text_end);

    CLexemeStore store;
    char* unfinished;  // the text every lexeme shows until it is completed
    CError error;
    CFile file;
    Lexeme* begin;
    Lexeme* lex;
    int line;
    // The editor lines: for each line end, the place in the list (from 1, after the head) of
    // the first lexeme after it. One entry a line, not a lexeme, keeps it small.
    std::vector<std::size_t> line_ends;
    const Lexeme* head = nullptr;
    std::size_t lexeme_count = 0;  // after the head
    const unsigned char* counted_to = nullptr;  // the line ends before it are in line_ends
    // Notes the line end at `p`, a CR or LF before lexeme `place`, unless it is the CR of a
    // CR LF.
    void NoteLineEnd(const unsigned char* p, const unsigned char* end, std::size_t place);
};

#endif
