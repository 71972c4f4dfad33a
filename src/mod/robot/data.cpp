// The game data image: construction of the tagged record, the players' register and the
// script's data read, which finds a value by scanning the tag texts for its name.
#include "mod/robot/data.h"

#include <cstring>
#include <string>

#include "ui/onerror.h"

namespace {

// Writes a tag text; strncpy pads the field with zero bytes, which match nothing in a scan.
void SetTag(char (&field)[kTagBytes], const char* text) { std::strncpy(field, text, kTagBytes); }

// Image bytes that the scan may look at: everything up to the end mark's field (any
// padding the compiler adds behind it is left out).
constexpr std::size_t kImageBytes = offsetof(CData, _tag_data_end) + kTagBytes;

bool StartsWith(const char* at, const char* limit, const char* text, std::size_t n) {
    return static_cast<std::size_t>(limit - at) >= n && std::memcmp(at, text, n) == 0;
}

}  // namespace

void CopyGamerName(char (&field)[kGamerNameBytes], const char* s) {
    std::strncpy(field, s ? s : "", kGamerNameBytes - 1);
    field[kGamerNameBytes - 1] = '\0';
}

CGamer::CGamer() : money(0), prod(0), raw(0), fabrics(0), auto_plants(0), gamer_name() {
    SetTag(_tag_header, "<tag><type=child><name=gamer>");
    SetTag(_tag_money, "<tag><type=int><name=money>");
    SetTag(_tag_prod, "<tag><type=int><name=prod>");
    SetTag(_tag_raw, "<tag><type=int><name=raw>");
    SetTag(_tag_fabrics, "<tag><type=int><name=fabrics>");
    SetTag(_tag_auto_plants, "<tag><type=int><name=auto_plants>");
    SetTag(_tag_gamer_name, "<tag><type=string><name=gamer_name>");
    SetTag(_tag_end, "<tag><type=childend><name=gamer>");
}

CMarket::CMarket() : min_raw_price(0), max_prod_price(0), raw(0), prod(0) {
    SetTag(_tag_header, "<tag><type=child><name=market>");
    SetTag(_tag_min_raw_price, "<tag><type=int><name=min_raw_price>");
    SetTag(_tag_max_prod_price, "<tag><type=int><name=max_prod_price>");
    SetTag(_tag_raw, "<tag><type=int><name=raw>");
    SetTag(_tag_prod, "<tag><type=int><name=prod>");
    SetTag(_tag_end, "<tag><type=childend><name=market>");
}

CData::CData() : pointer_to_data(this), turn_number(0), game_number(0), win(0), players_count(0) {
    SetTag(_tag_begin, "<tag><type=pointer><name=CData>");
    SetTag(_tag_turn_number, "<tag><type=int><name=turn_number>");
    SetTag(_tag_game_number, "<tag><type=int><name=game_number>");
    SetTag(_tag_win, "<tag><type=int><name=win>");
    SetTag(you._tag_header, "<tag><type=child><name=you>");
    SetTag(you._tag_end, "<tag><type=childend><name=you>");
    SetTag(_tag_players_count, "<tag><type=int><name=players_count>");
    SetTag(_tag_data_end, "<end><type=end><name=end>");
}

// Stored names are cut to 255 bytes, so the name looked up is cut the same way: a long name
// from the server then finds the entry it got on its first appearance.
int CData::GetNumberByGamerName(const char* s) const {
    char name[kGamerNameBytes];
    CopyGamerName(name, s);
    int found = -1;
    for (int i = 0; i < players_count && found == -1; ++i)
        if (std::strcmp(players[i].gamer_name, name) == 0) found = i;
    if (std::strcmp(you.gamer_name, name) == 0) return -2;
    return found;
}

int CData::AddGamer(const char* s) {
    if (players_count < 0 || players_count >= kMaxPlayers) return -1;
    CopyGamerName(players[players_count].gamer_name, s);
    return players_count++;
}

// An empty name has no dot to drop; it stays empty rather than pointing past its NUL.
const char* CData::PName(const char* s) { return s && *s ? s + 1 : s; }

void CData::ShowError(const char* name) {
    CError error;
    error.ClearLastText();
    error.Gum(" Runtime error. Can't give variable: '");
    error.Gum(name);
    error.Gum("'\n");
    error.OnErrorSpit(-700, false);
}

// Scans every byte from def + 1 on, remembering the last "<tag" seen, until the pattern
// "=" name_ ">" (a match) or the stop text without its last character (no match). The scan
// never looks past the end of the image, whatever region it starts in.
const char* CData::GetVarAddr(const char* name_, const void* def, const char* end) const {
    const std::string pattern = std::string("=") + (name_ ? name_ : "") + ">";
    const std::size_t end_len = std::strlen(end) > 0 ? std::strlen(end) - 1 : 0;
    const char* base = static_cast<const char*>(def);
    const char* limit = reinterpret_cast<const char*>(this) + kImageBytes;
    long near_tag = 0;
    bool found = false;
    for (const char* at = base + 1; at < limit; ++at) {
        if (StartsWith(at, limit, "<tag", 4)) near_tag = at - base;
        if (StartsWith(at, limit, pattern.data(), pattern.size())) {
            found = true;
            break;
        }
        if (StartsWith(at, limit, end, end_len)) break;
    }
    const char* value = base + near_tag + kTagBytes;
    if (!found || value + sizeof(int) > limit) {
        ShowError(name_ ? name_ : "");
        return nullptr;
    }
    return value;
}

int CData::GetInt(const char* name, const void* begin, const char* end) const {
    const char* at = GetVarAddr(name, begin, end);
    if (at == nullptr) return 0;
    int value;
    std::memcpy(&value, at, sizeof(value));  // a match inside a name may be unaligned
    return value;
}

int CData::GetInData(const char* name) const { return GetInt(name, this, "<name=end>"); }

int CData::Get(const char* name1, const char* name2, int n) {
    if (name1 == nullptr) {
        ShowError("'<empty variable name>'");
        return 0;
    }
    if (std::strlen(name1) <= 3) ShowError(name1);
    if (name2 != nullptr && std::strlen(name2) <= 3) ShowError(name2);

    const char* const record_end = "childend";
    if (std::strcmp(name1, ".you") == 0) {
        if (name2 != nullptr) return GetInt(PName(name2), &you, record_end);
    } else if (std::strcmp(name1, ".players") == 0) {
        if (name2 != nullptr && n >= 0 && n < kMaxPlayers)
            return GetInt(PName(name2), &players[n], record_end);
    } else if (std::strcmp(name1, ".market") == 0) {
        if (name2 != nullptr) return GetInt(PName(name2), &market, record_end);
    } else {
        if (name2 == nullptr) return GetInData(PName(name1));
        ShowError(name1);
        return -1;
    }
    ShowError(name1);
    return 0;
}
