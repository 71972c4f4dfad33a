// A small JSON reader: recursive descent over one text, with a nesting cap so no input can overflow the stack.
#include "match/json.h"

#include <cmath>
#include <cstdlib>

namespace match {
namespace {

constexpr int kMaxDepth = 64;  // nesting levels; the server's log uses four

// Recursive-descent parser over one JSON text.
class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    std::optional<JsonValue> ParseDocument(std::string* error) {
        std::optional<JsonValue> value = ParseValue(0);
        SkipSpace();
        if (value && pos_ != text_.size()) Fail("unexpected text after the value");
        if (!error_.empty()) {
            if (error) *error = error_ + " at byte " + std::to_string(pos_);
            return std::nullopt;
        }
        return value;
    }

private:
    std::optional<JsonValue> Fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return std::nullopt;
    }

    void SkipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    bool Consume(const char* word) {
        std::string w(word);
        if (text_.compare(pos_, w.size(), w) != 0) return false;
        pos_ += w.size();
        return true;
    }

    std::optional<JsonValue> ParseValue(int depth) {
        if (depth > kMaxDepth) return Fail("nesting too deep");
        SkipSpace();
        if (pos_ >= text_.size()) return Fail("unexpected end");
        char c = text_[pos_];
        if (c == '{') return ParseObject(depth);
        if (c == '[') return ParseArray(depth);
        if (c == '"') {
            std::optional<std::string> s = ParseString();
            if (!s) return std::nullopt;
            return JsonValue::String(*s);
        }
        if (Consume("true")) return JsonValue::Bool(true);
        if (Consume("false")) return JsonValue::Bool(false);
        if (Consume("null")) return JsonValue();
        return ParseNumber();
    }

    std::optional<JsonValue> ParseNumber() {
        size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        while (pos_ < text_.size() && std::string("0123456789.eE+-").find(text_[pos_]) != std::string::npos)
            ++pos_;
        std::string digits = text_.substr(start, pos_ - start);
        if (digits.empty() || digits == "-") return Fail("unexpected character");
        char* end = nullptr;
        double n = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size() || !std::isfinite(n)) return Fail("bad number");
        return JsonValue::Number(n);
    }

    // Reads four hex digits of a \u escape.
    std::optional<unsigned> ParseHex4() {
        if (pos_ + 4 > text_.size()) return std::nullopt;
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            char h = text_[pos_++];
            code <<= 4;
            if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
            else return std::nullopt;
        }
        return code;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::optional<std::string> ParseString() {
        ++pos_;  // opening quote
        std::string out;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) {
                Fail("control character in string");
                return std::nullopt;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            char e = text_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    std::optional<unsigned> code = ParseHex4();
                    if (!code) {
                        Fail("bad \\u escape");
                        return std::nullopt;
                    }
                    AppendUtf8(out, *code);
                    break;
                }
                default:
                    Fail("bad escape");
                    return std::nullopt;
            }
        }
        Fail("unterminated string");
        return std::nullopt;
    }

    std::optional<JsonValue> ParseArray(int depth) {
        ++pos_;  // [
        std::vector<JsonValue> items;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ']') {
            ++pos_;
            return JsonValue::Array(std::move(items));
        }
        for (;;) {
            std::optional<JsonValue> item = ParseValue(depth + 1);
            if (!item) return std::nullopt;
            items.push_back(std::move(*item));
            SkipSpace();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < text_.size() && text_[pos_] == ']') {
                ++pos_;
                return JsonValue::Array(std::move(items));
            }
            return Fail("expected , or ]");
        }
    }

    std::optional<JsonValue> ParseObject(int depth) {
        ++pos_;  // {
        std::map<std::string, JsonValue> members;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == '}') {
            ++pos_;
            return JsonValue::Object(std::move(members));
        }
        for (;;) {
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected a key");
            std::optional<std::string> key = ParseString();
            if (!key) return std::nullopt;
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != ':') return Fail("expected :");
            ++pos_;
            std::optional<JsonValue> value = ParseValue(depth + 1);
            if (!value) return std::nullopt;
            members[*key] = std::move(*value);
            SkipSpace();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < text_.size() && text_[pos_] == '}') {
                ++pos_;
                return JsonValue::Object(std::move(members));
            }
            return Fail("expected , or }");
        }
    }

    const std::string& text_;
    size_t pos_ = 0;
    std::string error_;
};

const JsonValue& NullValue() {
    static const JsonValue null;
    return null;
}

}  // namespace

JsonValue JsonValue::Bool(bool b) {
    JsonValue v;
    v.kind_ = Kind::kBool;
    v.bool_ = b;
    return v;
}

JsonValue JsonValue::Number(double n) {
    JsonValue v;
    v.kind_ = Kind::kNumber;
    v.number_ = n;
    return v;
}

JsonValue JsonValue::String(std::string s) {
    JsonValue v;
    v.kind_ = Kind::kString;
    v.string_ = std::move(s);
    return v;
}

JsonValue JsonValue::Array(std::vector<JsonValue> items) {
    JsonValue v;
    v.kind_ = Kind::kArray;
    v.items_ = std::move(items);
    return v;
}

JsonValue JsonValue::Object(std::map<std::string, JsonValue> members) {
    JsonValue v;
    v.kind_ = Kind::kObject;
    v.members_ = std::move(members);
    return v;
}

std::int64_t JsonValue::AsInt(std::int64_t fallback) const {
    // Outside this range the conversion to int64 would be undefined.
    if (kind_ != Kind::kNumber || !(number_ > -9.0e18 && number_ < 9.0e18)) return fallback;
    return static_cast<std::int64_t>(number_);
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    auto it = members_.find(key);
    return it == members_.end() ? NullValue() : it->second;
}

std::optional<JsonValue> ParseJson(const std::string& text, std::string* error) {
    return JsonParser(text).ParseDocument(error);
}

}  // namespace match
