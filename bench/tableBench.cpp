// Table reconstruction at scale: boundaries from a million segments, and
// filling large tables with up to a million texts.
#include <benchmark/benchmark.h>

#include <random>

#include "table/drawnBorders.h"
#include "table/tableGrid.h"

using namespace qx;

namespace {
TQdlLists makeTable(int cols, int rows, int texts) {
    TQdlLists l;
    for (int i = 0; i <= cols; ++i) {
        l.tateAry.push_back(i * 10.0);
    }
    for (int j = 0; j <= rows; ++j) {
        l.yokoAry.push_back(-j * 5.0);
    }
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> x(0, cols * 10.0), y(-rows * 5.0, 0);
    l.textAry.reserve(texts);
    for (int i = 0; i < texts; ++i) {
        TQdlText t;
        t.base = {x(rng), y(rng), 0};
        t.sText = u"部品A-12";
        t.objID = i + 1;
        l.textAry.push_back(t);
    }
    return l;
}
}  // namespace

static void BM_fillGrid(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const TQdlLists lists = makeTable(side, side, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        TableModel grid;
        fillGrid(grid, lists, 0.1);
        benchmark::DoNotOptimize(grid.Cells(1, 1));
    }
    state.SetComplexityN(state.range(1));
}
BENCHMARK(BM_fillGrid)
    ->ArgsProduct({{100, 1000}, {10'000, 100'000, 1'000'000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

static void BM_collectAndMergeBorders(benchmark::State& state) {
    TQdlLists base;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> pos(0, 10'000), jitter(-0.04, 0.04);
    const auto n = static_cast<std::size_t>(state.range(0));
    base.lineAry.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double p = std::floor(pos(rng)) + jitter(rng);  // clusters of near-duplicates
        if (i % 2) {
            base.lineAry.push_back({{p, 0, 0}, {p + jitter(rng), 100, 0}});
        } else {
            base.lineAry.push_back({{0, p, 0}, {100, p + jitter(rng), 0}});
        }
    }
    for (auto _ : state) {
        TQdlLists l = base;
        collectBorders(l, 0.1);
        mergeBorders(l, 0.1);
        benchmark::DoNotOptimize(l.tateAry.data());
    }
}
BENCHMARK(BM_collectAndMergeBorders)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The borders a drawing has, for a side x side table: drawn cell by cell
// (one segment per cell edge, every fifth left out as a merged field), or as
// whole lines (so that the cells, not the segments, set the cost).
static void BM_drawnBorders(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const bool pieces = state.range(1) != 0;
    TQdlLists l = makeTable(side, side, 0);
    for (int i = 1; i < side; ++i) {
        const double x = i * 10.0, y = -i * 5.0;
        if (!pieces) {
            l.lineAry.push_back({{x, 0, 0}, {x, -side * 5.0, 0}});
            l.lineAry.push_back({{0, y, 0}, {side * 10.0, y, 0}});
            continue;
        }
        for (int j = 0; j < side; ++j) {
            if ((i * 7 + j) % 5 != 0) {
                l.lineAry.push_back({{x, -j * 5.0, 0}, {x, -(j + 1) * 5.0, 0}});
                l.lineAry.push_back({{j * 10.0, y, 0}, {(j + 1) * 10.0, y, 0}});
            }
        }
    }
    for (auto _ : state) {
        const CellEdges e = drawnBorders(l.lineAry, l.tateAry, l.yokoAry, 0.1);
        benchmark::DoNotOptimize(e.right(1, 1));
    }
    state.counters["segments"] = static_cast<double>(l.lineAry.size());
}
BENCHMARK(BM_drawnBorders)->ArgsProduct({{100, 1000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3);
