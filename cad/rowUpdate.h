// Carrying out the rows inserted and deleted in the table: the drawing's
// lines and texts moved, copied and deleted as the row plans say, the
// records kept in step entity by entity.
#pragma once

#include <functional>
#include <string>

#include "cad/dispatch.h"
#include "table/qdlTable.h"
#include "table/rowEdits.h"
#include "table/tableModel.h"

namespace qx::cad {

struct RowOptions {
    RowGrowth growth = RowGrowth::Down;
    double tolerance = 0.1;  // how near a line must lie to a row's edge to be on it
};

struct RowUpdateResult {
    int inserted = 0, deleted = 0;  // rows
};

// Why the rows cannot be carried out, for the user; empty when they can
// (or when none wait).
std::u16string rowRefusal(const TQdlLists& lists, const TableModel& table);

// Deleted rows first, then inserted ones, each as its plan says; the table
// learns of each row as soon as the drawing holds it. `beforeWrite` runs
// before the first change. A failing call is thrown; what was done stays
// recorded entity by entity.
void updateRows(const Dispatch& document, TQdlLists& lists, TextIndex& index, TableModel& table,
                const RowOptions& options, const std::function<void()>& beforeWrite, RowUpdateResult& result);

}  // namespace qx::cad
