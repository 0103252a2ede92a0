// Editing at scale: a million cell-undo pushes and pops, and a 1000 x 1000
// block through the clipboard text both ways.
#include <benchmark/benchmark.h>

#include "editor/blockOps.h"
#include "editor/undoCells.h"
#include "testing/platformFakes.h"

using namespace qx;

static void BM_UndoPushPop(benchmark::State& state) {
    StringGrid g(11, 11);
    g.setCells(5, 5, u"部品番号");
    for (auto _ : state) {
        TUndoCells u;
        for (int i = 0; i < 1'000'000; ++i) {
            u.Add(g, 1 + i % 10, 1 + (i / 10) % 10);
        }
        for (int i = 0; i < 1'000'000; ++i) {
            u.Undo(g);
        }
    }
}
BENCHMARK(BM_UndoPushPop)->Unit(benchmark::kMillisecond)->Iterations(3);

namespace {
constexpr int kSide = 1000;
std::u16string bigBlock() {
    std::u16string t;
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            t += u"品";
            t += c + 1 < kSide ? u"\t" : u"\r\n";
        }
    }
    return t;
}
}  // namespace

static void BM_Paste1000x1000(benchmark::State& state) {
    StringGrid w(kSide + 1, kSide + 1), snap(kSide + 1, kSide + 1);
    fake::FakeClipboard clip;
    clip.text = bigBlock();
    BlockUndoState st;
    w.setSelection({1, 1, 1, 1});
    for (auto _ : state) {
        pasteCells(w, snap, st, clip);
    }
}
BENCHMARK(BM_Paste1000x1000)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_Copy1000x1000(benchmark::State& state) {
    fake::FakePlatform f;
    StringGrid w(kSide + 1, kSide + 1);
    for (int r = 1; r <= kSide; ++r) {
        for (int c = 1; c <= kSide; ++c) {
            w.setCells(c, r, u"品");
        }
    }
    w.setSelection({1, 1, kSide, kSide});
    Memo log;
    for (auto _ : state) {
        copyToClipboard(w, log, f.platform());
    }
}
BENCHMARK(BM_Copy1000x1000)->Unit(benchmark::kMillisecond)->Iterations(3);
