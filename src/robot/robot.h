// The robot's actions: command lines for the game server, the game-over test and statistics
// over all players, computed from the game data image.
#ifndef MOD_ROBOT_ROBOT_H
#define MOD_ROBOT_ROBOT_H

#include "robot/data.h"
#include "robot/socket.h"

// 1 when the player was listed in the last players request (its money is not -1), else 0.
int IsPlayerPlaying(CGamer& p);

// What the script acts through: sends its commands and reads the session's image.
class CRobot {
public:
    CRobot(CData* d, CSocket* s);
    virtual ~CRobot() = default;

    // The commands are virtual so that a stand-in (a benchmark's, a test's) can record them.
    virtual void Turn();
    void Pass();
    virtual void Upgrade();
    void ABuild();
    virtual void Prod(int n);
    virtual void Sell(int n, int cost);
    virtual void Buy(int n, int cost);

    // The image's win flag (0 playing, 1 won, -1 lost); prints the robot's status line.
    int IsWin();
    int IsNeedInAutoPlants();
    int MaxProducing(CGamer& player);
    int GetPlayerOptimalProdN(CGamer& player);
    int GetPlayerOptimalBuyN(CGamer& player, int to_prod);
    int GetAllPlayers_Prod();
    int GetAllPlayers_Raw();
    int GetAllPlayers_Producing();
    int GetPlayingGamers();

private:
    CData* Data;
    CSocket* Socket;
};

#endif
