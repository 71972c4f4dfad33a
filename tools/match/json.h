// A small JSON reader for the server's JSON Lines log: one value per line, no dependency.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace match {

// One parsed JSON value; objects keep their keys sorted, which is all a reader needs.
class JsonValue {
public:
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    JsonValue() = default;
    static JsonValue Bool(bool b);
    static JsonValue Number(double n);
    static JsonValue String(std::string s);
    static JsonValue Array(std::vector<JsonValue> items);
    static JsonValue Object(std::map<std::string, JsonValue> members);

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::kNull; }
    bool AsBool() const { return kind_ == Kind::kBool && bool_; }
    double AsNumber() const { return kind_ == Kind::kNumber ? number_ : 0; }
    // The number as an integer, or `fallback` when it is not a number or out of range.
    std::int64_t AsInt(std::int64_t fallback = 0) const;
    const std::string& AsString() const { return string_; }
    const std::vector<JsonValue>& Items() const { return items_; }
    // The member `key`, or a null value when this is not an object or has no such key.
    const JsonValue& operator[](const std::string& key) const;

private:
    Kind kind_ = Kind::kNull;
    bool bool_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<JsonValue> items_;
    std::map<std::string, JsonValue> members_;
};

// Parses one complete JSON text; nullopt (and a reason in `error`) when it is not valid JSON.
std::optional<JsonValue> ParseJson(const std::string& text, std::string* error = nullptr);

}  // namespace match
