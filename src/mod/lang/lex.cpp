// The lexical analyser: a character-driven state machine that builds the lexeme list.
#include "mod/lang/lex.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

const char kSpacers[] = "+-*/%()|[]<>={},&|;!";
const char kSeparatorLine[] = "-------------------------------------------------";  // 49

// What a lexeme that was started but never completed shows; its line stays 0.
const char kUnfinishedText[] = "___error";
// The head lexeme that anchors the list while it is built.
const char kHeadText[] = "__begin~";
constexpr int kHeadLine = -1;

constexpr int kEndOfFile = -1;
constexpr char kEndOfFileByte = '\xFF';  // what the buffer receives at the end of the file
constexpr int kCarriageReturn = 13;

bool IsWhite(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameChar(int c) { return IsLetter(c) || IsDigit(c); }

const char* KindName(lxType id) {
    switch (id) {
        case lx_err: return "error";
        case lx_begin: return "";
        case lx_robotdata: return "robotdata";
        case lx_assign: return "assign";
        case lx_spacer: return "spacer";
        case lx_int_const: return "int_const";
        case lx_str_const: return "str_const";
        case lx_var: return "var";
        case lx_label: return "label";
        case lx_func: return "func";
        case lx_keyword: return "keyword";
    }
    return "";
}

}  // namespace

bool IsStr(char c, const char* str) { return c != '\0' && std::strchr(str, c) != nullptr; }

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

namespace {

// One flag per byte value: whether it is a separator; a table, as every character is tested.
struct SpacerTable {
    SpacerTable() : is() {
        for (const char* c = kSpacers; *c; ++c) is[static_cast<unsigned char>(*c)] = true;
    }
    bool is[128];
};

const SpacerTable kSpacerTable;

}  // namespace

bool IsSpacer(int c) { return c > 0 && c < 128 && kSpacerTable.is[c]; }

// Store --------------------------------------------------------------------------------

namespace {

constexpr std::size_t kStoreBlockBytes = 64 * 1024;  // bytes per block of records or texts
// A text longer than this gets a block of its own rather than wasting the block's rest.
constexpr std::size_t kLargeTextBytes = kStoreBlockBytes / 4;

}  // namespace

char* CLexemeStore::NewBlock(std::size_t bytes) {
    std::unique_ptr<char[]> block(new char[bytes]);
    blocks_.push_back(std::move(block));
    return blocks_.back().get();
}

char* CLexemeStore::Take(Free& from, std::size_t bytes) {
    if (bytes > kLargeTextBytes) return NewBlock(bytes);
    if (bytes > from.bytes) {
        from.at = NewBlock(kStoreBlockBytes);
        from.bytes = kStoreBlockBytes;
    }
    char* taken = from.at;
    from.at += bytes;
    from.bytes -= bytes;
    return taken;
}

Lexeme* CLexemeStore::NewLexeme() { return new (Take(lexemes_, sizeof(Lexeme))) Lexeme; }

char* CLexemeStore::KeepText(const char* text, std::size_t size) {
    char* copy = Take(texts_, size + 1);
    std::memcpy(copy, text, size);
    copy[size] = '\0';
    return copy;
}

// Buffer -------------------------------------------------------------------------------

CLexic::CBuffer::CBuffer() : count(1) {}

void CLexic::CBuffer::Clear() {
    s.clear();
    count = 1;
}

void CLexic::CBuffer::Add(char c) {
    s.push_back(c);
    count = static_cast<int>(s.size()) + 1;
}

void CLexic::CBuffer::Unadd() {
    if (s.empty()) return;
    s.resize(s.size() - 1);
    count = static_cast<int>(s.size()) + 1;
}

std::string CLexic::CBuffer::GetStr() const { return s; }

// File ---------------------------------------------------------------------------------

namespace {

constexpr std::size_t kReadAheadBytes = 64 * 1024;  // bytes read from the file at a time

}  // namespace

CLexic::CFile::CFile() : fp(nullptr), ch(0), pos_(0), drained_(false) {}

CLexic::CFile::~CFile() {
    if (fp) std::fclose(fp);
}

void CLexic::CFile::Open(const char* path) {
    ch = 0;
    fp = path ? std::fopen(path, "r") : nullptr;
    if (!fp) error.OnError("Robot command file not open.", -511, false);
}

void CLexic::CFile::Load(const char* data, std::size_t size) {
    ch = 0;
    ahead_.assign(data, data + (data ? size : 0));
    pos_ = 0;
}

bool CLexic::CFile::Refill() {
    if (!fp || drained_) return false;
    ahead_.resize(kReadAheadBytes);
    ahead_.resize(std::fread(ahead_.data(), 1, kReadAheadBytes, fp));
    pos_ = 0;
    drained_ = ahead_.empty();
    return !drained_;
}

// A file that could not be opened reads as an empty one. The end is told apart from the
// bytes, so a 0xFF byte in the script is an ordinary character. Only the character just read
// is ever pushed back, and it is still in the read-ahead.
int CLexic::CFile::GetNextChar(bool back) {
    if (back) {
        if (ch != kEndOfFile && pos_ > 0) --pos_;
        buf.Unadd();
        return ch;
    }
    if (pos_ == ahead_.size() && !Refill()) {
        ch = kEndOfFile;
        buf.Add(kEndOfFileByte);
    } else {
        ch = static_cast<unsigned char>(ahead_[pos_++]);
        buf.Add(static_cast<char>(ch));
    }
    return ch;
}

// Analyser -----------------------------------------------------------------------------

CLexic::CLexic(const char* path) : state(S_INIT), begin(nullptr), lex(nullptr), line(1) {
    Start();
    file.Open(path);
}

CLexic::CLexic(const char* data, std::size_t size, FromMemory)
    : state(S_INIT), begin(nullptr), lex(nullptr), line(1) {
    Start();
    file.Load(data, size);
}

CLexic::~CLexic() = default;

void CLexic::Start() {
    unfinished = store.KeepText(kUnfinishedText, sizeof kUnfinishedText - 1);
    lex = store.NewLexeme();
    lex->id = lx_begin;
    Complete(lex, kHeadText, kHeadLine);
}

void CLexic::Complete(Lexeme* l, const std::string& text, int at_line) {
    // Texts end at a NUL byte, as C strings do: the rest is not part of the lexeme's text.
    const void* nul = std::memchr(text.data(), '\0', text.size());
    std::size_t size = nul ? static_cast<const char*>(nul) - text.data() : text.size();
    l->s = store.KeepText(text.data(), size);
    l->line = at_line;
    l->sign = ok;
}

bool CLexic::MakeAnalysis() {
    begin = lex;
    for (;;) {
        int c = file.GetNextChar(false);
        if (c == kEndOfFile && state == S_INIT) break;
        if (state != S_STRNG) {
            if (c == kCarriageReturn) {
                ++line;
                file.buf.Unadd();
            } else if (c == ' ' || c == '\n' || c == '\t') {
                file.buf.Unadd();
            }
        } else if (c == kCarriageReturn) {
            ++line;
        }
        if (c == kEndOfFile) {
            file.buf.Unadd();
            if (lex == begin->next) return false;
        }
        Parse();
    }
    // The head lexeme only anchored the list while it was built.
    begin = begin->next;
    return IsRight();
}

EState CLexic::GetState() {
    int c = file.c();
    if (IsDigit(c)) return S_NUMBR;
    if (IsLetter(c)) return S_KEYWD;
    if (IsSpacer(c)) return S_SPACE;
    if (IsWhite(c)) return S_NTHNG;
    switch (c) {
        case '"': return S_STRNG;
        case '$': return S_VARBL;
        case '.': return S_ROBOT;
        case ':': return S_ASSGN;
        case '?': return S_FUNCT;
        case '@': return S_LABEL;
        default: return S_ERR;
    }
}

bool CLexic::IsStatusChanged() {
    int c = file.c();
    if (c == kEndOfFile) return true;
    switch (state) {
        case S_ROBOT:
        case S_VARBL:
        case S_LABEL:
        case S_FUNCT: return !IsNameChar(c);
        case S_KEYWD: return !IsLetter(c);
        case S_NUMBR: return !IsDigit(c);
        case S_ASSGN: return c != '=';
        case S_STRNG: return c == '"';
        case S_INIT: return false;
        case S_SPACE:
        case S_ERR:
        case S_NTHNG: return true;
    }
    return true;
}

bool CLexic::IsRight() {
    for (lex = begin; lex; lex = lex->next) {
        if (lex->sign == not_ok || lex->id == lx_err) return false;
    }
    return true;
}

void CLexic::Parse() {
    if (state == S_INIT) {
        Parse_Init();
        return;
    }
    if (!IsStatusChanged()) return;
    const std::string& text = file.buf.s;
    switch (state) {
        case S_ROBOT: lex->id = lx_robotdata; break;
        case S_VARBL: lex->id = lx_var; break;
        case S_ASSGN: lex->id = text.compare(0, 2, ":=") == 0 ? lx_assign : lx_err; break;
        case S_SPACE: lex->id = lx_spacer; break;
        case S_NUMBR: lex->id = lx_int_const; break;
        case S_STRNG:
            lex->id = text.size() >= 2 && text.back() == '"' ? lx_str_const : lx_err;
            break;
        case S_LABEL: lex->id = lx_label; break;
        case S_FUNCT: lex->id = lx_func; break;
        case S_KEYWD: lex->id = lx_keyword; break;
        default: break;
    }
    // The closing quote belongs to the string; an unknown character keeps the next one.
    if (state != S_STRNG && state != S_ERR) Parse_Back();
    Complete(lex, file.buf.s, line);
    bool named = state == S_ROBOT || state == S_VARBL || state == S_LABEL || state == S_FUNCT;
    if (named && (lex->s[0] == '\0' || lex->s[1] == '\0')) lex->sign = not_ok;  // prefix alone
    file.buf.Clear();
    state = S_INIT;
}

void CLexic::Parse_Init() {
    state = GetState();
    if (state == S_NTHNG) {
        state = S_INIT;
        return;
    }
    lex->next = store.NewLexeme();
    lex = lex->next;
    lex->s = unfinished;
}

void CLexic::Parse_Back() {
    int c = file.c();
    if (IsWhite(c) || c == kEndOfFile) return;
    file.GetNextChar(true);
}

void CLexic::Print() {
    for (Lexeme* l = begin; l; l = l->next) SubPrint(l);
}

void CLexic::SubPrint(Lexeme* l) {
    std::printf("%s\n", kSeparatorLine);
    std::printf(" Line    ::  %d\t\tType    ::  _%s", l->line, KindName(l->id));
    std::printf("\n Lexeme:  '%s'\n", l->s);
    if (l->sign == not_ok) std::printf("\n\t\t:: [not_ok] \n");
}
