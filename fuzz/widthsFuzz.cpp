// The full-width / half-width conversions on any UTF-16 (lone surrogates
// too): the table routines, the portable width mapping and the grid command.
// The input is UTF-16 LE.

#include "fuzz/fuzzSupport.h"
#include "platform/widthMapPortable.h"
#include "table/tableGrid.h"
#include "table/tableModel.h"
#include "text/zenHanUtil.h"

using namespace qx;

namespace {

using Routine = void (*)(std::u16string&, MessagePump*);

std::u16string run(Routine routine, std::u16string text) {
    routine(text, nullptr);
    return text;
}

// Every table routine leaves nothing of its own kind behind, so running it
// again changes nothing.
void checkIdempotent(Routine routine, const std::u16string& text) {
    const std::u16string once = run(routine, text);
    QX_FUZZ_CHECK(run(routine, once) == once);
}

// Widening and then narrowing the same class of characters gives what
// narrowing alone gives: every table pairs its characters one to one.
void checkPair(Routine toZen, Routine toHan, const std::u16string& text) {
    QX_FUZZ_CHECK(run(toHan, run(toZen, text)) == run(toHan, text));
}

void checkWidthMap(const std::u16string& text) {
    PortableWidthMap map;
    const std::u16string half = map.toHalfWidth(text), full = map.toFullWidth(text);
    QX_FUZZ_CHECK(map.toHalfWidth(half) == half);
    QX_FUZZ_CHECK(map.toFullWidth(full) == full);
    QX_FUZZ_CHECK(map.toHalfWidth(full) == half);
    // One unit at most becomes one, and a sound mark joins its letter or stays.
    QX_FUZZ_CHECK(full.size() <= text.size());
    QX_FUZZ_CHECK(half.size() <= 2 * text.size());
}

// The grid command converts the selected data cells and nothing else.
void checkGridCommand(const std::u16string& text, std::size_t selector) {
    constexpr int kCols = 4, kRows = 4;
    TableModel table(kCols, kRows);
    StringGrid working(kCols, kRows);
    working.setModel(table);
    CellTexts snapshot(kCols, kRows), original(kCols, kRows);
    working.setFixedCols(1);
    working.setFixedRows(1);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            // Each cell a different slice of the text, so that every cell matters.
            const std::size_t from = text.empty() ? 0 : (static_cast<std::size_t>(c * 7 + r * 3)) % text.size();
            working.setCells(c, r, text.substr(from, 5 + c + r));
            table.setIds(c, r, {c * 10 + r + 1});
        }
    }
    copyGrid(table, original);
    const auto routine = widthMenuEntries[selector % widthMenuEntries.size()].routine;
    const GridRect selection{static_cast<int>(selector % 5) - 1, static_cast<int>(selector / 5 % 5) - 1,
                             static_cast<int>(selector / 25 % 6) - 1, static_cast<int>(selector / 150 % 6) - 1};
    PortableWidthMap map;
    applyWidthConversion(routine, working, snapshot, selection, map, nullptr);
    QX_FUZZ_CHECK(working.ColCount() == kCols && working.RowCount() == kRows);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            QX_FUZZ_CHECK(snapshot.Cells(c, r) == original.Cells(c, r));
            QX_FUZZ_CHECK(table.ids(c, r) == std::vector<std::int64_t>{c * 10 + r + 1});
            const bool selected = c >= std::max(selection.Left, 1) && c <= selection.Right &&
                                  r >= std::max(selection.Top, 1) && r <= selection.Bottom;
            std::u16string expected = original.Cells(c, r);
            if (selected) {
                applyWidthRoutine(routine, expected, map, nullptr);
            }
            QX_FUZZ_CHECK(working.Cells(c, r) == expected);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::utf16Of(data, size);
    for (Routine r : {hanKanaToZen, hanNumToZen, hanAlphaToZen, hanKigouToZen, zenKanaToHan, zenNumToHan, zenAlphaToHan,
                      zenKigouToHan}) {
        checkIdempotent(r, text);
    }
    checkPair(hanKanaToZen, zenKanaToHan, text);
    checkPair(hanNumToZen, zenNumToHan, text);
    checkPair(hanAlphaToZen, zenAlphaToHan, text);
    checkPair(hanKigouToZen, zenKigouToHan, text);
    checkWidthMap(text);
    checkGridCommand(text, size == 0 ? 0 : data[0] | (size > 1 ? data[size - 1] << 8 : 0));
    return 0;
}
