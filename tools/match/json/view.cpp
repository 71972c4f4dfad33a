// Tolerant reads over nlohmann::json: every accessor checks the kind before it reads.
#include "match/json/view.h"

#include <limits>

namespace match {
namespace {

const Json& Null() {
    static const Json null;
    return null;
}

}  // namespace

std::optional<Json> ParseJson(const std::string& text, std::string* error) {
    try {
        return Json::parse(text);
    } catch (const Json::parse_error& e) {
        if (error) *error = "not valid JSON at byte " + std::to_string(e.byte);
    } catch (const Json::exception&) {  // a number too large for a double
        if (error) *error = "not valid JSON: a number out of range";
    }
    return std::nullopt;
}

JsonView JsonView::operator[](const char* key) const {
    if (!value_->is_object()) return Null();
    auto it = value_->find(key);
    return it == value_->end() ? Null() : *it;
}

std::int64_t JsonView::AsInt(std::int64_t fallback) const {
    if (value_->is_number_unsigned()) {
        const auto n = value_->get<std::uint64_t>();
        return n <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? static_cast<std::int64_t>(n)
                   : fallback;
    }
    if (value_->is_number_integer()) return value_->get<std::int64_t>();
    if (!value_->is_number_float()) return fallback;
    // Outside this range the conversion to int64 would be undefined.
    const auto n = value_->get<double>();
    return n > -9.0e18 && n < 9.0e18 ? static_cast<std::int64_t>(n) : fallback;
}

double JsonView::AsNumber() const { return value_->is_number() ? value_->get<double>() : 0; }

bool JsonView::AsBool() const { return value_->is_boolean() && value_->get<bool>(); }

const std::string& JsonView::AsString() const {
    static const std::string empty;
    return value_->is_string() ? value_->get_ref<const std::string&>() : empty;
}

const Json& JsonView::Items() const {
    static const Json none = Json::array();
    return value_->is_array() ? *value_ : none;
}

}  // namespace match
