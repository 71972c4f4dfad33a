// The game session: the conversation with the game server that opens a game, refreshes the
// game data image every turn and follows the end of each turn, with its console commentary.
#include "robot/habitat.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "protocol/robot_protocol.h"

CHabitat::CHabitat() = default;

CHabitat::~CHabitat() = default;

void CHabitat::Init(const char* host, int portno, const char* gamer_name, int to_wait) {
    Socket.ConnectTo(host, portno);
    std::printf("~Info: Connection done.\n");
    Introduce(gamer_name, to_wait);
}

void CHabitat::Introduce(const char* gamer_name, int to_wait) {
    Socket.SendCommand(gamer_name);
    CopyGamerName(Data.you.gamer_name, gamer_name);
    std::printf("~Info: The name is %s.\n", Data.you.gamer_name);
    Socket.SendCommand("Hi!");

    // A listed game may start or fill up before the join reaches the server; each refusal
    // sends the robot back to the list, where that game is passed over from then on.
    std::vector<int> refused;
    while (!EnterGame(to_wait, refused)) {
    }
    std::printf("~Info: The game is started.\n\n");
}

bool CHabitat::EnterGame(int to_wait, std::vector<int>& refused) {
    Socket.SendCommand(".who");
    if (!FindWaitingGame(refused)) {
        Data.game_number = -1;
        std::printf("~Info: %s creating a game...\n", Data.you.gamer_name);
        NewGame(to_wait);
        Socket.Wait(protocol::kMarkerStart);
        return true;
    }
    std::printf("~Info: %s finding a game...\n", Data.you.gamer_name);
    Socket.SendCommandWithInt(".join ", Data.game_number);
    std::printf("~Info: %s join to #%d game.\n", Data.you.gamer_name, Data.game_number);

    // A server that never refuses with the marker leaves this a plain wait for the start.
    if (Socket.Wait2(protocol::kMarkerStart, protocol::kMarkerJoinRefused) == 1) return true;
    std::printf("~Info: %s join to #%d game refused.\n", Data.you.gamer_name, Data.game_number);
    refused.push_back(Data.game_number);
    return false;
}

// The first marker decides: a listed waiting game, or the end of the list. The rest of the
// list stays unread; the robot's next wait passes over it.
bool CHabitat::FindWaitingGame(const std::vector<int>& refused) {
    for (;;) {
        if (Socket.Wait2(protocol::kMarkerWaitingGame, protocol::kMarkerGamesPlayed) != 1)
            return false;
        Data.game_number = Socket.Read_Int();
        if (std::find(refused.begin(), refused.end(), Data.game_number) == refused.end())
            return true;
    }
}

void CHabitat::NewGame(int to_wait) {
    Socket.SendCommand(".create");
    const std::string marker = std::string(Data.you.gamer_name) + protocol::kMarkerCreated;
    Socket.Wait(marker.c_str());
    Data.game_number = Socket.Read_Int();
    std::printf("~Info: %s%d\n", marker.c_str(), Data.game_number);
    std::printf("~Info: %s waiting %d gamers.\n", Data.you.gamer_name, to_wait);

    // Joins are counted from 1; "botstart" ends the waiting once someone has joined. A
    // "botstart" before any join names a gamer, who is registered and counts as the join.
    for (int i = 1; i <= to_wait;) {
        if (Socket.Wait2(protocol::kMarkerJoin, protocol::kMarkerBotstart) == 1) {
            ++i;
        } else if (i > 1) {
            break;
        } else {
            Socket.Read_Str();
            Socket.DelSpacesInBuf();
            Data.AddGamer(Socket.GetBufAddr());
            std::printf("~Info: + one gamer (%s), #%d.\n", Socket.GetBufAddr(), i);
            ++i;
        }
    }
    Socket.SendCommand("start");
}

void CHabitat::Analyze() {
    Socket.SendCommand(protocol::kOrderMarket);
    Market();
    Socket.SendCommand(protocol::kOrderInfo);
    Info();
}

void CHabitat::Market() {
    Socket.Wait(protocol::kMarkerMarket);
    Data.market.raw = Socket.Read_Int();
    Data.market.min_raw_price = Socket.Read_Int();
    Data.market.prod = Socket.Read_Int();
    Data.market.max_prod_price = Socket.Read_Int();
    std::printf(
        "\n~Game: ~Market: raw = %d, min price = %d; \n~Game: ~Market: prod = %d, max price = "
        "%d.\n\n",
        Data.market.raw, Data.market.min_raw_price, Data.market.prod, Data.market.max_prod_price);
}

// Fills the record of one listed player. A player beyond the last free entry of the image is
// not registered: its numbers are read and dropped so that the reply stays in step.
void CHabitat::ReadPlayerEntry() {
    Socket.Read_Str();
    Socket.DelSpacesInBuf();
    const char* name = Socket.GetBufAddr();
    int index = Data.GetNumberByGamerName(name);
    if (index == -1) index = Data.AddGamer(name);

    CGamer dropped;
    CGamer* gamer = &dropped;
    if (index == -2) {
        gamer = &Data.you;
        std::printf("~Game: ~Info: about you:\n");
    } else if (index >= 0) {
        gamer = &Data.players[index];
    }
    gamer->raw = Socket.Read_Int();
    gamer->prod = Socket.Read_Int();
    gamer->money = Socket.Read_Int();
    gamer->fabrics = Socket.Read_Int();
    gamer->auto_plants = Socket.Read_Int();
    if (gamer == &dropped) return;
    std::printf(
        "~Game: ~Info: %s :  raw  = %d, prod  = %d; \n~Game: ~Info: %s : money = %d; plants "
        "[%d_%d]. \n\n",
        gamer->gamer_name, gamer->raw, gamer->prod, gamer->gamer_name, gamer->money, gamer->fabrics,
        gamer->auto_plants);
}

void CHabitat::Info() {
    std::printf("\n");
    // Everybody counts as out until listed again.
    Data.you.money = -1;
    for (int i = 0; i < Data.players_count; ++i) Data.players[i].money = -1;

    while (Socket.Wait2(protocol::kMarkerInfo, protocol::kMarkerPlayers) == 1) ReadPlayerEntry();

    if (Data.you.money == -1) Data.win = -1;
    int listed = Socket.Read_Int();
    std::printf("~Game: players quantity = %d; at the beginning = %d.\n", listed,
                Data.players_count + 1);
}

void CHabitat::WaitingTurn() {
    if (Socket.Wait2(protocol::kMarkerBankrupt, protocol::kMarkerEndTurn) == 1) {
        Data.win = -1;
        Data.you.money = -1;
    }
    Socket.SendCommand(protocol::kOrderInfo);
    if (Socket.Wait2(protocol::kMarkerYouWin, protocol::kMarkerPlayers) == 1) Data.win = 1;
    ++Data.turn_number;
    std::printf(
        "~Game: Turn [%d] ++.\n------------------------------------------------------------ \n",
        Data.turn_number);
}

void CHabitat::Destroy() {
    Socket.CloseHost();
    std::printf("\n~Info: Closed connection.\n");
}
