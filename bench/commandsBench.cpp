// Get and Update of generated tables against the in-memory drawing. The
// drawing's own calls are timed apart by running the same calls in a bare
// loop, so what remains is the commands' own work. The 300 x 300 table
// (90,000 texts) shows that the stand-in's pick stays linear and that a Get
// goes through the fast path at the same cost in-process.
#include <benchmark/benchmark.h>

#include "app/qdlXUnit.h"
#include "cad/fastPath.h"
#include "core/text.h"
#include "testing/fakeForm.h"
#include "testing/platformFakes.h"
#include "tools/cad-standin/memDrawing.h"

using namespace qx;

namespace {
constexpr int kSide = 100;

struct Setup : test::FakeForm {
    cad::MemDrawing drawing;
    cad::MemConnector connector;
    explicit Setup(int side = kSide, bool fastPath = false) {
        for (int i = 0; i <= side; ++i) {
            drawing.addLine({i * 10.0, 0, 0}, {i * 10.0, -side * 5.0, 0});
            drawing.addLine({0, -i * 5.0, 0}, {side * 10.0, -i * 5.0, 0});
        }
        for (int r = 0; r < side; ++r) {
            for (int c = 0; c < side; ++c) {
                drawing.addText(u"部品" + decimalText(r * side + c), {c * 10.0 + 1, -r * 5.0 - 1, 0}, {0, 0, 0});
            }
        }
        // The fast path's object served in-process, as the DLL serves it inside the CAD application.
        if (fastPath) {
            drawing.setInterfaceObjects([](const std::u16string& progId) {
                return progId == cad::kFastPathProgId ? cad::Dispatch(std::make_shared<cad::FastPathServer>())
                                                      : cad::Dispatch();
            });
        }
        connector.registerProgId(u"P", drawing.application());
        start(services(&connector));
        form->targetProgID = u"P";
        drawing.pickAll();
    }
};
}  // namespace

// Argument: the table's side; second argument 1 goes through the fast path.
static void BM_Get(benchmark::State& state) {
    Setup s(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        s.form->Button1Click();
    }
    state.counters["texts"] = static_cast<double>(s.form->lists.textAry.size());
}
BENCHMARK(BM_Get)->Args({100, 0})->Args({300, 0})->Args({300, 1})->Unit(benchmark::kMillisecond)->Iterations(3);

// The same drawing calls the Get makes per entity, without any of its own work.
static void BM_GetDrawingCallsOnly(benchmark::State& state) {
    Setup s(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_GetDrawingCallsOnly)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(3);

// The stand-in's pick alone: a selection set filled with every entity of the table.
static void BM_PickOnly(benchmark::State& state) {
    Setup s(static_cast<int>(state.range(0)));
    const cad::Dispatch sets =
        s.drawing.application().get(u"ActiveDocument").toDispatch().get(u"SelectionSets").toDispatch();
    for (auto _ : state) {
        const cad::Dispatch set = sets.call(u"Add", {cad::Variant(std::u16string(u"bare"))}).toDispatch();
        set.call(u"SelectOnScreen");
        benchmark::DoNotOptimize(set.get(u"Count"));
        set.call(u"Delete");
    }
}
BENCHMARK(BM_PickOnly)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(3);

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
                    s.form->StringGrid1.setCells(c, r, u"改" + decimalText(round * 100000 + k));
                }
            }
        }
        state.ResumeTiming();
        s.form->Button2Click();
    }
}
BENCHMARK(BM_Update100x100)->Arg(0)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(5);

// A row inserted above the first row of a 100 x 100 table and typed into:
// every text and line below it moves, each by its own call (timed); the row
// is deleted again between the rounds.
static void BM_InsertRowAtTop100x100(benchmark::State& state) {
    Setup s;
    s.form->Button1Click();
    const int moves = s.drawing.callCount(u"Move");
    for (auto _ : state) {
        s.form->table.insertRow(1);
        s.form->StringGrid1.setCells(1, 1, u"新規");
        s.form->Button2Click();
        state.PauseTiming();
        s.form->table.deleteRows(1, 1);
        s.form->Button2Click();
        state.ResumeTiming();
    }
    state.counters["moves"] =
        static_cast<double>(s.drawing.callCount(u"Move") - moves) / static_cast<double>(2 * state.iterations());
}
BENCHMARK(BM_InsertRowAtTop100x100)->Unit(benchmark::kMillisecond)->Iterations(3);
