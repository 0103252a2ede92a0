// The table grid: placing the fetched texts into cells and copying grids.
#pragma once

#include "table/qdlTable.h"
#include "widgets/stringGrid.h"

namespace qx {

// Empties the text and object ID of every cell, headers included; the counts stay.
void clearGrid(StringGrid& grid);
// Resizes, numbers and fills the working grid from the lists and fits its
// column widths; false (the grid untouched) when the lists make no table.
bool fillGrid(StringGrid& grid, const TQdlLists& lists);
// Makes the destination's counts, texts and object IDs equal to the source's.
void copyGrid(const StringGrid& source, StringGrid& destination);
// A selection with every side moved inside the data cells (never onto a
// header); the order of its sides is kept.
GridRect clipToDataCells(const StringGrid& grid, GridRect r);
// The data cells a command works on: the part of `r` on data cells, empty
// (Right < Left or Bottom < Top) when it has none.
GridRect dataCellsIn(const StringGrid& grid, GridRect r);

}  // namespace qx
