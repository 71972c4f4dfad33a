// The robot's actions: each command prints its console line and sends its command line; the
// statistics sum over the robot and the players still in the game.
#include "robot/robot.h"

#include <cstdio>

#include "protocol/robot_protocol.h"

int IsPlayerPlaying(CGamer& p) { return p.money != -1 ? 1 : 0; }

CRobot::CRobot(CData* d, CSocket* s) : Data(d), Socket(s) { Data->win = 0; }

void CRobot::Turn() {
    std::printf("\t~Robot: Turn! \n");
    Socket->SendCommand(protocol::kOrderTurn);
}

void CRobot::Pass() { Turn(); }

void CRobot::Upgrade() {
    std::printf("\t~Robot: Upgrade. \n");
    Socket->SendCommand(protocol::kOrderUpgrade);
}

void CRobot::ABuild() {
    std::printf("\t~Robot: Auto plant build. \n");
    Socket->SendCommand(protocol::kOrderAbuild);
}

void CRobot::Prod(int n) {
    std::printf("\t~Robot: prod %d.\n", n);
    Socket->SendCommandWithInt("prod ", n);
}

void CRobot::Sell(int n, int cost) {
    std::printf("\t~Robot: sell %d by %d$.\n", n, cost);
    Socket->SendCommandWithInt2("sell ", n, cost);
}

void CRobot::Buy(int n, int cost) {
    std::printf("\t~Robot: buy %d by %d$.\n", n, cost);
    Socket->SendCommandWithInt2("buy ", n, cost);
}

int CRobot::IsWin() {
    const char* name = Data->you.gamer_name;
    switch (Data->win) {
        case 1:
            std::printf("~Game: %s won! :-) \n", name);
            break;
        case -1:
            std::printf("~Game: %s looser! :'-( \n", name);
            break;
        case 0:
            std::printf("~Game: %s is playing... :-* \n", name);
            break;
        default:
            break;
    }
    return Data->win;
}

int CRobot::IsNeedInAutoPlants() { return Data->you.fabrics; }

// Sums and products of server-given numbers wrap instead of overflowing: a hostile server
// must not be able to cause undefined behaviour in the robot.
namespace {

int Add(int a, int b) {
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}

int Sub(int a, int b) {
    return static_cast<int>(static_cast<unsigned>(a) - static_cast<unsigned>(b));
}

int Twice(int a) { return Add(a, a); }

}  // namespace

int CRobot::MaxProducing(CGamer& player) { return Add(Twice(player.auto_plants), player.fabrics); }

int CRobot::GetPlayerOptimalProdN(CGamer& player) {
    int most = MaxProducing(player);
    return player.raw < most ? player.raw : most;
}

int CRobot::GetPlayerOptimalBuyN(CGamer& player, int to_prod) {
    int most = MaxProducing(player);
    return to_prod < most ? most : Sub(Twice(most), to_prod);
}

int CRobot::GetAllPlayers_Prod() {
    int sum = 0;
    for (int i = 0; i < Data->players_count && i < kMaxPlayers; ++i)
        if (IsPlayerPlaying(Data->players[i])) sum = Add(sum, Data->players[i].prod);
    return Add(sum, Data->you.prod);
}

int CRobot::GetAllPlayers_Raw() {
    int sum = 0;
    for (int i = 0; i < Data->players_count && i < kMaxPlayers; ++i)
        if (IsPlayerPlaying(Data->players[i])) sum = Add(sum, Data->players[i].raw);
    return Add(sum, Data->you.raw);
}

int CRobot::GetAllPlayers_Producing() {
    int sum = 0;
    for (int i = 0; i < Data->players_count && i < kMaxPlayers; ++i)
        if (IsPlayerPlaying(Data->players[i]))
            sum = Add(sum, GetPlayerOptimalProdN(Data->players[i]));
    return Add(sum, MaxProducing(Data->you));
}

int CRobot::GetPlayingGamers() {
    int count = 0;
    for (int i = 0; i < Data->players_count && i < kMaxPlayers; ++i)
        count += IsPlayerPlaying(Data->players[i]);
    return count + 1;
}
