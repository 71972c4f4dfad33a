// The open documents and their versions.
#include "match/lsp/documents.h"

namespace match::lsp {

void Documents::Open(const std::string& uri, std::string text, long long version) {
    open_[uri] = Document{std::move(text), version};
}

bool Documents::Change(const std::string& uri, std::string text, long long version) {
    auto it = open_.find(uri);
    if (it == open_.end()) return false;
    it->second = Document{std::move(text), version};
    return true;
}

void Documents::Close(const std::string& uri) { open_.erase(uri); }

const std::string* Documents::Text(const std::string& uri) const {
    auto it = open_.find(uri);
    return it == open_.end() ? nullptr : &it->second.text;
}

long long Documents::Version(const std::string& uri) const {
    auto it = open_.find(uri);
    return it == open_.end() ? 0 : it->second.version;
}

}  // namespace match::lsp
