// The lexical analyser: cuts the script's bytes into the lexeme list, a lexeme at a time.
#include "lang/lex.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

constexpr char kSpacers[] = "+-*/%()|[]<>={},&;!";
const char kSeparatorLine[] = "-------------------------------------------------";  // 49

// What a lexeme that was started but never completed shows; its line stays 0.
const char kUnfinishedText[] = "___error";
// The head lexeme that anchors the list while it is built.
const char kHeadText[] = "__begin~";
constexpr int kHeadLine = -1;

constexpr unsigned char kCarriageReturn = 13;
constexpr int kByteValues = 256;

// Classes of characters, one bit each, so that one test checks a lexeme's continuation.
enum CharClass : unsigned char {
    kDigit = 1,
    kLetter = 2,   // ASCII letters and "_"
    kSpacer = 4,   // a one-character separator
    kWhite = 8,    // space, tab, line feed, carriage return: they end lexemes and vanish
    kEquals = 16,  // continues ":="
};

constexpr EState StartOf(unsigned char classes, int c) {
    if (classes & kDigit) return S_NUMBR;
    if (classes & kLetter) return S_KEYWD;
    if (classes & kSpacer) return S_SPACE;
    if (classes & kWhite) return S_NTHNG;
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

// Per byte value: its classes and what a lexeme starting with it is. Every byte of a script
// is looked up here, so it is one table read rather than a chain of comparisons.
struct ByteTable {
    unsigned char classes[kByteValues];
    EState starts[kByteValues];
};

constexpr ByteTable MakeByteTable() {
    ByteTable t{};
    for (const char* c = kSpacers; *c; ++c) t.classes[static_cast<unsigned char>(*c)] |= kSpacer;
    for (int c = 0; c < kByteValues; ++c) {
        if (c >= '0' && c <= '9') t.classes[c] |= kDigit;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') t.classes[c] |= kLetter;
        if (c == ' ' || c == '\t' || c == '\n' || c == kCarriageReturn) t.classes[c] |= kWhite;
        if (c == '=') t.classes[c] |= kEquals;
    }
    for (int c = 0; c < kByteValues; ++c) t.starts[c] = StartOf(t.classes[c], c);
    return t;
}

constexpr ByteTable kBytes = MakeByteTable();

bool IsIn(int c, CharClass cls) { return c >= 0 && c < kByteValues && (kBytes.classes[c] & cls); }

// The classes that continue a lexeme of each kind after its first character.
constexpr unsigned char ContinuedBy(EState kind) {
    switch (kind) {
        case S_NUMBR: return kDigit;
        case S_KEYWD: return kLetter;
        case S_ROBOT:
        case S_VARBL:
        case S_LABEL:
        case S_FUNCT: return kDigit | kLetter;
        case S_ASSGN: return kEquals;
        default: return 0;
    }
}

// A name kind whose lexeme is wrong when its prefix stands alone.
constexpr bool IsNamed(EState kind) {
    return kind == S_ROBOT || kind == S_VARBL || kind == S_LABEL || kind == S_FUNCT;
}

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

bool IsLetter(int c) { return IsIn(c, kLetter); }

bool IsSpacer(int c) { return IsIn(c, kSpacer); }

// Store --------------------------------------------------------------------------------

namespace {

constexpr std::size_t kFirstBlockBytes = 64 * 1024;       // bytes of the first text block
constexpr std::size_t kHugePageBytes = 2 * 1024 * 1024;   // a transparent huge page
constexpr std::size_t kLargestBlockBytes = kHugePageBytes;  // blocks stop doubling here
// A text longer than this gets a block of its own rather than wasting the block's rest.
constexpr std::size_t kLargeTextBytes = kFirstBlockBytes / 4;

// Whether a block of `bytes` is made of whole huge pages.
bool IsHuge(std::size_t bytes) { return bytes != 0 && bytes % kHugePageBytes == 0; }

}  // namespace

void CLexemeStore::Release::operator()(char* block) const { std::free(block); }

// Blocks double in size, so a small script takes little memory and a large one few blocks.
// A block of whole huge pages is advised to use them: a large script's texts then cost
// one page fault per 2 MB instead of one per 4 KB, a large share of the analysis time.
char* CLexemeStore::NewBlock(std::size_t bytes) {
    bool huge = IsHuge(bytes);
    void* block = huge ? std::aligned_alloc(kHugePageBytes, bytes) : std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    std::unique_ptr<char, Release> owned(static_cast<char*>(block));
    if (huge) madvise(block, bytes, MADV_HUGEPAGE);  // only advice: failing changes nothing
    blocks_.push_back(std::move(owned));
    return blocks_.back().get();
}

char* CLexemeStore::Take(Free& from, std::size_t bytes) {
    if (bytes > kLargeTextBytes) return NewBlock(bytes);
    if (bytes > from.bytes) {
        std::size_t size =
            std::min(std::max(2 * from.block_bytes, kFirstBlockBytes), kLargestBlockBytes);
        from.at = NewBlock(size);
        from.bytes = size;
        from.block_bytes = size;
    }
    char* taken = from.at;
    from.at += bytes;
    from.bytes -= bytes;
    return taken;
}

// A huge page is resident as a whole once touched: the unused end of the last one would
// otherwise stay with the process for as long as the lexemes do.
void CLexemeStore::ReleaseUnused(const Free& from) {
    const long page_bytes = sysconf(_SC_PAGESIZE);
    if (!IsHuge(from.block_bytes) || from.bytes == 0 || page_bytes <= 0) return;
    const auto page = static_cast<std::uintptr_t>(page_bytes);
    const auto start = reinterpret_cast<std::uintptr_t>(from.at);
    // Only whole pages inside the block: a page shared with the allocator's records stays.
    const std::uintptr_t unused = (start + page - 1) / page * page;
    const std::uintptr_t end = (start + from.bytes) / page * page;
    // Anonymous pages given back read as zeros when touched again, so the block stays usable.
    if (unused < end) madvise(reinterpret_cast<void*>(unused), end - unused, MADV_DONTNEED);
}

void CLexemeStore::ReleaseUnused() { ReleaseUnused(texts_); }

// The array is allocated but not touched: a page of it becomes resident only when a record
// on it is handed out, so room for one lexeme per byte of script costs what is used.
void CLexemeStore::ReserveLexemes(std::size_t count) {
    if (count >= std::numeric_limits<std::size_t>::max() / sizeof(Lexeme) - 1)
        throw std::bad_alloc();
    void* records = std::malloc((count + 1) * sizeof(Lexeme));
    if (!records) throw std::bad_alloc();
    blocks_.emplace_back(static_cast<char*>(records));
    next_lexeme_ = new (records) Lexeme;  // the closing record of the empty list
    lexemes_left_ = count;
}

Lexeme* CLexemeStore::NewLexeme() {
    if (lexemes_left_ == 0) throw std::length_error("more lexemes than reserved");
    --lexemes_left_;
    Lexeme* made = next_lexeme_++;
    new (next_lexeme_) Lexeme;  // closes the list after the new lexeme
    return made;
}

char* CLexemeStore::KeepText(const char* text, std::size_t size) {
    char* copy = Take(texts_, size + 1);
    std::memcpy(copy, text, size);
    copy[size] = '\0';
    return copy;
}

// File ---------------------------------------------------------------------------------

namespace {

constexpr std::size_t kReadAheadBytes = 64 * 1024;  // bytes read from the file at a time

}  // namespace

CLexic::CFile::CFile() : fp(nullptr), pos_(0), drained_(false) {}

CLexic::CFile::~CFile() {
    if (fp) std::fclose(fp);
}

void CLexic::CFile::Open(const char* path) {
    fp = path ? std::fopen(path, "r") : nullptr;
    if (!fp) error.OnError("Robot command file not open.", -511, false);
}

void CLexic::CFile::Load(const char* data, std::size_t size) {
    ahead_.assign(data, data + (data ? size : 0));
    pos_ = 0;
}

std::string_view CLexic::CFile::ReadRest() {
    ahead_.erase(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ = 0;
    // Room for the whole of a regular file at once, so the bytes are not copied as they grow;
    // the extra read-ahead is the last read, which finds the end.
    struct stat about;
    if (fp && !drained_ && fstat(fileno(fp), &about) == 0 && S_ISREG(about.st_mode) &&
        about.st_size > 0) {
        ahead_.reserve(ahead_.size() + static_cast<std::size_t>(about.st_size) + kReadAheadBytes);
    }
    while (fp && !drained_) {
        std::size_t held = ahead_.size();
        ahead_.resize(held + kReadAheadBytes);
        std::size_t got = std::fread(ahead_.data() + held, 1, kReadAheadBytes, fp);
        ahead_.resize(held + got);
        drained_ = got == 0;
    }
    pos_ = ahead_.size();
    return std::string_view(ahead_.data(), ahead_.size());
}

void CLexic::CFile::Drop() {
    std::vector<char>().swap(ahead_);
    pos_ = 0;
    drained_ = true;
}

// Analyser -----------------------------------------------------------------------------

namespace {

// Where a lexeme's text ends and where reading goes on after it.
struct Cut {
    const unsigned char* text_end;
    const unsigned char* next;
    bool at_end;  // the file ended inside the lexeme
};

// Skips white space, counting carriage returns as lines.
const unsigned char* SkipWhite(const unsigned char* at, const unsigned char* end, int& line) {
    for (; at != end && (kBytes.classes[*at] & kWhite); ++at) {
        if (*at == kCarriageReturn) ++line;
    }
    return at;
}

// The character after a lexeme's text at `at`: white space ends the lexeme and is used up
// (a carriage return counting a line); anything else is left to start the next lexeme.
Cut EndedBy(const unsigned char* at, const unsigned char* end, int& line) {
    if (at == end) return {at, end, true};
    if (!(kBytes.classes[*at] & kWhite)) return {at, at, false};
    if (*at == kCarriageReturn) ++line;
    return {at, at + 1, false};
}

// A lexeme of the first character at `start` followed by a run of `more` characters.
Cut CutRun(const unsigned char* start, const unsigned char* end, unsigned char more, int& line) {
    const unsigned char* at = start + 1;
    while (at != end && (kBytes.classes[*at] & more)) ++at;
    return EndedBy(at, end, line);
}

// An unknown character takes the character after it into its text, unless that is white
// space or the end of the file.
Cut CutUnknown(const unsigned char* start, const unsigned char* end, int& line) {
    const unsigned char* at = start + 1;
    if (at == end || (kBytes.classes[*at] & kWhite)) return EndedBy(at, end, line);
    return {at + 1, at + 1, false};
}

// A string takes everything up to its closing quote, which it keeps; carriage returns in it
// count lines.
Cut CutString(const unsigned char* start, const unsigned char* end, int& line) {
    for (const unsigned char* at = start + 1; at != end; ++at) {
        if (*at == '"') return {at + 1, at + 1, false};
        if (*at == kCarriageReturn) ++line;
    }
    return {end, end, true};
}

Cut CutLexeme(EState kind, const unsigned char* start, const unsigned char* end, int& line) {
    switch (kind) {
        case S_STRNG: return CutString(start, end, line);
        case S_ERR: return CutUnknown(start, end, line);
        default: return CutRun(start, end, ContinuedBy(kind), line);
    }
}

// The kind of a finished lexeme from its first character's kind and its whole text (a
// string's text before a NUL byte cuts it).
lxType KindOf(EState kind, const unsigned char* start, const unsigned char* text_end) {
    switch (kind) {
        case S_ROBOT: return lx_robotdata;
        case S_VARBL: return lx_var;
        case S_ASSGN: return text_end - start >= 2 && start[1] == '=' ? lx_assign : lx_err;
        case S_SPACE: return lx_spacer;
        case S_NUMBR: return lx_int_const;
        case S_STRNG: return text_end - start >= 2 && text_end[-1] == '"' ? lx_str_const : lx_err;
        case S_LABEL: return lx_label;
        case S_FUNCT: return lx_func;
        case S_KEYWD: return lx_keyword;
        default: return lx_err;
    }
}

}  // namespace

CLexic::CLexic(const char* path) : begin(nullptr), lex(nullptr), line(1) {
    file.Open(path);
}

CLexic::CLexic(const char* data, std::size_t size, FromMemory)
    : begin(nullptr), lex(nullptr), line(1) {
    file.Load(data, size);
}

CLexic::~CLexic() = default;

// Every lexeme takes at least one byte of the script, so the list of `bytes` bytes holds at
// most that many lexemes after its head.
void CLexic::Start(std::size_t bytes) {
    store.ReserveLexemes(bytes + 1);
    unfinished = store.KeepText(kUnfinishedText, sizeof kUnfinishedText - 1);
    lex = store.NewLexeme();
    lex->id = lx_begin;
    Complete(lex, kHeadText, sizeof kHeadText - 1, kHeadLine);
}

Lexeme* CLexic::Append() {
    lex = store.NewLexeme();
    lex->s = unfinished;
    return lex;
}

void CLexic::Complete(Lexeme* l, const char* text, std::size_t size, int at_line) {
    l->s = store.KeepText(text, size);
    l->line = at_line;
    l->sign = lxCorrect::ok;
}

bool CLexic::Finish(Lexeme* l, EState kind, const unsigned char* start,
                    const unsigned char* text_end) {
    l->id = KindOf(kind, start, text_end);
    std::size_t size = static_cast<std::size_t>(text_end - start);
    if (kind == S_STRNG || kind == S_ERR) {
        // Texts end at a NUL byte, as C strings do: the rest is not part of the lexeme's text.
        const void* nul = std::memchr(start, '\0', size);
        if (nul) size = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - start);
    }
    Complete(l, reinterpret_cast<const char*>(start), size, line);
    if (IsNamed(kind) && size < 2) l->sign = lxCorrect::not_ok;  // the prefix alone
    return l->sign == lxCorrect::ok && l->id != lx_err;
}

// Each lexeme is cut whole from the bytes at once: its first character tells its kind, and
// its kind tells which characters continue it.
bool CLexic::MakeAnalysis() {
    std::string_view bytes = file.ReadRest();
    Start(bytes.size());
    begin = lex;
    head = lex;
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = at + bytes.size();
    counted_to = at;
    bool right = true;
    for (;;) {
        at = SkipWhite(at, end, line);
        if (at == end) break;
        EState kind = kBytes.starts[*at];
        Lexeme* l = Append();
        ++lexeme_count;
        for (const unsigned char* p = counted_to; p != at; ++p)
            if (*p == '\n' || *p == kCarriageReturn) NoteLineEnd(p, end, lexeme_count);
        counted_to = at;
        Cut cut = CutLexeme(kind, at, end, line);
        // The file ending inside the first lexeme stops the analysis with the list as it
        // stands: the head and that lexeme unfinished.
        if (cut.at_end && l == begin->Next()) {
            file.Drop();
            return false;
        }
        right = Finish(l, kind, at, cut.text_end) && right;
        // Only a string's text may hold a line end; the others need no second look.
        if (kind != S_STRNG) counted_to = cut.text_end;
        at = cut.next;
    }
    // The texts are copied: the script's bytes are not needed by the stages that follow.
    file.Drop();
    store.ReleaseUnused();
    // The head lexeme only anchored the list while it was built.
    begin = begin->Next();
    return right;
}

void CLexic::NoteLineEnd(const unsigned char* p, const unsigned char* end, std::size_t place) {
    // A carriage return followed by a line feed ends its line at the line feed.
    if (*p == kCarriageReturn && p + 1 != end && p[1] == '\n') return;
    line_ends.push_back(place);
}

int CLexic::EditorLine(const Lexeme* l) const {
    // The list is one array that starts with the head lexeme, so a lexeme's place in it is
    // its distance from the head; the head itself and strangers have no line.
    std::less<const Lexeme*> before;
    if (!head || !l || !before(head, l) || !before(l, head + lexeme_count + 1)) return 0;
    const std::size_t place = static_cast<std::size_t>(l - head);
    const auto ends_before = std::upper_bound(line_ends.begin(), line_ends.end(), place);
    return static_cast<int>(ends_before - line_ends.begin()) + 1;
}

void CLexic::Print() {
    for (Lexeme* l = begin; l; l = l->Next()) SubPrint(l);
}

void CLexic::SubPrint(Lexeme* l) {
    std::printf("%s\n", kSeparatorLine);
    std::printf(" Line    ::  %d\t\tType    ::  _%s", l->line, KindName(l->id));
    std::printf("\n Lexeme:  '%s'\n", l->s);
    if (l->sign == lxCorrect::not_ok) std::printf("\n\t\t:: [not_ok] \n");
}
