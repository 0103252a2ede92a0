// The automation objects of the in-memory drawing: application, document,
// selection sets and entities, as the CAD application serves them.
#include <algorithm>
#include <cmath>

#include "tools/cad-standin/memState.h"

namespace qx::cad {

namespace mem {

namespace {

using State = MemDrawing::State;

class MemObject : public DispatchObject {
public:
    MemObject(std::shared_ptr<State> state, std::shared_ptr<MemDocument> doc)
        : st_(std::move(state)), doc_(std::move(doc)) {}

    Variant get(std::u16string_view member) override {
        st_->enter(kind(), member);
        open(member);
        return doGet(lower(member), member);
    }
    void put(std::u16string_view member, const Variant& value) override {
        st_->enter(kind(), member);
        open(member);
        doPut(lower(member), member, value);
    }
    Variant call(std::u16string_view member, std::vector<Variant>& args) override {
        st_->enter(kind(), member);
        st_->lastArgs[lower(member)] = args;
        open(member);
        return doCall(lower(member), member, args);
    }

protected:
    virtual Variant doGet(const std::u16string&, std::u16string_view member) {
        throw MemberNotFound(fail(member, u"no such property").message());
    }
    virtual void doPut(const std::u16string& key, std::u16string_view member, const Variant&) {
        doGet(key, member);  // fails for unknown names
        throw fail(member, u"the property is read-only");
    }
    virtual Variant doCall(const std::u16string&, std::u16string_view member, std::vector<Variant>&) {
        throw MemberNotFound(fail(member, u"no such method").message());
    }

    Error fail(std::u16string_view member, std::u16string_view reason) const {
        return dispatchError(kind(), member, reason);
    }
    void expectArgs(std::u16string_view member, const std::vector<Variant>& args, std::size_t n) const {
        if (args.size() != n) {
            throw fail(member, u"expects " + decimal(static_cast<std::int64_t>(n)) + u" argument(s), got " +
                                   decimal(static_cast<std::int64_t>(args.size())));
        }
    }
    // Argument conversions fail as the call, naming the member.
    template <typename F>
    auto convert(std::u16string_view member, F f) const {
        try {
            return f();
        } catch (const Error& e) {
            throw fail(member, u"invalid argument: " + e.message());
        }
    }
    Point3 pointArg(std::u16string_view member, const Variant& value) const {
        auto xyz = convert(member, [&] { return value.toDoubles(); });
        if (xyz.size() != 3) {
            throw fail(member, u"a point needs 3 coordinates");
        }
        return {xyz[0], xyz[1], xyz[2]};
    }

    std::shared_ptr<State> st_;
    std::shared_ptr<MemDocument> doc_;  // null for the application

private:
    void open(std::u16string_view member) const {
        if (doc_ && doc_->closed)
            throw fail(member, u"the document has been closed");
    }
};

void moveBy(MemEntity& e, double dx, double dy, double dz) {
    auto shift = [&](Point3& p) {
        p.x += dx;
        p.y += dy;
        p.z += dz;
    };
    switch (e.kind) {
        case EntityKind::Line:
            shift(e.start);
            shift(e.end);
            break;
        case EntityKind::Polyline:
            for (std::size_t i = 0; i + 1 < e.coordinates.size(); i += 2) {
                e.coordinates[i] += dx;
                e.coordinates[i + 1] += dy;
            }
            break;
        case EntityKind::Text:
            // A left-aligned text's alignment point stays (0, 0, 0).
            if (e.alignment != 0)
                shift(e.alignmentPoint);
            shift(e.insertionPoint);
            break;
        default:
            shift(e.insertionPoint);
    }
}

// The axis-parallel box around an entity in world coordinates: a text's
// estimated glyph box or a multiline text's frame turned with it, a line's
// or polyline's points, the position of a kind without geometry here.
// Nullopt when there is nothing.
std::optional<std::pair<Point3, Point3>> extents(const MemEntity& e) {
    std::vector<Point3> points;
    switch (e.kind) {
        case EntityKind::Line:
            points = {e.start, e.end};
            break;
        case EntityKind::Polyline:
            for (std::size_t i = 0; i + 1 < e.coordinates.size(); i += 2)
                points.push_back({e.coordinates[i], e.coordinates[i + 1], 0});
            break;
        case EntityKind::Text:
            for (const auto& p : textCorners(e, e.height))
                points.push_back({p.x, p.y, e.insertionPoint.z});
            break;
        case EntityKind::MText:
            for (const auto& p : mtextCorners(e, e.height))
                points.push_back({p.x, p.y, e.insertionPoint.z});
            break;
        default:
            points = {e.insertionPoint};
    }
    if (points.empty())
        return std::nullopt;
    Point3 lo = points[0], hi = points[0];
    for (const auto& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return std::pair{lo, hi};
}

class EntityObject : public MemObject {
public:
    EntityObject(std::shared_ptr<State> state, std::shared_ptr<MemDocument> doc, std::int64_t id, EntityKind kind)
        : MemObject(std::move(state), std::move(doc)), id_(id), kind_(kind) {}
    std::u16string kind() const override { return kindName(kind_); }

protected:
    MemEntity& live(std::u16string_view member) const {
        auto* e = doc_->find(id_);
        if (!e || e->erased) {
            throw fail(member, u"the object is erased");
        }
        return *e;
    }
    bool isText() const { return kind_ == EntityKind::Text; }
    bool isMText() const { return kind_ == EntityKind::MText; }

    // A put that the drawing takes: one step on the undo stack, the text's
    // derived point kept in step, the view told.
    template <typename F>
    void change(MemEntity& e, F apply) {
        st_->remember(*doc_, e);
        apply();
        if (isText())
            State::placeText(e);
        st_->changed();
    }

    Variant doGet(const std::u16string& key, std::u16string_view member) override {
        auto& e = live(member);
        if (key == u"entityname" || key == u"objectname")
            return entityName(e.kind);
        if (key == u"objectid")
            return Variant::int64(e.id);
        if (e.kind == EntityKind::Line) {
            if (key == u"startpoint")
                return point(e.start);
            if (key == u"endpoint")
                return point(e.end);
        }
        if (e.kind == EntityKind::Polyline) {
            if (key == u"coordinates")
                return e.coordinates;
            if (key == u"closed")
                return e.closed;
        }
        if (isText()) {
            if (key == u"insertionpoint")
                return point(e.insertionPoint);
            if (key == u"textalignmentpoint")
                return point(e.alignmentPoint);
            if (key == u"alignment")
                return e.alignment;
            if (key == u"textstring")
                return e.text;
            if (key == u"height")
                return e.height;
            if (key == u"rotation")
                return e.rotation;
        }
        if (isMText()) {
            if (key == u"textstring")
                return e.text;
            if (key == u"insertionpoint")
                return point(e.insertionPoint);
            if (key == u"attachmentpoint")
                return e.attachment;
            if (key == u"width")
                return e.width;
            if (key == u"height")
                return e.height;
            if (key == u"rotation")
                return e.rotation;
            if (key == u"linespacingfactor")
                return e.lineSpacing;
        }
        return MemObject::doGet(key, member);
    }

    void doPut(const std::u16string& key, std::u16string_view member, const Variant& value) override {
        auto& e = live(member);
        const bool anyText = isText() || isMText();
        if (anyText && key == u"textstring") {
            auto text = convert(member, [&] { return value.toString(); });
            change(e, [&] { e.text = std::move(text); });
            return;
        }
        if (anyText && key == u"height") {
            auto height = convert(member, [&] { return value.toDouble(); });
            if (!validTextHeight(height))
                throw fail(member, u"invalid input: the height must be greater than 0");
            change(e, [&] { e.height = height; });
            return;
        }
        if (anyText && key == u"rotation") {
            auto rotation = convert(member, [&] { return value.toDouble(); });
            if (!validTextRotation(rotation))
                throw fail(member, u"invalid input: the rotation is not a finite angle");
            change(e, [&] { e.rotation = rotation; });
            return;
        }
        if (isText() && key == u"insertionpoint") {
            auto p = pointArg(member, value);
            if (!insertionPointWritable(e.alignment)) {
                throw fail(member, u"not applicable: the insertion point of a text aligned " + decimal(e.alignment) +
                                       u" is read-only");
            }
            change(e, [&] { e.insertionPoint = p; });
            return;
        }
        if (isText() && key == u"textalignmentpoint") {
            auto p = pointArg(member, value);
            if (!alignmentPointWritable(e.alignment)) {
                throw fail(member, u"not applicable: a left-aligned text has no alignment point");
            }
            change(e, [&] { e.alignmentPoint = p; });
            return;
        }
        if (isMText() && mtextPut(e, key, member, value))
            return;
        if (e.kind == EntityKind::Line && (key == u"startpoint" || key == u"endpoint")) {
            auto p = pointArg(member, value);
            if (!finite(p))
                throw fail(member, u"invalid input: a point must be finite");
            change(e, [&] { (key == u"startpoint" ? e.start : e.end) = p; });
            return;
        }
        if (e.kind == EntityKind::Polyline && key == u"coordinates") {
            auto xy = convert(member, [&] { return value.toDoubles(); });
            // A lightweight polyline has two-dimensional vertices, two at least.
            if (xy.size() % 2 != 0 || xy.size() < 4)
                throw fail(member, u"invalid input: the coordinates are x, y of two vertices or more");
            if (!std::all_of(xy.begin(), xy.end(), [](double v) { return std::isfinite(v); }))
                throw fail(member, u"invalid input: a coordinate must be finite");
            change(e, [&] { e.coordinates = std::move(xy); });
            return;
        }
        if (e.kind == EntityKind::Polyline && key == u"closed") {
            auto closed = convert(member, [&] { return value.toBool(); });
            change(e, [&] { e.closed = closed; });
            return;
        }
        MemObject::doPut(key, member, value);
    }

    static bool finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

    // A multiline text's own puts; false for a member it does not have.
    bool mtextPut(MemEntity& e, const std::u16string& key, std::u16string_view member, const Variant& value) {
        if (key == u"insertionpoint") {
            auto p = pointArg(member, value);  // always writable: it places the frame
            change(e, [&] { e.insertionPoint = p; });
            return true;
        }
        if (key == u"attachmentpoint") {
            auto given = convert(member, [&] { return value.toInt64(); });
            if (!validAttachment(given))
                throw fail(member, u"invalid input: the attachment point is 1 to 9");
            const auto attachment = static_cast<std::int32_t>(given);
            // The frame stays where it is; the insertion point becomes its other point.
            auto at = rotated(attachmentPosition(mtextFrame(e, e.height), attachment),
                              {e.insertionPoint.x, e.insertionPoint.y}, e.rotation);
            change(e, [&] {
                e.insertionPoint = {at.x, at.y, e.insertionPoint.z};
                e.attachment = attachment;
            });
            return true;
        }
        if (key == u"width") {
            auto width = convert(member, [&] { return value.toDouble(); });
            if (!validMTextWidth(width))
                throw fail(member, u"invalid input: the width must be 0 or more");
            change(e, [&] { e.width = width; });
            return true;
        }
        if (key == u"linespacingfactor") {
            auto factor = convert(member, [&] { return value.toDouble(); });
            if (!validLineSpacing(factor))
                throw fail(member, u"invalid input: the line spacing factor is 0.25 to 4");
            change(e, [&] { e.lineSpacing = factor; });
            return true;
        }
        return false;
    }

    Variant doCall(const std::u16string& key, std::u16string_view member, std::vector<Variant>& args) override {
        auto& e = live(member);
        if (key == u"update") {
            expectArgs(member, args, 0);
            ++e.updates;
            st_->changed();
            return {};
        }
        if (key == u"delete") {
            expectArgs(member, args, 0);
            st_->remember(*doc_, e);
            e.erased = true;
            st_->changed();
            return {};
        }
        if (key == u"copy") {
            expectArgs(member, args, 0);
            MemEntity copy = e;  // add() may move the vector under e
            auto id = st_->add(*doc_, std::move(copy));
            st_->rememberNew(*doc_, id);
            return Dispatch(std::make_shared<EntityObject>(st_, doc_, id, kind_));
        }
        if (key == u"getboundingbox") {
            // Two variables that receive the corners, as late-bound clients pass them.
            if (args.size() < 2)
                throw fail(member, u"parameter not optional: MinPoint and MaxPoint receive the box");
            expectArgs(member, args, 2);
            for (std::size_t i = 0; i < 2; ++i) {
                if (!args[i].isByRef())
                    throw fail(member, u"type mismatch: " + std::u16string(i == 0 ? u"MinPoint" : u"MaxPoint") +
                                           u" must be a variable passed by reference");
            }
            auto box = extents(e);
            if (!box)
                throw fail(member, u"the entity has no extents");
            args[0] = Variant::byRef(point(box->first));
            args[1] = Variant::byRef(point(box->second));
            return {};
        }
        if (key == u"move") {
            expectArgs(member, args, 2);
            auto from = pointArg(member, args[0]);
            auto to = pointArg(member, args[1]);
            st_->remember(*doc_, e);
            moveBy(e, to.x - from.x, to.y - from.y, to.z - from.z);
            st_->changed();
            return {};
        }
        return MemObject::doCall(key, member, args);
    }

private:
    std::int64_t id_;
    EntityKind kind_;
};

Dispatch entityObject(const std::shared_ptr<State>& st, const std::shared_ptr<MemDocument>& doc, std::int64_t id) {
    return Dispatch(std::make_shared<EntityObject>(st, doc, id, doc->find(id)->kind));
}

class SetObject : public MemObject {
public:
    SetObject(std::shared_ptr<State> state, std::shared_ptr<MemDocument> doc, std::shared_ptr<SelSet> set)
        : MemObject(std::move(state), std::move(doc)), set_(std::move(set)) {}
    std::u16string kind() const override { return u"selection set"; }

protected:
    void alive(std::u16string_view member) const {
        if (set_->deleted) {
            throw fail(member, u"the selection set has been deleted");
        }
    }

    Variant doGet(const std::u16string& key, std::u16string_view member) override {
        alive(member);
        if (key == u"name")
            return set_->name;
        if (key == u"count")
            return static_cast<std::int32_t>(set_->ids.size());
        return MemObject::doGet(key, member);
    }

    Variant doCall(const std::u16string& key, std::u16string_view member, std::vector<Variant>& args) override {
        alive(member);
        if (key == u"clear") {
            expectArgs(member, args, 0);
            set_->ids.clear();
            return {};
        }
        if (key == u"item") {
            expectArgs(member, args, 1);
            auto i = convert(member, [&] { return args[0].toInt64(); });
            if (i < 0 || i >= static_cast<std::int64_t>(set_->ids.size())) {
                throw fail(member, u"index " + decimal(i) + u" out of range");
            }
            return entityObject(st_, doc_, set_->ids[static_cast<std::size_t>(i)]);
        }
        if (key == u"delete") {
            expectArgs(member, args, 0);
            set_->deleted = true;
            std::erase(doc_->sets, set_);
            return {};
        }
        if (key == u"selectonscreen") {
            selectOnScreen(member, args);
            return {};
        }
        return MemObject::doCall(key, member, args);
    }

private:
    void selectOnScreen(std::u16string_view member, const std::vector<Variant>& args) {
        if (args.size() != 0 && args.size() != 2) {
            throw fail(member, u"expects no arguments or a filter type and a filter data array");
        }
        std::vector<std::u16string> patterns;
        if (args.size() == 2) {
            auto types = convert(member, [&] { return args[0].toInt16s(); });
            auto data = convert(member, [&] { return args[1].toVariants(); });
            if (types.size() != data.size()) {
                throw fail(member, u"the filter type and data arrays differ in length");
            }
            for (std::size_t i = 0; i < types.size(); ++i) {
                if (types[i] != 0 || data[i].type() != Variant::Type::String) {
                    throw fail(member, u"only entity type filters (group code 0) are supported");
                }
                patterns.push_back(data[i].toString());
            }
        }
        PickFilter admits = [patterns](const MemEntity& e) {
            return std::all_of(patterns.begin(), patterns.end(),
                               [&](const std::u16string& p) { return matchesWildcards(dxfName(e.kind), p); });
        };
        if (st_->pick == Pick::Cancel) {
            throw fail(member, u"the pick was cancelled");
        }
        bool interactive = st_->pick == Pick::Interactive;
        std::unordered_set<std::int64_t> answered;
        if (interactive) {
            // A copy: calls that come in while the user picks may replace the script.
            auto ask = st_->ask;
            std::optional<std::vector<std::int64_t>> answer;
            try {
                answer = ask(admits);
            } catch (const Error& e) {
                throw fail(member, e.message());
            }
            if (!answer) {
                throw fail(member, u"the pick was cancelled");
            }
            answered = {answer->begin(), answer->end()};
        }
        if (set_->deleted || doc_->closed) {
            throw fail(member, u"the selection set was deleted while the user picked");
        }
        // Hash sets keep a pick of many entities linear: a large table is picked whole.
        std::unordered_set<std::int64_t> inSet(set_->ids.begin(), set_->ids.end());
        for (const auto& e : doc_->entities) {
            bool picked = interactive ? answered.contains(e.id) : st_->picked(e);
            if (e.erased || !picked || !admits(e))
                continue;
            if (inSet.insert(e.id).second)
                set_->ids.push_back(e.id);
        }
    }

    std::shared_ptr<SelSet> set_;
};

class SetsObject : public MemObject {
public:
    using MemObject::MemObject;
    std::u16string kind() const override { return u"selection sets"; }

protected:
    Variant doGet(const std::u16string& key, std::u16string_view member) override {
        if (key == u"count")
            return static_cast<std::int32_t>(doc_->sets.size());
        return MemObject::doGet(key, member);
    }

    Variant doCall(const std::u16string& key, std::u16string_view member, std::vector<Variant>& args) override {
        if (key == u"item") {
            expectArgs(member, args, 1);
            if (args[0].type() == Variant::Type::String) {
                if (auto set = named(args[0].toString()))
                    return Dispatch(std::make_shared<SetObject>(st_, doc_, set));
                throw fail(member, u"no selection set named \"" + args[0].toString() + u"\"");
            }
            auto i = convert(member, [&] { return args[0].toInt64(); });
            if (i < 0 || i >= static_cast<std::int64_t>(doc_->sets.size())) {
                throw fail(member, u"index " + decimal(i) + u" out of range");
            }
            return Dispatch(std::make_shared<SetObject>(st_, doc_, doc_->sets[static_cast<std::size_t>(i)]));
        }
        if (key == u"add") {
            expectArgs(member, args, 1);
            auto name = convert(member, [&] { return args[0].toString(); });
            if (name.empty()) {
                throw fail(member, u"a selection set needs a name");
            }
            if (named(name)) {
                throw fail(member, u"a selection set named \"" + name + u"\" already exists");
            }
            auto set = std::make_shared<SelSet>();
            set->name = name;
            doc_->sets.push_back(set);
            return Dispatch(std::make_shared<SetObject>(st_, doc_, set));
        }
        return MemObject::doCall(key, member, args);
    }

private:
    // Set names are case-insensitive in the CAD application.
    std::shared_ptr<SelSet> named(const std::u16string& name) const {
        for (const auto& s : doc_->sets) {
            if (lower(s->name) == lower(name))
                return s;
        }
        return nullptr;
    }
};

class DocumentObject : public MemObject {
public:
    using MemObject::MemObject;
    std::u16string kind() const override { return u"document"; }

protected:
    Variant doGet(const std::u16string& key, std::u16string_view member) override {
        if (key == u"fullname")
            return doc_->fullName;
        if (key == u"name")
            return doc_->name;
        if (key == u"selectionsets")
            return Dispatch(std::make_shared<SetsObject>(st_, doc_));
        return MemObject::doGet(key, member);
    }

    Variant doCall(const std::u16string& key, std::u16string_view member, std::vector<Variant>& args) override {
        if (key == u"objectidtoobject") {
            expectArgs(member, args, 1);
            auto id = convert(member, [&] { return args[0].toInt64(); });
            auto* e = doc_->find(id);  // objects of this document only
            if (!e || e->erased) {
                throw fail(member, u"no object has the ID " + decimal(id));
            }
            return entityObject(st_, doc_, id);
        }
        // Calls between the two marks make one group on the undo stack.
        if (key == u"startundomark") {
            expectArgs(member, args, 0);
            st_->startUndoMark(*doc_);
            return {};
        }
        if (key == u"endundomark") {
            expectArgs(member, args, 0);
            st_->endUndoMark(*doc_);
            return {};
        }
        if (key == u"regen") {
            expectArgs(member, args, 1);
            convert(member, [&] { return args[0].toInt32(); });
            ++st_->regens;
            st_->changed();
            return {};
        }
        return MemObject::doCall(key, member, args);
    }
};

class ApplicationObject : public MemObject {
public:
    explicit ApplicationObject(std::shared_ptr<State> state) : MemObject(std::move(state), nullptr) {}
    std::u16string kind() const override { return u"application"; }

protected:
    Variant doGet(const std::u16string& key, std::u16string_view member) override {
        if (key == u"hwnd")
            return Variant::uint64(st_->hwnd);
        if (key == u"activedocument")
            return Dispatch(std::make_shared<DocumentObject>(st_, st_->active));
        return MemObject::doGet(key, member);
    }

    Variant doCall(const std::u16string& key, std::u16string_view member, std::vector<Variant>& args) override {
        if (key == u"getinterfaceobject") {
            expectArgs(member, args, 1);
            const auto progId = convert(member, [&] { return args[0].toString(); });
            Dispatch object = st_->interfaceObjects ? st_->interfaceObjects(progId) : Dispatch();
            if (!object)
                throw fail(member, u"problem in loading application \"" + progId + u"\"");
            return object;
        }
        return MemObject::doCall(key, member, args);
    }
};

}  // namespace

Dispatch applicationObject(const std::shared_ptr<MemDrawing::State>& state) {
    return Dispatch(std::make_shared<ApplicationObject>(state));
}

}  // namespace mem

}  // namespace qx::cad
