// The language server's dispatch: JSON-RPC checks, the lifecycle, the documents and their
// diagnostics, and the routing of feature requests.
#include "match/lsp/server.h"

#include <exception>
#include <limits>
#include <utility>

#include "match/lsp/diagnostics.h"
#include "match/lsp/features.h"
#include "match/lsp/framing.h"

namespace match::lsp {
namespace {

constexpr char kJsonRpcVersion[] = "2.0";
constexpr int kFullTextSync = 1;
constexpr char kInitialize[] = "initialize";
constexpr char kExit[] = "exit";
constexpr char kPublishDiagnostics[] = "textDocument/publishDiagnostics";
// Arrays and objects nested deeper than this are refused unread: the JSON library builds and
// frees them recursively, and no message of the protocol comes near it.
constexpr int kMaxNesting = 256;

// A request that cannot be answered with a result; thrown by a handler, answered as an error.
struct RequestError {
    ErrorCode code;
    std::string message;
};

nlohmann::json NotificationMessage(const std::string& method, nlohmann::json params) {
    return {{"jsonrpc", kJsonRpcVersion}, {"method", method}, {"params", std::move(params)}};
}

// A line or character number: a whole number from 0 that fits an int.
int CountOf(const nlohmann::json& number, const char* what) {
    if (!number.is_number_integer() || number.get<long long>() < 0 ||
        number.get<long long>() > std::numeric_limits<int>::max())
        throw RequestError{ErrorCode::kInvalidParams, std::string(what) + " must be a whole number from 0"};
    return static_cast<int>(number.get<long long>());
}

lsp::Position PositionOf(const nlohmann::json& params) {
    const nlohmann::json& at = params.at("position");
    return lsp::Position{CountOf(at.at("line"), "position.line"), CountOf(at.at("character"), "position.character")};
}

// A document's version as the client numbers it; 0 when it gives none that is a whole number.
long long VersionOf(const nlohmann::json& document) {
    const nlohmann::json version = document.value("version", nlohmann::json());
    return version.is_number_integer() ? version.get<long long>() : 0;
}

std::string UriOf(const nlohmann::json& params) { return params.at("textDocument").at("uri").get<std::string>(); }

// True when the brackets outside strings nest deeper than kMaxNesting.
bool NestsTooDeep(const std::string& body) {
    int depth = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (in_string) {
            if (c == '\\') ++i;  // the escaped character cannot end the string
            in_string = c != '"';
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

bool IsValidId(const nlohmann::json& id) { return id.is_string() || id.is_number_integer() || id.is_null(); }

// Why `message` is neither a request nor a notification; empty when it is one of them.
std::string EnvelopeProblem(const nlohmann::json& message) {
    if (message.value("jsonrpc", nlohmann::json()) != kJsonRpcVersion) return "\"jsonrpc\" must be \"2.0\"";
    if (!message.contains("method") || !message["method"].is_string()) return "a request needs a \"method\" string";
    if (message.contains("id") && !IsValidId(message["id"])) return "an \"id\" is a number or a string";
    return std::string();
}

}  // namespace

Server::Server(std::ostream& out, std::string version, Checker check)
    : out_(out), version_(std::move(version)), check_(std::move(check)) {}

const std::map<std::string, Server::Request>& Server::Requests() {
    static const std::map<std::string, Request> requests = {
        {kInitialize, &Server::Initialize},
        {"shutdown", &Server::Shutdown},
        {"textDocument/completion", &Server::Completion},
        {"textDocument/hover", &Server::Hover},
        {"textDocument/definition", &Server::Definition},
        {"textDocument/references", &Server::References},
        {"textDocument/documentSymbol", &Server::DocumentSymbols},
        {"textDocument/rename", &Server::Rename},
        {"textDocument/formatting", &Server::Format},
        {"textDocument/codeAction", &Server::CodeActions},
    };
    return requests;
}

// Requests are answered in the order they come, each before the next message is read, so a
// cancellation always comes too late to stop its request: it is accepted and ignored.
const std::map<std::string, Server::Notification>& Server::Notifications() {
    static const std::map<std::string, Notification> notifications = {
        {"initialized", &Server::Initialized},
        {"textDocument/didOpen", &Server::DidOpen},
        {"textDocument/didChange", &Server::DidChange},
        {"textDocument/didClose", &Server::DidClose},
        {"$/cancelRequest", &Server::Ignore},
    };
    return notifications;
}

void Server::HandleMessage(const std::string& body) {
    if (NestsTooDeep(body))
        return SendError(nullptr, ErrorCode::kParseError,
                         "the message nests deeper than " + std::to_string(kMaxNesting) + " levels");
    const nlohmann::json message = nlohmann::json::parse(body, nullptr, false);
    if (message.is_discarded()) return SendError(nullptr, ErrorCode::kParseError, "the message is not JSON");
    if (!message.is_object()) return SendError(nullptr, ErrorCode::kInvalidRequest, "a message is a JSON object");
    const bool has_id = message.contains("id");
    const nlohmann::json id = has_id && IsValidId(message["id"]) ? message["id"] : nlohmann::json();
    if (!message.contains("method") && has_id && (message.contains("result") || message.contains("error")))
        return;  // an answer to a request of ours; the server sends none
    const std::string problem = EnvelopeProblem(message);
    if (!problem.empty()) return SendError(id, ErrorCode::kInvalidRequest, problem);
    const nlohmann::json params = message.value("params", nlohmann::json::object());
    const std::string method = message["method"].get<std::string>();
    if (has_id) {
        HandleRequest(id, method, params);
    } else {
        HandleNotification(method, params);
    }
}

void Server::RejectFrame(const std::string& problem) {
    SendError(nullptr, ErrorCode::kParseError, "unreadable message headers: " + problem);
}

void Server::HandleRequest(const nlohmann::json& id, const std::string& method, const nlohmann::json& params) {
    const auto handler = Requests().find(method);
    if (state_ == State::kWaiting && method != kInitialize)
        return SendError(id, ErrorCode::kServerNotInitialized, "the server is not initialized yet");
    if (state_ == State::kShutDown) return SendError(id, ErrorCode::kInvalidRequest, "the server is shut down");
    if (state_ == State::kRunning && method == kInitialize)
        return SendError(id, ErrorCode::kInvalidRequest, "the server is initialized already");
    if (handler == Requests().end()) return SendError(id, ErrorCode::kMethodNotFound, "unknown method " + method);
    try {
        nlohmann::json result = (this->*handler->second)(params);
        Send({{"jsonrpc", kJsonRpcVersion}, {"id", id}, {"result", std::move(result)}});
    } catch (const RequestError& e) {
        SendError(id, e.code, e.message);
    } catch (const nlohmann::json::exception& e) {
        SendError(id, ErrorCode::kInvalidParams, std::string("bad parameters: ") + e.what());
    } catch (const std::exception& e) {
        SendError(id, ErrorCode::kInternalError, e.what());
    }
}

// Before initialize only exit counts; after shutdown too. Unknown notifications are ignored,
// and so are those whose parameters are wrong: there is no one to answer.
void Server::HandleNotification(const std::string& method, const nlohmann::json& params) {
    if (method == kExit) {
        exited_ = true;
        return;
    }
    if (state_ != State::kRunning) return;
    const auto handler = Notifications().find(method);
    if (handler == Notifications().end()) return;
    try {
        (this->*handler->second)(params);
    } catch (const RequestError&) {
    } catch (const std::exception&) {
    }
}

void Server::Send(const nlohmann::json& message) {
    // Texts quoted from a script may hold bytes that are not UTF-8; they are sent replaced.
    WriteFrame(out_, message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void Server::SendError(const nlohmann::json& id, ErrorCode code, const std::string& message) {
    Send({{"jsonrpc", kJsonRpcVersion},
          {"id", id},
          {"error", {{"code", static_cast<int>(code)}, {"message", message}}}});
}

const std::string& Server::OpenText(const nlohmann::json& params) const {
    const std::string uri = UriOf(params);
    const std::string* text = documents_.Text(uri);
    if (!text) throw RequestError{ErrorCode::kInvalidParams, "the document is not open: " + uri};
    return *text;
}

void Server::PublishDiagnostics(const std::string& uri) {
    const std::string* text = documents_.Text(uri);
    if (!text) return;
    Send(NotificationMessage(kPublishDiagnostics,
                      {{"uri", uri},
                       {"version", documents_.Version(uri)},
                       {"diagnostics", ToLspDiagnostics(*text, check_(*text))}}));
}

nlohmann::json Server::Initialize(const nlohmann::json&) {
    state_ = State::kRunning;
    nlohmann::json capabilities = {
        {"textDocumentSync", {{"openClose", true}, {"change", kFullTextSync}}},
        {"completionProvider", {{"triggerCharacters", {".", "?"}}}},
        {"hoverProvider", true},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"documentSymbolProvider", true},
        {"renameProvider", true},
        {"documentFormattingProvider", true},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
    };
    return {{"capabilities", capabilities}, {"serverInfo", {{"name", "match"}, {"version", version_}}}};
}

nlohmann::json Server::Shutdown(const nlohmann::json&) {
    state_ = State::kShutDown;
    return nullptr;
}

nlohmann::json Server::Completion(const nlohmann::json& params) {
    return lsp::Completion(OpenText(params), PositionOf(params));
}

nlohmann::json Server::Hover(const nlohmann::json& params) { return lsp::Hover(OpenText(params), PositionOf(params)); }

nlohmann::json Server::Definition(const nlohmann::json& params) {
    return lsp::Definition(UriOf(params), OpenText(params), PositionOf(params));
}

nlohmann::json Server::References(const nlohmann::json& params) {
    const nlohmann::json context = params.value("context", nlohmann::json::object());
    return lsp::References(UriOf(params), OpenText(params), PositionOf(params),
                           context.value("includeDeclaration", false));
}

nlohmann::json Server::DocumentSymbols(const nlohmann::json& params) { return lsp::DocumentSymbols(OpenText(params)); }

nlohmann::json Server::Rename(const nlohmann::json& params) {
    std::string error;
    nlohmann::json edit = lsp::Rename(UriOf(params), OpenText(params), PositionOf(params),
                                      params.at("newName").get<std::string>(), error);
    if (!error.empty()) throw RequestError{ErrorCode::kRequestFailed, error};
    return edit;
}

nlohmann::json Server::Format(const nlohmann::json& params) { return lsp::Format(OpenText(params)); }

nlohmann::json Server::CodeActions(const nlohmann::json& params) {
    const nlohmann::json context = params.value("context", nlohmann::json::object());
    return lsp::CodeActions(UriOf(params), OpenText(params), context.value("diagnostics", nlohmann::json::array()));
}

void Server::Initialized(const nlohmann::json&) {}

void Server::DidOpen(const nlohmann::json& params) {
    const nlohmann::json& document = params.at("textDocument");
    const std::string uri = document.at("uri").get<std::string>();
    documents_.Open(uri, document.at("text").get<std::string>(), VersionOf(document));
    PublishDiagnostics(uri);
}

// Full sync: the last change holds the whole text.
void Server::DidChange(const nlohmann::json& params) {
    const std::string uri = UriOf(params);
    const nlohmann::json& changes = params.at("contentChanges");
    if (!changes.is_array() || changes.empty()) return;
    const long long version = VersionOf(params.at("textDocument"));
    if (documents_.Change(uri, changes.back().at("text").get<std::string>(), version)) PublishDiagnostics(uri);
}

// A closed document's diagnostics are cleared: the editor no longer shows its problems.
void Server::DidClose(const nlohmann::json& params) {
    const std::string uri = UriOf(params);
    documents_.Close(uri);
    Send(NotificationMessage(kPublishDiagnostics, {{"uri", uri}, {"diagnostics", nlohmann::json::array()}}));
}

void Server::Ignore(const nlohmann::json&) {}

int Serve(std::istream& in, Server& server) {
    for (;;) {
        Frame frame = ReadFrame(in);
        if (frame.kind == Frame::Kind::kEnd) return server.ExitCode();
        if (frame.kind == Frame::Kind::kBadHeader) {
            server.RejectFrame(frame.problem);
        } else {
            server.HandleMessage(frame.body);
        }
        if (server.Exited()) return server.ExitCode();
    }
}

int RunLanguageServer(std::istream& in, std::ostream& out, const std::string& version) {
    Server server(out, version);
    return Serve(in, server);
}

}  // namespace match::lsp
