// Edit distance with swaps of neighbours (typing slips) and the choice of a close name.
#include "match/check/nearest.h"

#include <algorithm>

namespace match {
namespace {

// Insertions, deletions, substitutions and swaps of two neighbouring characters.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

// How many edits a name of this length may be away and still be taken for a slip: one for
// short names, a third of the length for long ones.
std::size_t AllowedEdits(std::size_t length) { return std::max<std::size_t>(1, length / 3); }

}  // namespace

std::string NearestName(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    std::size_t best_distance = AllowedEdits(name.size()) + 1;
    for (const std::string& candidate : known) {
        // The lengths alone set the distance's floor; a long name is not compared at all.
        const std::size_t floor =
            std::max(name.size(), candidate.size()) - std::min(name.size(), candidate.size());
        if (floor >= best_distance) continue;
        const std::size_t distance = EditDistance(name, candidate);
        if (distance < best_distance) {
            best = candidate;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace match
