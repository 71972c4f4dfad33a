// The game data image: one fixed-size, trivially copyable record in which a 64-byte tag text
// precedes every value, so that values can be found by name with a byte scan.
#ifndef MOD_ROBOT_DATA_H
#define MOD_ROBOT_DATA_H

#include <cstddef>
#include <type_traits>

#include "robot_protocol.h"

constexpr int kTagBytes = 64;         // every tag field, NUL-padded
constexpr int kGamerNameBytes = protocol::kMaxNameBytes + 1;  // a name field: the name and a NUL
constexpr int kMaxPlayers = protocol::kMaxPlayersPerGame - 1;  // entries of CData::players

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
    static const char* PName(const char* s);
    // Address of the value behind the tag whose text holds "=" name_ ">", scanning from def
    // until the stop text end; nullptr (after a report) when the name is not found.
    const char* GetVarAddr(const char* name_, const void* def, const char* end) const;
    int GetInt(const char* name, const void* begin, const char* end) const;
    int GetInData(const char* name) const;
    static void ShowError(const char* name);
};

// Copies a name into a name field, cut to 255 bytes and NUL-padded.
void CopyGamerName(char (&field)[kGamerNameBytes], const char* s);

static_assert(std::is_trivially_copyable<CData>::value, "the image is reset by a byte copy");
static_assert(sizeof(CGamer) == 788, "a player record is tags and values only");
static_assert(sizeof(CMarket) == 400, "the market record is tags and values only");

#endif
