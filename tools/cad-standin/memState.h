// The in-memory drawing's state, shared by the drawing (memDrawing.cpp) and
// the automation objects that serve it (memObjects.cpp). Not for other users.
#pragma once

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <unordered_set>

#include "core/text.h"
#include "tools/cad-standin/memDrawing.h"
#include "tools/cad-standin/pickGeometry.h"

namespace qx::cad {

namespace mem {

inline std::u16string decimal(std::int64_t v) {
    return decimalText(v);
}

inline Variant point(const Point3& p) {
    return Variant(std::vector<double>{p.x, p.y, p.z});
}

struct Fault {
    std::u16string member;  // lower case
    int remaining;
    std::u16string message;
};

struct SelSet {
    std::u16string name;
    std::vector<std::int64_t> ids;
    bool deleted = false;
};

enum class Pick { Nothing, All, Ids, Rectangle, Cancel, Interactive };

// A class name in words, for messages: "text", "2D polyline".
std::u16string kindName(EntityKind kind);

// The application object over the state; every object reached from it shares it.
Dispatch applicationObject(const std::shared_ptr<MemDrawing::State>& state);

// One step of the user's U: each entity that the group's automation calls
// changed as it was before the first change, or nullopt for one the group
// made (a copy). Costs what the group changed, not a copy of the drawing.
struct UndoGroup {
    std::vector<std::pair<std::int64_t, std::optional<MemEntity>>> before;
    std::unordered_set<std::int64_t> seen;
};

// One open drawing: its entities and selection sets.
struct MemDocument {
    std::u16string fullName;  // "" for a drawing never saved
    std::u16string name;
    std::vector<MemEntity> entities;
    std::map<std::int64_t, std::size_t> index;
    std::vector<std::shared_ptr<SelSet>> sets;
    bool closed = false;
    std::vector<UndoGroup> undo;  // the latest group last
    bool markOpen = false;        // between StartUndoMark and EndUndoMark: undo.back() takes every change

    MemEntity* find(std::int64_t id) {
        auto it = index.find(id);
        return it == index.end() ? nullptr : &entities[it->second];
    }
};

}  // namespace mem

struct MemDrawing::State {
    using MemDocument = mem::MemDocument;
    using Fault = mem::Fault;
    using SelSet = mem::SelSet;
    using Pick = mem::Pick;
    std::uint64_t hwnd = 0x000A'0C2E;
    std::int64_t nextId;
    std::vector<std::shared_ptr<MemDocument>> documents;
    std::shared_ptr<MemDocument> active;
    int untitled = 0;                     // the number of the last "DrawingN.dwg"
    std::vector<std::u16string> missing;  // lower case
    std::function<Dispatch(const std::u16string&)> interfaceObjects;
    Pick pick = Pick::Nothing;
    std::unordered_set<std::int64_t> pickIds;
    double rect[4] = {0, 0, 0, 0};
    PickAsk ask;
    std::function<void()> onChanged;
    std::vector<Fault> faults;
    std::map<std::u16string, int> counts;
    std::map<std::pair<std::u16string, std::u16string>, int> kindCounts;
    std::map<std::u16string, std::vector<Variant>> lastArgs;
    int regens = 0;
    int undoMarkMisuse = 0;

    // Called by every automation call just before it changes e: outside a
    // mark each call is a group of its own.
    void remember(MemDocument& doc, const MemEntity& e) { rememberAs(doc, e.id, e); }
    // ... after it made the entity id.
    void rememberNew(MemDocument& doc, std::int64_t id) { rememberAs(doc, id, std::nullopt); }

    void startUndoMark(MemDocument& doc) {
        if (doc.markOpen) {
            ++undoMarkMisuse;  // marks do not nest: the open group goes on
            return;
        }
        doc.markOpen = true;
        doc.undo.emplace_back();
    }
    void endUndoMark(MemDocument& doc) {
        if (!doc.markOpen)
            ++undoMarkMisuse;
        doc.markOpen = false;
    }

    // The user's U: the latest group taken back. A mark left open is closed
    // first, which a client that pairs its marks never causes.
    bool undo(MemDocument& doc) {
        if (doc.markOpen) {
            ++undoMarkMisuse;
            doc.markOpen = false;
        }
        if (doc.undo.empty())
            return false;
        auto group = std::move(doc.undo.back());
        doc.undo.pop_back();
        for (auto it = group.before.rbegin(); it != group.before.rend(); ++it) {
            auto* e = doc.find(it->first);
            if (!e)
                continue;
            if (it->second) {
                const int updates = e->updates;  // a count of calls, not drawing state
                *e = *it->second;
                e->updates = updates;
            } else {
                e->erased = true;
            }
        }
        changed();
        return true;
    }

    // Every call passes here: it is counted, then an injected fault may end it.
    void enter(const std::u16string& kind, std::u16string_view member) {
        auto key = lower(member);
        ++counts[key];
        ++kindCounts[{kind, key}];
        for (auto it = faults.begin(); it != faults.end(); ++it) {
            if (it->member == key && --it->remaining == 0) {
                auto message = it->message;
                faults.erase(it);
                throw dispatchError(kind, member, message);
            }
        }
        if (std::find(missing.begin(), missing.end(), key) != missing.end()) {
            throw MemberNotFound(dispatchError(kind, member, u"no such member").message());
        }
    }

    std::shared_ptr<MemDocument> open(std::u16string fullName) {
        auto doc = std::make_shared<MemDocument>();
        if (fullName.empty()) {
            doc->name = u"Drawing" + mem::decimal(++untitled) + u".dwg";
        } else {
            auto slash = fullName.find_last_of(u"\\/");
            doc->name = slash == std::u16string::npos ? fullName : fullName.substr(slash + 1);
        }
        doc->fullName = std::move(fullName);
        documents.push_back(doc);
        active = doc;
        changed();
        return doc;
    }

    std::int64_t add(MemDocument& doc, MemEntity e) {
        if (nextId == std::numeric_limits<std::int64_t>::max())
            throw Error(u"no object ID is left for another entity");
        e.id = nextId++;
        e.erased = false;
        e.updates = 0;
        if (e.kind == EntityKind::Text)
            placeText(e);
        doc.index[e.id] = doc.entities.size();
        doc.entities.push_back(std::move(e));
        changed();
        return doc.entities.back().id;
    }

    // The drawing keeps a text's derived insertion point in step with its
    // alignment point and contents. A left-aligned text has no alignment
    // point: the application resets it to (0, 0, 0).
    static void placeText(MemEntity& e) {
        if (e.alignment == 0)
            e.alignmentPoint = {};
        if (insertionPointWritable(e.alignment))
            return;
        // The start of the baseline, turned with the text about its alignment point.
        auto box = textBox(e, e.height);
        auto start = rotated({box.left, box.bottom}, {e.alignmentPoint.x, e.alignmentPoint.y}, e.rotation);
        e.insertionPoint = {start.x, start.y, e.alignmentPoint.z};
    }

    void rememberAs(MemDocument& doc, std::int64_t id, std::optional<MemEntity> before) {
        if (!doc.markOpen)
            doc.undo.emplace_back();
        auto& group = doc.undo.back();
        if (group.seen.insert(id).second)
            group.before.emplace_back(id, std::move(before));
    }

    void changed() const {
        if (onChanged)
            onChanged();
    }

    bool picked(const MemEntity& e) const {
        switch (pick) {
            case Pick::All:
                return true;
            case Pick::Ids:
                return pickIds.contains(e.id);
            case Pick::Rectangle: {
                std::vector<Point3> points;
                if (e.kind == EntityKind::Line) {
                    points = {e.start, e.end};
                } else if (e.kind == EntityKind::Polyline) {
                    for (std::size_t i = 0; i + 1 < e.coordinates.size(); i += 2) {
                        points.push_back({e.coordinates[i], e.coordinates[i + 1], 0});
                    }
                } else {
                    points = {e.insertionPoint};
                }
                return std::all_of(points.begin(), points.end(), [&](const Point3& p) {
                    return p.x >= std::min(rect[0], rect[2]) && p.x <= std::max(rect[0], rect[2]) &&
                           p.y >= std::min(rect[1], rect[3]) && p.y <= std::max(rect[1], rect[3]);
                });
            }
            default:
                return false;
        }
    }
};

}  // namespace qx::cad
