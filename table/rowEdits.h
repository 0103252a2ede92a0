// Inserting and deleting rows of a drawn table, worked out on its records:
// what moves, what is copied and what is deleted, so that the drawing looks
// as if the row had been drawn or erased by hand.
#pragma once

#include <cstdint>
#include <vector>

#include "table/qdlTable.h"

namespace qx {

// Which way a table grows: away from the edge that stays where it is (a
// parts list standing on its title block grows up).
enum class RowGrowth { Down, Up };

// Every point at or beyond an edge on the growing side moves by `by` in Y.
struct RowShift {
    double edge = 0;
    double by = 0;
    double tolerance = 0;
    bool up = false;  // the growing side lies above the edge
    bool moves(double y) const { return up ? y >= edge - tolerance : y <= edge + tolerance; }
    TPoint3 of(const TPoint3& p) const { return moves(p.y) ? TPoint3{p.x, p.y + by, p.z} : p; }
};

// A border segment drawn anew: a copy of entity `id`, cut down to the
// segment when the entity is a polyline that does not lie on the edge alone.
struct BorderCopy {
    std::int64_t id = 0;
    bool poly = false;
    bool whole = false;  // the entity lies on the edge alone: a plain copy
    TQdlLine segment;
};

// A line or polyline some of whose points the shift moves; all of them: a
// plain move.
struct LineMove {
    std::int64_t id = 0;
    bool poly = false;
    bool all = false;
};

struct RowEditPlan {
    RowShift shift;
    std::vector<LineMove> moveLines;
    std::vector<BorderCopy> copies;         // insert: the new row's border
    std::vector<std::int64_t> deleteLines;  // delete: the row's own lines and one of its borders
    std::vector<std::int64_t> moveTexts;    // texts carried by the shift
    std::vector<std::int64_t> deleteTexts;  // delete: the row's texts
    std::vector<double> yokoAfter;          // the row boundaries afterwards
};

// A new row beside drawn row `band` (0 = top): a duplicate of that row on
// its growing side, the new (empty) row being above it when `above`.
// Moves the far side by the row's height, lengthens the borders crossing
// the moved edge and copies the edge's border in place.
RowEditPlan planRowInsert(const TQdlLists& lists, int band, bool above, RowGrowth growth, double tolerance);

// Drawn row `band` goes: its texts, its own lines and one of its borders are
// deleted, the far side moves back by its height and the borders crossing
// it get shorter. `rowTexts` are the texts the table shows in the row (texts
// whose cell is the row go too).
RowEditPlan planRowDelete(const TQdlLists& lists, int band, RowGrowth growth, double tolerance,
                          const std::vector<std::int64_t>& rowTexts);

// Records of what the drawing now holds: the segments of one entity moved
// by the shift's rule, or gone.
void shiftLine(std::vector<TQdlLine>& lineAry, std::int64_t id, const RowShift& shift);
void dropLine(std::vector<TQdlLine>& lineAry, std::int64_t id);
// A text moved by dy, its extents' centre too.
void shiftText(TQdlText& text, double dy);

}  // namespace qx
