// The game data image: one fixed-size, trivially copyable record in which a 64-byte tag text
// precedes every value; a script's names are resolved to values through the tag texts.
#ifndef MOD_ROBOT_DATA_H
#define MOD_ROBOT_DATA_H

#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

#include "protocol/robot_protocol.h"

constexpr int kTagBytes = 64;         // every tag field, NUL-padded
constexpr int kGamerNameBytes = protocol::kMaxNameBytes + 1;  // a name field: the name and a NUL
constexpr int kMaxPlayers = protocol::kMaxPlayersPerGame - 1;  // entries of CData::players
// Number of the report of a script's read of a name the game data does not have.
constexpr int kUnknownDataErrorNumber = -700;

// One player's record: money, stock, plants and name, each behind its tag.
class CGamer {
public:
    CGamer();

    char _tag_header[kTagBytes];
    char _tag_money[kTagBytes];
    int money;
    char _tag_prod[kTagBytes];
    int prod;
    char _tag_raw[kTagBytes];
    int raw;
    char _tag_fabrics[kTagBytes];
    int fabrics;
    char _tag_auto_plants[kTagBytes];
    int auto_plants;
    char _tag_gamer_name[kTagBytes];
    char gamer_name[kGamerNameBytes];
    char _tag_end[kTagBytes];
};

// The market of the current turn.
class CMarket {
public:
    CMarket();

    char _tag_header[kTagBytes];
    char _tag_min_raw_price[kTagBytes];
    int min_raw_price;
    char _tag_max_prod_price[kTagBytes];
    int max_prod_price;
    char _tag_raw[kTagBytes];
    int raw;
    char _tag_prod[kTagBytes];
    int prod;
    char _tag_end[kTagBytes];
};

// A script's game data name resolved once against the image's fixed layout: where a read
// finds the value and what it reports on the way. Texts are held only for reports.
struct CDataField {
    std::vector<std::string> short_names;  // reported as too short, in order, by every read
    bool indexed = false;    // the value lies in the record of the player the read names
    bool found = false;      // there is a value to read
    std::size_t offset = 0;  // of the value in the image; in players[0]'s record when indexed
    std::string missing;     // reported when there is no value
    int missing_value = 0;   // what a read without a value gives
};

// The robot's picture of the game: turn, game, result, its own record, the other players
// and the market.
class CData {
public:
    CData();

    // -2 for the robot's own name, else the index of the first in-use entry of that name,
    // else -1. Names are compared as stored: cut to 255 bytes.
    int GetNumberByGamerName(const char* s) const;
    // Registers a player in the next free entry and returns its index; -1 when all entries
    // are in use (the player is then not registered).
    int AddGamer(const char* s);
    // The script's data read by dotted names (".you", ".money"), with an index for ".players".
    int Get(const char* name1, const char* name2, int n);
    // What Get(name1, name2, n) reads and reports, found once for any n and any image.
    static CDataField Resolve(const char* name1, const char* name2);
    // Get with the names resolved: the same value and the same reports.
    int Read(const CDataField& field, int n) const;
    // The names of the number fields a read finds after `record` (".you", ".players",
    // ".market"), or alone when `record` is null, each with its dot; for tools that check
    // scripts and suggest names.
    static std::vector<std::string> FieldNames(const char* record);

    char _tag_begin[kTagBytes];
    CData* pointer_to_data;
    char _tag_turn_number[kTagBytes];
    int turn_number;
    char _tag_game_number[kTagBytes];
    int game_number;
    char _tag_win[kTagBytes];
    int win;
    CGamer you;
    char _tag_players_count[kTagBytes];
    int players_count;
    CGamer players[kMaxPlayers];
    CMarket market;
    char _tag_data_end[kTagBytes];

private:
    static void ShowError(const char* name);
};

// Copies a name into a name field, cut to 255 bytes and NUL-padded.
void CopyGamerName(char (&field)[kGamerNameBytes], const char* s);

static_assert(std::is_trivially_copyable<CData>::value, "the image is reset by a byte copy");
static_assert(sizeof(CGamer) == 788, "a player record is tags and values only");
static_assert(sizeof(CMarket) == 400, "the market record is tags and values only");

#endif
