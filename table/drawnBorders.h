// The table as it is drawn: which inner borders between data cells the
// drawing really has (a merged field has none inside it), and what an Update
// would do to a cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/qdlTable.h"
#include "widgets/stringGrid.h"

namespace qx {

// Share of an edge that segments on its boundary must cover for the edge to
// count as a drawn border.
inline constexpr double kDrawnBorderShare = 0.7;

// The borders between adjacent data cells of the grid that fillGrid builds
// from tateAry and yokoAry (ColCount = tateAry size, RowCount = yokoAry size).
// A segment belongs to a boundary when it is classified as collectBorders
// classifies it and its start lies within the tolerance of the boundary; the
// pieces on an edge count once however they overlap, clipped to the edge.
CellEdges drawnBorders(const std::vector<TQdlLine>& lineAry, const std::vector<double>& tateAry,
                       const std::vector<double>& yokoAry, double tolerance);

// What an Update would do with a cell, compared as the Update compares: the
// record is the first textAry entry with the cell's object ID (nullptr when
// there is none; such a cell is passed over).
CellChange pendingChange(const std::u16string& cellText, std::int64_t cellId, const TQdlText* record);

}  // namespace qx
