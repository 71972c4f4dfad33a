// The scripts the editor has open, by URI, with the text the editor holds (not what is saved).
#pragma once

#include <map>
#include <string>

namespace match::lsp {

class Documents {
public:
    // Opening a document again replaces its text.
    void Open(const std::string& uri, std::string text, long long version);
    // Replaces the whole text; false when the document is not open.
    bool Change(const std::string& uri, std::string text, long long version);
    void Close(const std::string& uri);
    // The text, or null when the document is not open.
    const std::string* Text(const std::string& uri) const;
    long long Version(const std::string& uri) const;

private:
    struct Document {
        std::string text;
        long long version = 0;
    };
    std::map<std::string, Document> open_;
};

}  // namespace match::lsp
