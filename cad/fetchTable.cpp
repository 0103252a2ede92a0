#include "cad/fetchTable.h"

#include <algorithm>
#include <optional>

#include "cad/fastPath.h"
#include "cad/textContents.h"
#include "table/tableGrid.h"

namespace qx::cad {

namespace {

constexpr char16_t kSetName[] = u"ssTemp";

Dispatch getSelectionSet(const Dispatch& document) {
    const Dispatch sets = document.get(u"SelectionSets").toDispatch();
    const int n = sets.get(u"Count").toInt32();
    for (int i = 0; i < n; ++i) {
        const Dispatch set = sets.call(u"Item", {Variant(std::int32_t{i})}).toDispatch();
        if (set.get(u"Name").toString() == kSetName) {
            set.call(u"Clear");
            return set;
        }
    }
    return sets.call(u"Add", {Variant::byRef(Variant(std::u16string(kSetName)))}).toDispatch();
}

// The number of entities read: count, or fewer when the user stopped it.
int readEntities(const Dispatch& set, int count, TQdlLists& lists, FetchView& view, const Dispatch& fastPath) {
    lists.lineAry.clear();
    lists.textAry.clear();
    ClassNames names;
    int i = 0;
    if (fastPath) {
        // In chunks inside the CAD application's process; progress per chunk.
        try {
            while (i < count) {
                const int n = std::min(kFastPathChunk, count - i);
                view.reading(i + n, count);
                if (view.stopRequested())
                    return i;
                readChunk(fastPath, set, i, n, names, lists);
                i += n;
            }
            return i;
        } catch (const FastPathUnavailable&) {
            if (i > 0)
                throw;  // partly read: the lists keep what was read, as with any failure
        }
    }
    for (; i < count; ++i) {
        view.reading(i + 1, count);
        if (view.stopRequested())
            return i;
        readEntity(set.call(u"Item", {Variant(std::int32_t{i})}).toDispatch(), lists, names);
    }
    return i;
}

// The document keeps no "ssTemp" set, however the fetch ended: Delete is
// tried even when Clear fails. The first error, if any, is returned.
std::optional<Error> discard(const Dispatch& set) {
    std::optional<Error> first;
    for (const char16_t* member : {u"Clear", u"Delete"}) {
        try {
            set.call(member);
        } catch (const Error& e) {
            if (!first)
                first = e;
        }
    }
    return first;
}

}  // namespace

TPoint3 pointValue(const Variant& v) {
    const auto d = v.toDoubles();
    if (d.size() < 3) {
        throw Error(u"座標の要素が 3 つありません");
    }
    return {d[0], d[1], d[2]};
}

const char16_t* placingPointMember(std::int32_t alignment) {
    return alignment == 0 ? u"InsertionPoint" : u"TextAlignmentPoint";
}

std::u16string ClassNames::of(const Dispatch& entity) {
    if (!objectName) {
        try {
            return entity.get(u"EntityName").toString();
        } catch (const MemberNotFound&) {
            objectName = true;
        }
    }
    return entity.get(u"ObjectName").toString();
}

void readContents(TQdlText& t) {
    t.sText = t.mtext ? mtextPlain(t.contents) : textPlain(t.contents);
}

void readEntity(const Dispatch& e, TQdlLists& lists, ClassNames& names) {
    const std::u16string name = names.of(e);
    if (name == u"AcDbPolyline") {
        TDblAry coords = e.get(u"Coordinates").toDoubles();
        const bool closed = e.get(u"Closed").toBool();
        appendPolyline(lists.lineAry, std::move(coords), closed, e.get(u"ObjectID").toInt64());
    } else if (name == u"AcDbLine") {
        const TPoint3 st = pointValue(e.get(u"StartPoint"));
        const TPoint3 ed = pointValue(e.get(u"EndPoint"));
        appendLine(lists.lineAry, st, ed, e.get(u"ObjectID").toInt64());
    } else if (name == u"AcDbText") {
        TQdlText t;
        t.code = e.get(u"Alignment").toInt32();
        t.base = pointValue(e.get(placingPointMember(t.code)));
        t.objID = e.get(u"ObjectID").toInt64();
        t.contents = e.get(u"TextString").toString();
        readContents(t);
        lists.textAry.push_back(std::move(t));
    } else if (name == u"AcDbMText") {
        // Placed by its insertion point, whatever its attachment.
        TQdlText t;
        t.mtext = true;
        t.code = e.get(u"AttachmentPoint").toInt32();
        t.base = pointValue(e.get(u"InsertionPoint"));
        t.objID = e.get(u"ObjectID").toInt64();
        t.contents = e.get(u"TextString").toString();
        readContents(t);
        lists.textAry.push_back(std::move(t));
    }
}

TPoint3 extentsCentre(const Dispatch& entity) {
    std::vector<Variant> args{Variant::byRef(Variant()), Variant::byRef(Variant())};
    entity.invoke(u"GetBoundingBox", args);
    const TPoint3 lo = pointValue(args[0]), hi = pointValue(args[1]);
    return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
}

void readExtentsCentres(const Dispatch& document, TQdlLists& lists) {
    if (lists.tateAry.size() < 2 || lists.yokoAry.size() < 2) {
        return;  // no cell for any centre to lie in
    }
    for (TQdlText& t : lists.textAry) {
        if (t.objID == 0 || t.centre || cellAt(lists, t.base.x, t.base.y)) {
            continue;
        }
        const Dispatch e = document.call(u"ObjectIdToObject", {Variant::byRef(Variant(t.objID))}).toDispatch();
        t.centre = extentsCentre(e);
    }
}

FetchResult fetchTable(const Dispatch& document, TQdlLists& lists, FetchView& view, Clock& clock,
                       const Dispatch& fastPath) {
    FetchResult result;
    Dispatch set = getSelectionSet(document);
    try {
        set.call(u"Clear");
        const Variant filterType(std::vector<std::int16_t>{0});
        const Variant filterData(std::vector<Variant>{Variant(u"TEXT,MTEXT,*LINE")});
        view.beforePick();
        try {
            set.call(u"SelectOnScreen", {Variant::byRef(filterType), Variant::byRef(filterData)});
        } catch (const Error&) {
            // A cancelled pick: the count decides what follows.
        }
        view.afterPick();
        result.picked = set.get(u"Count").toInt32();
        view.picked(result.picked);
        if (result.picked > 0) {
            const std::uint32_t start = clock.tickCount();
            result.read = readEntities(set, result.picked, lists, view, fastPath);
            result.stopped = result.read < result.picked;
            result.elapsedMs = clock.tickCount() - start;  // modulo 2^32
        }
    } catch (...) {
        discard(set);  // the reading's own error is the one to report
        throw;
    }
    if (auto error = discard(set)) {
        throw *error;
    }
    return result;
}

}  // namespace qx::cad
