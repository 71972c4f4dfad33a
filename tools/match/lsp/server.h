// match --lsp: the language server's side of the protocol. It reads one message at a time,
// answers each request before it reads the next, keeps the open documents, publishes the
// checker's diagnostics after every change, and routes the other requests to features.h.
#pragma once

#include <functional>
#include <istream>
#include <map>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "match/check/check.h"
#include "match/lsp/documents.h"

namespace match::lsp {

// The JSON-RPC and protocol error codes the server answers with.
enum class ErrorCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kInternalError = -32603,
    kServerNotInitialized = -32002,
    kRequestFailed = -32803,
};

// Checks a script's text; the server uses the checker of --check, tests may use their own.
using Checker = std::function<CheckResult(const std::string& text)>;

class Server {
public:
    Server(std::ostream& out, std::string version, Checker check = CheckScriptText);

    // Handles one message's body: answers a request, acts on a notification.
    void HandleMessage(const std::string& body);
    // Answers a message whose headers could not be read.
    void RejectFrame(const std::string& problem);

    bool Exited() const { return exited_; }
    // 0 when the client asked to shut down before the end, else 1.
    int ExitCode() const { return state_ == State::kShutDown ? 0 : 1; }

private:
    enum class State { kWaiting, kRunning, kShutDown };
    using Request = nlohmann::json (Server::*)(const nlohmann::json& params);
    using Notification = void (Server::*)(const nlohmann::json& params);

    void HandleRequest(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
    void HandleNotification(const std::string& method, const nlohmann::json& params);
    void Send(const nlohmann::json& message);
    void SendError(const nlohmann::json& id, ErrorCode code, const std::string& message);
    void PublishDiagnostics(const std::string& uri);
    const std::string& OpenText(const nlohmann::json& params) const;

    nlohmann::json Initialize(const nlohmann::json& params);
    nlohmann::json Shutdown(const nlohmann::json& params);
    nlohmann::json Completion(const nlohmann::json& params);
    nlohmann::json Hover(const nlohmann::json& params);
    nlohmann::json Definition(const nlohmann::json& params);
    nlohmann::json References(const nlohmann::json& params);
    nlohmann::json DocumentSymbols(const nlohmann::json& params);
    nlohmann::json Rename(const nlohmann::json& params);
    nlohmann::json Format(const nlohmann::json& params);
    nlohmann::json CodeActions(const nlohmann::json& params);
    void Initialized(const nlohmann::json& params);
    void DidOpen(const nlohmann::json& params);
    void DidChange(const nlohmann::json& params);
    void DidClose(const nlohmann::json& params);
    void Ignore(const nlohmann::json& params);

    static const std::map<std::string, Request>& Requests();
    static const std::map<std::string, Notification>& Notifications();

    std::ostream& out_;
    std::string version_;
    Checker check_;
    Documents documents_;
    State state_ = State::kWaiting;
    bool exited_ = false;
};

// Reads messages from `in` until the client's exit or the end of the input; the exit code.
int Serve(std::istream& in, Server& server);

// match --lsp on `in` and `out` (standard input and output).
int RunLanguageServer(std::istream& in, std::ostream& out, const std::string& version);

}  // namespace match::lsp
