// A small seeded random generator of our own (xoshiro256**, seeded by splitmix64), so that a
// game depends only on its seed and never on the standard library's distributions.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace gs {

// Deterministic generator: the same seed gives the same sequence on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) {
        for (std::uint64_t& word : state_) word = SplitMix(seed);
    }

    // The generator of one game: derived from the server seed and the game's number, so
    // games do not share a sequence and one game's moves never change another's draws.
    static Rng ForGame(std::uint64_t server_seed, std::uint64_t game) {
        return Rng(server_seed + 0x9E3779B97F4A7C15ULL * game);
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotl(state_[3], 45);
        return result;
    }

    // Uniform in [0, bound), bound >= 1; rejection keeps it free of modulo bias.
    std::uint64_t Below(std::uint64_t bound) {
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
        std::uint64_t value = Next();
        while (value >= limit) value = Next();
        return value % bound;
    }

    // Fisher-Yates shuffle driven by this generator.
    template <typename T>
    void Shuffle(std::vector<T>& items) {
        for (std::size_t i = items.size(); i > 1; --i) {
            std::swap(items[i - 1], items[Below(i)]);
        }
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    static std::uint64_t SplitMix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    std::uint64_t state_[4];
};

}  // namespace gs
