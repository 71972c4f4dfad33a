// The game data image: construction of the tagged record, the players' register and the
// script's data reads, which find a value through the tag texts of the image's fixed layout.
#include "robot/data.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "ui/onerror.h"

namespace {

// A tag field and its text, at an offset in its record.
struct TagField {
    std::size_t offset;
    const char* text;
};

// A player's tags; the robot's own record names itself "you" in its first and last tag.
const TagField kGamerTags[] = {
    {offsetof(CGamer, _tag_header), "<tag><type=child><name=gamer>"},
    {offsetof(CGamer, _tag_money), "<tag><type=int><name=money>"},
    {offsetof(CGamer, _tag_prod), "<tag><type=int><name=prod>"},
    {offsetof(CGamer, _tag_raw), "<tag><type=int><name=raw>"},
    {offsetof(CGamer, _tag_fabrics), "<tag><type=int><name=fabrics>"},
    {offsetof(CGamer, _tag_auto_plants), "<tag><type=int><name=auto_plants>"},
    {offsetof(CGamer, _tag_gamer_name), "<tag><type=string><name=gamer_name>"},
    {offsetof(CGamer, _tag_end), "<tag><type=childend><name=gamer>"},
};
const TagField kYouTags[] = {
    {offsetof(CGamer, _tag_header), "<tag><type=child><name=you>"},
    {offsetof(CGamer, _tag_end), "<tag><type=childend><name=you>"},
};
const TagField kMarketTags[] = {
    {offsetof(CMarket, _tag_header), "<tag><type=child><name=market>"},
    {offsetof(CMarket, _tag_min_raw_price), "<tag><type=int><name=min_raw_price>"},
    {offsetof(CMarket, _tag_max_prod_price), "<tag><type=int><name=max_prod_price>"},
    {offsetof(CMarket, _tag_raw), "<tag><type=int><name=raw>"},
    {offsetof(CMarket, _tag_prod), "<tag><type=int><name=prod>"},
    {offsetof(CMarket, _tag_end), "<tag><type=childend><name=market>"},
};
// The image's own tags, outside the records.
const TagField kDataTags[] = {
    {offsetof(CData, _tag_begin), "<tag><type=pointer><name=CData>"},
    {offsetof(CData, _tag_turn_number), "<tag><type=int><name=turn_number>"},
    {offsetof(CData, _tag_game_number), "<tag><type=int><name=game_number>"},
    {offsetof(CData, _tag_win), "<tag><type=int><name=win>"},
    {offsetof(CData, _tag_players_count), "<tag><type=int><name=players_count>"},
    {offsetof(CData, _tag_data_end), "<end><type=end><name=end>"},
};

const char kTagStart[] = "<tag";       // how a tag that a value follows begins
const char kRecordEnd[] = "childend";  // a record's search ends at its last tag
const char kImageEnd[] = "<name=end";  // a search of the whole image ends at its last tag

const char kYou[] = ".you";
const char kPlayers[] = ".players";
const char kMarket[] = ".market";
const char kNoName[] = "'<empty variable name>'";
constexpr std::size_t kShortNameBytes = 3;  // a name this long or shorter is reported

// Writes a tag text; strncpy pads the field with zero bytes.
void SetTag(char* field, const char* text) { std::strncpy(field, text, kTagBytes); }

template <std::size_t N>
void SetTags(void* record, const TagField (&tags)[N]) {
    for (const TagField& tag : tags) SetTag(static_cast<char*>(record) + tag.offset, tag.text);
}

}  // namespace

void CopyGamerName(char (&field)[kGamerNameBytes], const char* s) {
    std::strncpy(field, s ? s : "", kGamerNameBytes - 1);
    field[kGamerNameBytes - 1] = '\0';
}

CGamer::CGamer() : money(0), prod(0), raw(0), fabrics(0), auto_plants(0), gamer_name() {
    SetTags(this, kGamerTags);
}

CMarket::CMarket() : min_raw_price(0), max_prod_price(0), raw(0), prod(0) {
    SetTags(this, kMarketTags);
}

CData::CData() : pointer_to_data(this), turn_number(0), game_number(0), win(0), players_count(0) {
    SetTags(this, kDataTags);
    SetTags(&you, kYouTags);
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

// Name resolution ------------------------------------------------------------------------
//
// A value is found by the text "=" name ">" inside a tag: the first tag holding it, from a
// record's first tag on, gives the value that follows the nearest tag starting "<tag". A
// search ends at the tag holding its end text, whose text still counts before that text. Tags
// are fixed, so every name a region can find is listed once, with its value's offset; names,
// values and anything else in the image are never searched.

namespace {

template <std::size_t N>
void AddTags(std::vector<TagField>& tags, std::size_t record, const TagField (&record_tags)[N]) {
    for (const TagField& tag : record_tags) tags.push_back({record + tag.offset, tag.text});
}

// Every tag of the image with its offset in the image, in image order.
std::vector<TagField> ImageTags() {
    std::vector<TagField> tags(std::begin(kDataTags), std::end(kDataTags));
    AddTags(tags, offsetof(CData, you), kGamerTags);
    for (int i = 0; i < kMaxPlayers; ++i)
        AddTags(tags, offsetof(CData, players) + i * sizeof(CGamer), kGamerTags);
    AddTags(tags, offsetof(CData, market), kMarketTags);
    // The robot's own record names itself in place of a player's first and last tag.
    for (const TagField& own : kYouTags) {
        for (TagField& tag : tags)
            if (tag.offset == offsetof(CData, you) + own.offset) tag.text = own.text;
    }
    std::sort(tags.begin(), tags.end(),
              [](const TagField& a, const TagField& b) { return a.offset < b.offset; });
    return tags;
}

// The names found from one record on, each with its value's offset from the record.
class NameIndex {
public:
    NameIndex(const std::vector<TagField>& tags, std::size_t record, std::string_view end);
    // The value's offset from the record; false when the name is not found.
    bool Find(std::string_view name, std::size_t& offset) const;

private:
    std::unordered_map<std::string_view, std::size_t> offsets_;
};

NameIndex::NameIndex(const std::vector<TagField>& tags, std::size_t record, std::string_view end) {
    std::size_t near_tag = record;
    for (const TagField& tag : tags) {
        if (tag.offset < record) continue;
        const std::string_view text(tag.text);
        if (text.compare(0, sizeof kTagStart - 1, kTagStart) == 0) near_tag = tag.offset;
        const std::size_t end_at = text.find(end);
        for (std::size_t eq = text.find('='); eq < end_at && eq != text.npos;
             eq = text.find('=', eq + 1)) {
            for (std::size_t gt = text.find('>', eq); gt != text.npos; gt = text.find('>', gt + 1))
                offsets_.emplace(text.substr(eq + 1, gt - eq - 1), near_tag + kTagBytes - record);
        }
        if (end_at != text.npos) break;
    }
}

bool NameIndex::Find(std::string_view name, std::size_t& offset) const {
    auto it = offsets_.find(name);
    if (it == offsets_.end()) return false;
    offset = it->second;
    return true;
}

// The four places a read searches from.
struct Regions {
    Regions()
        : tags(ImageTags()),
          image(tags, 0, kImageEnd),
          you(tags, offsetof(CData, you), kRecordEnd),
          player(tags, offsetof(CData, players), kRecordEnd),
          market(tags, offsetof(CData, market), kRecordEnd) {}

    std::vector<TagField> tags;
    NameIndex image;
    NameIndex you;
    NameIndex player;  // players[0]'s record; every player's record is laid out alike
    NameIndex market;
};

const Regions& SearchRegions() {
    static const Regions regions;
    return regions;
}

// The name without its first character (the dot); an empty name stays empty.
const char* WithoutDot(const char* s) { return *s ? s + 1 : s; }

// Fills in where the field `name` of a record lies, or what is reported when it is absent.
void FindInRecord(CDataField& field, const NameIndex& index, std::size_t record, const char* name) {
    const char* bare = WithoutDot(name);
    field.found = index.Find(bare, field.offset);
    if (field.found) {
        field.offset += record;
    } else {
        field.missing = bare;
    }
}

}  // namespace

void CData::ShowError(const char* name) {
    CError error;
    error.ClearLastText();
    error.Gum(" Runtime error. Can't give variable: '");
    error.Gum(name);
    error.Gum("'\n");
    error.OnErrorSpit(kUnknownDataErrorNumber, false);
}

CDataField CData::Resolve(const char* name1, const char* name2) {
    CDataField field;
    if (name1 == nullptr) {
        field.missing = kNoName;
        return field;
    }
    if (std::strlen(name1) <= kShortNameBytes) field.short_names.emplace_back(name1);
    if (name2 != nullptr && std::strlen(name2) <= kShortNameBytes)
        field.short_names.emplace_back(name2);

    const Regions& regions = SearchRegions();
    if (name2 == nullptr) {
        const bool record = std::strcmp(name1, kYou) == 0 || std::strcmp(name1, kPlayers) == 0 ||
                            std::strcmp(name1, kMarket) == 0;
        // A record's name alone has no value; any other name is searched in the whole image.
        if (record) {
            field.missing = name1;
        } else {
            FindInRecord(field, regions.image, 0, name1);
        }
    } else if (std::strcmp(name1, kYou) == 0) {
        FindInRecord(field, regions.you, offsetof(CData, you), name2);
    } else if (std::strcmp(name1, kPlayers) == 0) {
        field.indexed = true;
        FindInRecord(field, regions.player, offsetof(CData, players), name2);
    } else if (std::strcmp(name1, kMarket) == 0) {
        FindInRecord(field, regions.market, offsetof(CData, market), name2);
    } else {
        field.missing = name1;
        field.missing_value = -1;
    }
    return field;
}

int CData::Read(const CDataField& field, int n) const {
    for (const std::string& name : field.short_names) ShowError(name.c_str());
    std::size_t at = field.offset;
    if (field.indexed) {
        // An index outside the table is the record name's fault, whatever the field.
        if (n < 0 || n >= kMaxPlayers) {
            ShowError(kPlayers);
            return 0;
        }
        at += static_cast<std::size_t>(n) * sizeof(CGamer);
    }
    if (!field.found) {
        ShowError(field.missing.c_str());
        return field.missing_value;
    }
    int value;
    std::memcpy(&value, reinterpret_cast<const char*>(this) + at, sizeof(value));
    return value;
}

int CData::Get(const char* name1, const char* name2, int n) {
    return Read(Resolve(name1, name2), n);
}

namespace {

const char kNumberTag[] = "<tag><type=int><name=";  // a number field's tag, up to its name

// Appends ".NAME" for each number field of the tags, once.
template <std::size_t N>
void AddNumberNames(std::vector<std::string>& names, const TagField (&tags)[N]) {
    const std::size_t prefix = sizeof kNumberTag - 1;
    for (const TagField& tag : tags) {
        const std::string_view text(tag.text);
        if (text.compare(0, prefix, kNumberTag) != 0 || text.back() != '>') continue;
        std::string name = "." + std::string(text.substr(prefix, text.size() - prefix - 1));
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
}

}  // namespace

std::vector<std::string> CData::FieldNames(const char* record) {
    std::vector<std::string> names;
    if (record == nullptr) {
        AddNumberNames(names, kDataTags);
        AddNumberNames(names, kGamerTags);
        AddNumberNames(names, kMarketTags);
    } else if (std::strcmp(record, kYou) == 0 || std::strcmp(record, kPlayers) == 0) {
        AddNumberNames(names, kGamerTags);
    } else if (std::strcmp(record, kMarket) == 0) {
        AddNumberNames(names, kMarketTags);
    }
    return names;
}
