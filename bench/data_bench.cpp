// Benchmark of one game data read by name, as a script's ".you.money" or ".players[$i].money".
#include <benchmark/benchmark.h>

#include <memory>

#include "robot/data.h"

namespace {

// An image with a full table of players, as in a crowded game.
std::unique_ptr<CData> CrowdedImage() {
    auto data = std::make_unique<CData>();
    for (int i = 0; i < kMaxPlayers; ++i) data->AddGamer("player");
    data->market.max_prod_price = 5600;
    return data;
}

// name1, name2 and the player index of each read measured.
struct Read {
    const char* name1;
    const char* name2;
    int n;
};

void BM_DataGet(benchmark::State& state, Read read) {
    auto data = CrowdedImage();
    for (auto _ : state) benchmark::DoNotOptimize(data->Get(read.name1, read.name2, read.n));
}
BENCHMARK_CAPTURE(BM_DataGet, YouMoney, Read{".you", ".money", 0});
BENCHMARK_CAPTURE(BM_DataGet, MarketMinRawPrice, Read{".market", ".min_raw_price", 0});
BENCHMARK_CAPTURE(BM_DataGet, PlayerMoney, Read{".players", ".money", 57});
// Read by its name alone, found behind every player's record.
BENCHMARK_CAPTURE(BM_DataGet, MaxProdPriceAlone, Read{".max_prod_price", nullptr, 0});

// The same reads with the name resolved once, as an engine does when it lowers a program.
void BM_DataReadResolved(benchmark::State& state, Read read) {
    auto data = CrowdedImage();
    const CDataField field = CData::Resolve(read.name1, read.name2);
    for (auto _ : state) benchmark::DoNotOptimize(data->Read(field, read.n));
}
BENCHMARK_CAPTURE(BM_DataReadResolved, PlayerMoney, Read{".players", ".money", 57});
BENCHMARK_CAPTURE(BM_DataReadResolved, MaxProdPriceAlone, Read{".max_prod_price", nullptr, 0});

}  // namespace
