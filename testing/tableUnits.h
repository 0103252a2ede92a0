// The Get and the Update as the commands run them, without a window: for
// tests of the units against the in-memory drawing.
#pragma once

#include <vector>

#include "cad/fetchTable.h"
#include "cad/updateTable.h"
#include "table/tableGrid.h"
#include "testing/platformFakes.h"

namespace qx::test {

// A window that only remembers which entities were read, by index.
struct NoWindow : cad::FetchView, cad::UpdateView {
    std::vector<int> reads;
    void beforePick() override {}
    void afterPick() override {}
    void picked(int) override {}
    void reading(int index, int) override { reads.push_back(index); }
    void start(int) override {}
    void visiting(int) override {}
};

// A table read from the active document and written back to it.
struct UnitTable {
    cad::Dispatch app, doc;
    cad::DocumentKey read;
    TQdlLists lists;
    TextIndex index;
    TableModel grid{5, 5};
    NoWindow window;
    fake::FakeClock clock;

    // What the pick script picks, read afresh: boundaries at a tolerance of
    // 0.1, the extents' centres of texts on a boundary, the grid filled.
    cad::FetchResult get(const cad::Dispatch& application) {
        app = application;
        doc = app.get(u"ActiveDocument").toDispatch();
        read = cad::documentKey(doc);
        auto r = cad::fetchTable(doc, lists, window, clock);
        collectBorders(lists, 0.1);
        mergeBorders(lists, 0.1);
        cad::readExtentsCentres(doc, lists);
        fillGrid(grid, lists, 0.1);
        return r;
    }
    // To the document active now, as the Update goes.
    cad::UpdateResult update(const cad::RowOptions& rows = {}) {
        doc = app.get(u"ActiveDocument").toDispatch();
        return cad::updateTable(doc, read, lists, index, grid, window, {}, rows);
    }
};

}  // namespace qx::test
