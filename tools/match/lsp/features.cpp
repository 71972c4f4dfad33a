// Placeholder answers: every feature answers "nothing here" until it is built.
#include "match/lsp/features.h"

namespace match::lsp {

nlohmann::json Completion(const std::string&, Position) { return nlohmann::json::array(); }
nlohmann::json Hover(const std::string&, Position) { return nullptr; }
nlohmann::json Definition(const std::string&, const std::string&, Position) { return nullptr; }
nlohmann::json References(const std::string&, const std::string&, Position, bool) {
    return nlohmann::json::array();
}
nlohmann::json DocumentSymbols(const std::string&) { return nlohmann::json::array(); }
nlohmann::json Rename(const std::string&, const std::string&, Position, const std::string&,
                      std::string&) {
    return nullptr;
}
nlohmann::json Format(const std::string&) { return nlohmann::json::array(); }
nlohmann::json CodeActions(const std::string&, const std::string&, const nlohmann::json&) {
    return nlohmann::json::array();
}

}  // namespace match::lsp
