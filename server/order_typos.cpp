// Mistyped orders: case-insensitive and one-edit matches against the request table's words.
#include "server/order_typos.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "server/request.h"

namespace gs {
namespace {

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// True when b is a with one byte changed, added or dropped, or two neighbouring bytes swapped.
bool OneEditApart(const std::string& a, const std::string& b) {
    if (a == b) return false;
    const std::string& shorter = a.size() <= b.size() ? a : b;
    const std::string& longer = a.size() <= b.size() ? b : a;
    if (longer.size() - shorter.size() > 1) return false;
    std::size_t i = 0;
    while (i < shorter.size() && shorter[i] == longer[i]) ++i;
    if (shorter.size() < longer.size()) return shorter.compare(i, std::string::npos, longer, i + 1) == 0;
    if (shorter.compare(i + 1, std::string::npos, longer, i + 1) == 0) return true;
    return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] &&
           a.compare(i + 2, std::string::npos, b, i + 2) == 0;
}

bool AllNumbers(const std::vector<std::string>& words) {
    return std::all_of(words.begin() + 1, words.end(), [](const std::string& word) {
        return std::all_of(word.begin(), word.end(),
                           [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    });
}

std::string Suggest(const std::string& typed, const char* word) {
    return "! error: unknown order '" + typed + "' (did you mean '" + word + "'?)";
}

}  // namespace

std::string MistypedOrderError(const std::string& line) {
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty() || !AllNumbers(words)) return "";
    const std::string& first = words[0];
    const std::string lower = Lower(first);
    const std::vector<RequestShape> shapes = RequestShapes();
    for (const RequestShape& shape : shapes) {
        if (lower == shape.word && first != shape.word) return Suggest(first, shape.word);
    }
    if (first.size() < kMinTypoWordBytes) return "";
    const auto arguments = static_cast<int>(words.size() - 1);
    for (const RequestShape& shape : shapes) {
        if (shape.numbers == arguments && OneEditApart(lower, shape.word))
            return Suggest(first, shape.word);
    }
    return "";
}

}  // namespace gs
