// The table as it is drawn: which inner borders between data cells the
// drawing really has (a merged field has none inside it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/gridCells.h"
#include "table/qdlTable.h"

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

}  // namespace qx
