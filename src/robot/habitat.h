// The game session: introduces the robot to the server, joins or creates a game and keeps
// the game data image up to date turn by turn.
#ifndef MOD_ROBOT_HABITAT_H
#define MOD_ROBOT_HABITAT_H

#include <vector>

#include "robot/data.h"
#include "robot/socket.h"

// The robot's conversation with the game server, apart from its own commands.
class CHabitat {
public:
    CHabitat();
    ~CHabitat();
    CHabitat(const CHabitat&) = delete;
    CHabitat& operator=(const CHabitat&) = delete;

    // Connects, introduces the robot, joins or creates a game; returns once it has started.
    void Init(const char* host, int portno, const char* gamer_name, int to_wait);
    // The part of Init after connecting, on a connection already open (see CSocket::Adopt).
    void Introduce(const char* gamer_name, int to_wait);
    // Creates a game and waits for to_wait other gamers, then starts it.
    void NewGame(int to_wait);
    // Market and players requests: the image is up to date when it returns.
    void Analyze();
    // Waits for the end of the turn; updates win and turn_number.
    void WaitingTurn();
    // Closes the connection.
    void Destroy();

    CData* GetDataAddr() { return &Data; }
    CSocket* GetSocketAddr() { return &Socket; }

private:
    // Lists the games and joins the first waiting one not in refused, or creates a game;
    // true once it has started, false when the server refused the join.
    bool EnterGame(int to_wait, std::vector<int>& refused);
    // Reads the games list up to the first waiting game not in refused (its number goes to
    // the image); false when the list ends first.
    bool FindWaitingGame(const std::vector<int>& refused);
    void Market();
    void Info();
    // Reads one "& INFO" entry (name and five numbers) into the image.
    void ReadPlayerEntry();

    CSocket Socket;
    CData Data;
};

#endif
