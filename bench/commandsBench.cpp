// Get and Update of a 100 x 100 table (10,000 texts, 202 lines) against the
// in-memory drawing. The drawing's own calls are timed apart by running the
// same calls in a bare loop, so what remains is the commands' own work.
#include <benchmark/benchmark.h>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "testing/platformFakes.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;

namespace {
constexpr int kSide = 100;

struct Setup {
    fake::FakePlatform fakes;
    cad::MemDrawing drawing;
    cad::MemConnector connector;
    std::unique_ptr<VivazQDLForm> form;
    Setup() {
        for (int i = 0; i <= kSide; ++i) {
            drawing.addLine({i * 10.0, 0, 0}, {i * 10.0, -kSide * 5.0, 0});
            drawing.addLine({0, -i * 5.0, 0}, {kSide * 10.0, -i * 5.0, 0});
        }
        for (int r = 0; r < kSide; ++r) {
            for (int c = 0; c < kSide; ++c) {
                drawing.addText(u"部品" + fromUtf8(std::to_string(r * kSide + c)), {c * 10.0 + 1, -r * 5.0 - 1, 0},
                                {0, 0, 0});
            }
        }
        connector.registerProgId(u"P", drawing.application());
        VivazQDLForm::Services s;
        s.platform = fakes.platform();
        s.cad = &connector;
        form = std::make_unique<VivazQDLForm>(s);
        form->FormCreate();
        form->targetProgID = u"P";
        drawing.pickAll();
    }
};
}  // namespace

static void BM_Get100x100(benchmark::State& state) {
    Setup s;
    for (auto _ : state) {
        s.form->Button1Click();
    }
    state.counters["texts"] = static_cast<double>(s.form->lists.textAry.size());
}
BENCHMARK(BM_Get100x100)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same drawing calls the Get makes per entity, without any of its own work.
static void BM_GetDrawingCallsOnly(benchmark::State& state) {
    Setup s;
    const cad::Dispatch app = s.drawing.application();
    for (auto _ : state) {
        const cad::Dispatch set = app.get(u"ActiveDocument")
                                      .toDispatch()
                                      .get(u"SelectionSets")
                                      .toDispatch()
                                      .call(u"Add", {cad::Variant(std::u16string(u"bare"))})
                                      .toDispatch();
        set.call(u"SelectOnScreen", {cad::Variant(std::vector<std::int16_t>{0}),
                                     cad::Variant(std::vector<cad::Variant>{cad::Variant(u"TEXT,*LINE")})});
        const int n = set.get(u"Count").toInt32();
        for (int i = 0; i < n; ++i) {
            const cad::Dispatch e = set.call(u"Item", {cad::Variant(std::int32_t{i})}).toDispatch();
            if (e.get(u"EntityName").toString() == u"AcDbText") {
                const auto alignment = e.get(u"Alignment").toInt32();
                benchmark::DoNotOptimize(e.get(alignment == 0 ? u"InsertionPoint" : u"TextAlignmentPoint"));
                for (const char16_t* m : {u"ObjectID", u"TextString"}) {
                    benchmark::DoNotOptimize(e.get(m));
                }
            } else {
                benchmark::DoNotOptimize(e.get(u"StartPoint"));
                benchmark::DoNotOptimize(e.get(u"EndPoint"));
            }
        }
        set.call(u"Delete");
    }
}
BENCHMARK(BM_GetDrawingCallsOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

static void BM_Update100x100(benchmark::State& state) {
    Setup s;
    s.form->Button1Click();
    const int percent = static_cast<int>(state.range(0));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        int k = 0;
        for (int r = 1; r <= kSide; ++r) {
            for (int c = 1; c <= kSide; ++c, ++k) {
                if (k % 100 < percent) {
                    s.form->StringGrid1.setCells(c, r, u"改" + fromUtf8(std::to_string(round * 100000 + k)));
                }
            }
        }
        state.ResumeTiming();
        s.form->Button2Click();
    }
}
BENCHMARK(BM_Update100x100)->Arg(0)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(5);
