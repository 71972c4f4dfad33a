// Request parsing: fixed words, strict decimal numbers, one clear error per malformed line.
#include "server/request.h"

#include "protocol/robot_protocol.h"

namespace gs {
namespace {

struct RequestWord {
    const char* word;
    RequestKind kind;
    int numbers;        // how many numbers follow the word
    const char* usage;  // shown when the numbers are wrong
};

constexpr RequestWord kRequestWords[] = {
    {protocol::kOrderMarket, RequestKind::kMarket, 0, "market"},
    {protocol::kOrderInfo, RequestKind::kInfo, 0, "info"},
    {protocol::kOrderBuy, RequestKind::kBuy, 2, "buy N P"},
    {protocol::kOrderSell, RequestKind::kSell, 2, "sell N P"},
    {protocol::kOrderProd, RequestKind::kProd, 1, "prod N"},
    {protocol::kOrderUpgrade, RequestKind::kUpgrade, 0, "upgrade"},
    {protocol::kOrderAbuild, RequestKind::kAbuild, 0, "abuild"},
    {protocol::kOrderTurn, RequestKind::kTurn, 0, "turn"},
};

bool IsDigits(const std::string& word) {
    if (word.empty()) return false;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

bool ParseNumber(const std::string& word, std::int64_t& value) {
    if (!IsDigits(word)) return false;
    value = 0;
    for (char c : word) {
        value = value * 10 + (c - '0');
        if (value > kMaxRequestNumber) return false;  // stops long before the 64-bit limit
    }
    return true;
}

Request ParseRequest(const std::string& line) {
    Request request;
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return request;
    for (const RequestWord& entry : kRequestWords) {
        if (words[0] != entry.word) continue;
        request.kind = entry.kind;
        const std::string usage = std::string("! error: usage: ") + entry.usage;
        if (words.size() != static_cast<std::size_t>(entry.numbers) + 1) {
            request.error = usage;
            return request;
        }
        std::int64_t* targets[] = {&request.count, &request.price};
        for (int i = 0; i < entry.numbers; ++i) {
            const std::string& word = words[static_cast<std::size_t>(i) + 1];
            if (!ParseNumber(word, *targets[i])) {
                request.error = IsDigits(word) ? "! error: number too large (at most " +
                                                     std::to_string(kMaxRequestNumber) + ")"
                                               : usage + " (N and P are whole numbers)";
                return request;
            }
        }
        return request;
    }
    return request;
}

std::vector<RequestShape> RequestShapes() {
    std::vector<RequestShape> shapes;
    for (const RequestWord& entry : kRequestWords) shapes.push_back({entry.word, entry.numbers});
    return shapes;
}

std::string RequestText(const Request& request) {
    switch (request.kind) {
        case RequestKind::kMarket:
            return "market";
        case RequestKind::kInfo:
            return "info";
        case RequestKind::kBuy:
            return "buy " + std::to_string(request.count) + " " + std::to_string(request.price);
        case RequestKind::kSell:
            return "sell " + std::to_string(request.count) + " " + std::to_string(request.price);
        case RequestKind::kProd:
            return "prod " + std::to_string(request.count);
        case RequestKind::kUpgrade:
            return "upgrade";
        case RequestKind::kAbuild:
            return "abuild";
        case RequestKind::kTurn:
            return "turn";
        case RequestKind::kNone:
            break;
    }
    return "";
}

}  // namespace gs
