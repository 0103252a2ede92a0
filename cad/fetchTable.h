// Reading a picked table from the drawing: the selection set "ssTemp", the
// user's pick with the filter "TEXT,MTEXT,*LINE", and every picked line,
// polyline, text and multiline text into the entity lists.
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

// The class name of an entity. Applications of the same object model that
// lack EntityName answer ObjectName with the same names; once one has said
// so, the rest of the fetch asks ObjectName directly.
struct ClassNames {
    bool objectName = false;
    std::u16string of(const Dispatch& entity);
};

// The value a text shows, from its contents as the drawing holds them.
void readContents(TQdlText& text);

// Reads one picked entity: a line or a lightweight polyline into lineAry, a
// text or a multiline text into textAry, anything else not at all.
void readEntity(const Dispatch& entity, TQdlLists& lists, ClassNames& names);

// Texts whose placing point lies on a boundary or outside every cell (a
// field number set on a border line, a top-left multiline text on its
// corner) get the centre of their extents (GetBoundingBox, one call for each
// of those texts only), which places them when it lies in a cell. Runs after
// the boundaries are built. Failures of the calls are thrown.
void readExtentsCentres(const Dispatch& document, TQdlLists& lists);

// The centre of an entity's axis-parallel extents.
TPoint3 extentsCentre(const Dispatch& entity);

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
    // Asked after each reading(): the user wants the fetch to stop there.
    virtual bool stopRequested() { return false; }
};

struct FetchResult {
    int picked = 0;               // Count of the selection set after the pick
    std::uint32_t elapsedMs = 0;  // reading time, when picked > 0
    bool stopped = false;         // by the user, after `read` entities
    int read = 0;
};

// Lets the user pick on the document and reads what was picked into
// lineAry and textAry, which it starts afresh when anything was picked and
// leaves alone otherwise. The document keeps no "ssTemp" set afterwards,
// however the fetch ends. Failures of automation calls other than the pick
// itself are thrown; the lists then begin with the records read so far.
// With a fast path (the in-process reader, see cad/fastPath.h) the entities
// are read in chunks inside the CAD application; when it fails before
// anything was read, they are read call by call after all. A stop leaves
// the lists with the entities read before it.
FetchResult fetchTable(const Dispatch& document, TQdlLists& lists, FetchView& view, Clock& clock,
                       const Dispatch& fastPath = {});

}  // namespace qx::cad
