// Reads JSON through nlohmann::json as tolerantly as match needs for the server's log and its own
// files: a text that is not JSON is reported, not thrown, and a member that is missing or of
// another type reads as null, 0, false or "" instead of throwing as nlohmann's accessors do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace match {

using Json = nlohmann::json;

// Parses one complete JSON text; nullopt (and where it went wrong in `error`) when it is not one.
std::optional<Json> ParseJson(const std::string& text, std::string* error = nullptr);

// A read-only look at a parsed value whose reads never throw.
class JsonView {
public:
    // Implicit, so that the items of an array iterate as views.
    JsonView(const Json& value) : value_(&value) {}

    // The member `key`, or null when this is not an object or has no such member.
    JsonView operator[](const char* key) const;
    // The number as an integer (a fraction is cut off), or `fallback` when it is not a number or
    // out of range.
    std::int64_t AsInt(std::int64_t fallback = 0) const;
    double AsNumber() const;  // 0 when not a number
    bool AsBool() const;      // false when not a boolean
    const std::string& AsString() const;  // "" when not a string
    // The items when this is an array, else none.
    const Json& Items() const;
    // The value itself, for its kind: view->is_string().
    const Json* operator->() const { return value_; }

private:
    const Json* value_;
};

}  // namespace match
