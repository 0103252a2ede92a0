// Reading a picked table from the drawing: the selection set "ssTemp", the
// user's pick with the filter "TEXT,*LINE", and every picked line, polyline
// and text into the entity lists.
#pragma once

#include <cstdint>
#include <string>

#include "cad/dispatch.h"
#include "platform/platform.h"
#include "table/qdlTable.h"

namespace qx::cad {

// The member that places a text: InsertionPoint for a left-aligned text (0),
// TextAlignmentPoint for every other alignment.
const char16_t* placingPointMember(std::int32_t alignment);

// A point read from the drawing: an array of at least three doubles.
TPoint3 pointValue(const Variant& v);

// What the fetch needs of the window around it.
class FetchView {
public:
    virtual ~FetchView() = default;
    // Just before and after the user picks in the CAD application.
    virtual void beforePick() = 0;
    virtual void afterPick() = 0;
    // How many entities the pick holds; reading them follows when any.
    virtual void picked(int count) = 0;
    // Once per picked entity, before it is read (index from 1): shows the
    // progress and lets the window process pending messages.
    virtual void reading(int index, int count) = 0;
};

struct FetchResult {
    int picked = 0;               // Count of the selection set after the pick
    std::uint32_t elapsedMs = 0;  // reading time, when picked > 0
};

// Lets the user pick on the document and reads what was picked into
// lineAry and textAry, which it starts afresh when anything was picked and
// leaves alone otherwise. The document keeps no "ssTemp" set afterwards,
// however the fetch ends. Failures of automation calls other than the pick
// itself are thrown; the lists then begin with the records read so far.
FetchResult fetchTable(const Dispatch& document, TQdlLists& lists, FetchView& view, Clock& clock);

}  // namespace qx::cad
