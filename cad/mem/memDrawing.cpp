#include "cad/mem/memDrawing.h"

#include <algorithm>
#include <limits>

#include "cad/mem/pickGeometry.h"

namespace qx::cad {

namespace {

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// One alternative of a filter pattern; iterative so long names cannot
// exhaust the stack.
bool matchOne(std::u16string_view name, std::u16string_view pattern) {
    std::size_t n = 0, p = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

std::u16string decimal(std::int64_t v) {
    auto s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

Variant point(const Point3& p) {
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

}  // namespace

std::u16string entityName(EntityKind kind) {
    switch (kind) {
        case EntityKind::Line:
            return u"AcDbLine";
        case EntityKind::Polyline:
            return u"AcDbPolyline";
        case EntityKind::Text:
            return u"AcDbText";
        case EntityKind::Polyline2d:
            return u"AcDb2dPolyline";
        case EntityKind::Spline:
            return u"AcDbSpline";
        case EntityKind::MText:
            return u"AcDbMText";
        case EntityKind::Circle:
            return u"AcDbCircle";
    }
    return u"AcDbEntity";
}

std::u16string dxfName(EntityKind kind) {
    switch (kind) {
        case EntityKind::Line:
            return u"LINE";
        case EntityKind::Polyline:
            return u"LWPOLYLINE";
        case EntityKind::Text:
            return u"TEXT";
        case EntityKind::Polyline2d:
            return u"POLYLINE";
        case EntityKind::Spline:
            return u"SPLINE";
        case EntityKind::MText:
            return u"MTEXT";
        case EntityKind::Circle:
            return u"CIRCLE";
    }
    return u"";
}

static std::u16string kindName(EntityKind kind) {
    switch (kind) {
        case EntityKind::Line:
            return u"line";
        case EntityKind::Polyline:
            return u"polyline";
        case EntityKind::Text:
            return u"text";
        case EntityKind::Polyline2d:
            return u"2D polyline";
        case EntityKind::Spline:
            return u"spline";
        case EntityKind::MText:
            return u"multiline text";
        case EntityKind::Circle:
            return u"circle";
    }
    return u"entity";
}

bool matchesWildcards(std::u16string_view name, std::u16string_view patterns) {
    std::size_t from = 0;
    while (true) {
        auto comma = patterns.find(u',', from);
        auto alternative = patterns.substr(from, comma == std::u16string_view::npos ? comma : comma - from);
        if (matchOne(name, alternative)) {
            return true;
        }
        if (comma == std::u16string_view::npos) {
            return false;
        }
        from = comma + 1;
    }
}

// One open drawing: its entities and selection sets.
struct MemDocument {
    std::u16string fullName;  // "" for a drawing never saved
    std::u16string name;
    std::vector<MemEntity> entities;
    std::map<std::int64_t, std::size_t> index;
    std::vector<std::shared_ptr<SelSet>> sets;
    bool closed = false;

    MemEntity* find(std::int64_t id) {
        auto it = index.find(id);
        return it == index.end() ? nullptr : &entities[it->second];
    }
};

struct MemDrawing::State {
    std::uint64_t hwnd = 0x000A'0C2E;
    std::int64_t nextId;
    std::vector<std::shared_ptr<MemDocument>> documents;
    std::shared_ptr<MemDocument> active;
    int untitled = 0;                     // the number of the last "DrawingN.dwg"
    std::vector<std::u16string> missing;  // lower case
    std::function<Dispatch(const std::u16string&)> interfaceObjects;
    Pick pick = Pick::Nothing;
    std::vector<std::int64_t> pickIds;
    double rect[4] = {0, 0, 0, 0};
    PickAsk ask;
    std::function<void()> onChanged;
    std::vector<Fault> faults;
    std::map<std::u16string, int> counts;
    std::map<std::pair<std::u16string, std::u16string>, int> kindCounts;
    std::map<std::u16string, std::vector<Variant>> lastArgs;
    int regens = 0;

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
            doc->name = u"Drawing" + decimal(++untitled) + u".dwg";
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
    // alignment point and contents.
    static void placeText(MemEntity& e) {
        if (insertionPointWritable(e.alignment))
            return;
        auto box = textBox(e, kMemTextHeight);
        e.insertionPoint = {box.left, box.bottom, e.alignmentPoint.z};
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
                return std::find(pickIds.begin(), pickIds.end(), e.id) != pickIds.end();
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
    Variant call(std::u16string_view member, const std::vector<Variant>& args) override {
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
    virtual Variant doCall(const std::u16string&, std::u16string_view member, const std::vector<Variant>&) {
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
        }
        return MemObject::doGet(key, member);
    }

    void doPut(const std::u16string& key, std::u16string_view member, const Variant& value) override {
        auto& e = live(member);
        if (isText() && key == u"textstring") {
            e.text = convert(member, [&] { return value.toString(); });
            State::placeText(e);
            st_->changed();
            return;
        }
        if (isText() && key == u"insertionpoint") {
            auto p = pointArg(member, value);
            if (!insertionPointWritable(e.alignment)) {
                throw fail(member, u"not applicable: the insertion point of a text aligned " + decimal(e.alignment) +
                                       u" is read-only");
            }
            e.insertionPoint = p;
            st_->changed();
            return;
        }
        if (isText() && key == u"textalignmentpoint") {
            auto p = pointArg(member, value);
            if (!alignmentPointWritable(e.alignment)) {
                throw fail(member, u"not applicable: a left-aligned text has no alignment point");
            }
            e.alignmentPoint = p;
            State::placeText(e);
            st_->changed();
            return;
        }
        MemObject::doPut(key, member, value);
    }

    Variant doCall(const std::u16string& key, std::u16string_view member, const std::vector<Variant>& args) override {
        auto& e = live(member);
        if (key == u"update") {
            expectArgs(member, args, 0);
            ++e.updates;
            st_->changed();
            return {};
        }
        if (key == u"delete") {
            expectArgs(member, args, 0);
            e.erased = true;
            st_->changed();
            return {};
        }
        if (key == u"copy") {
            expectArgs(member, args, 0);
            MemEntity copy = e;  // add() may move the vector under e
            auto id = st_->add(*doc_, std::move(copy));
            return Dispatch(std::make_shared<EntityObject>(st_, doc_, id, kind_));
        }
        if (key == u"move") {
            expectArgs(member, args, 2);
            auto from = pointArg(member, args[0]);
            auto to = pointArg(member, args[1]);
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

    Variant doCall(const std::u16string& key, std::u16string_view member, const std::vector<Variant>& args) override {
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
        std::vector<std::int64_t> answered;
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
            answered = std::move(*answer);
        }
        if (set_->deleted || doc_->closed) {
            throw fail(member, u"the selection set was deleted while the user picked");
        }
        for (const auto& e : doc_->entities) {
            bool picked =
                interactive ? std::find(answered.begin(), answered.end(), e.id) != answered.end() : st_->picked(e);
            if (e.erased || !picked || !admits(e))
                continue;
            if (std::find(set_->ids.begin(), set_->ids.end(), e.id) == set_->ids.end()) {
                set_->ids.push_back(e.id);
            }
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

    Variant doCall(const std::u16string& key, std::u16string_view member, const std::vector<Variant>& args) override {
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

    Variant doCall(const std::u16string& key, std::u16string_view member, const std::vector<Variant>& args) override {
        if (key == u"objectidtoobject") {
            expectArgs(member, args, 1);
            auto id = convert(member, [&] { return args[0].toInt64(); });
            auto* e = doc_->find(id);  // objects of this document only
            if (!e || e->erased) {
                throw fail(member, u"no object has the ID " + decimal(id));
            }
            return entityObject(st_, doc_, id);
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

    Variant doCall(const std::u16string& key, std::u16string_view member, const std::vector<Variant>& args) override {
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

bool insertionPointWritable(std::int32_t alignment) {
    return alignment == 0 || alignment == 3 || alignment == 5;
}

bool alignmentPointWritable(std::int32_t alignment) {
    return alignment != 0;
}

MemDrawing::MemDrawing(std::u16string fullName, std::int64_t firstId) : state_(std::make_shared<State>()) {
    state_->nextId = firstId;
    state_->open(std::move(fullName));
}

MemDrawing::~MemDrawing() = default;

Dispatch MemDrawing::application() {
    return Dispatch(std::make_shared<ApplicationObject>(state_));
}
void MemDrawing::setHwnd(std::uint64_t hwnd) {
    state_->hwnd = hwnd;
}
std::uint64_t MemDrawing::hwnd() const {
    return state_->hwnd;
}
const std::u16string& MemDrawing::fullName() const {
    return state_->active->fullName;
}
const std::u16string& MemDrawing::name() const {
    return state_->active->name;
}

void MemDrawing::newDocument(std::u16string fullName) {
    state_->open(std::move(fullName));
}

void MemDrawing::activateDocument(std::size_t index) {
    if (index >= state_->documents.size() || state_->documents[index]->closed)
        throw Error(u"no open document " + decimal(static_cast<std::int64_t>(index)));
    state_->active = state_->documents[index];
    state_->changed();
}

std::size_t MemDrawing::documentCount() const {
    return state_->documents.size();
}

void MemDrawing::reopen() {
    auto old = state_->active;
    old->closed = true;
    auto doc = std::make_shared<MemDocument>();
    doc->fullName = old->fullName;
    doc->name = old->name;
    std::replace(state_->documents.begin(), state_->documents.end(), old, doc);
    state_->active = doc;
    for (const auto& e : old->entities) {
        if (!e.erased)
            state_->add(*doc, e);
    }
    state_->changed();
}

void MemDrawing::setInterfaceObjects(std::function<Dispatch(const std::u16string&)> load) {
    state_->interfaceObjects = std::move(load);
}

void MemDrawing::withoutMember(std::u16string member) {
    state_->missing.push_back(lower(member));
}

std::int64_t MemDrawing::addLine(Point3 start, Point3 end) {
    MemEntity e;
    e.kind = EntityKind::Line;
    e.start = start;
    e.end = end;
    return state_->add(*state_->active, std::move(e));
}

std::int64_t MemDrawing::addPolyline(std::vector<double> coordinates, bool closed) {
    MemEntity e;
    e.kind = EntityKind::Polyline;
    e.coordinates = std::move(coordinates);
    e.closed = closed;
    return state_->add(*state_->active, std::move(e));
}

std::int64_t MemDrawing::addText(std::u16string text, Point3 insertionPoint, Point3 alignmentPoint,
                                 std::int32_t alignment) {
    MemEntity e;
    e.kind = EntityKind::Text;
    e.text = std::move(text);
    e.insertionPoint = insertionPoint;
    e.alignmentPoint = alignmentPoint;
    e.alignment = alignment;
    return state_->add(*state_->active, std::move(e));
}

std::int64_t MemDrawing::addEntity(EntityKind kind, Point3 position) {
    MemEntity e;
    e.kind = kind;
    e.insertionPoint = position;
    return state_->add(*state_->active, std::move(e));
}

std::optional<MemEntity> MemDrawing::entity(std::int64_t id) const {
    auto* e = state_->active->find(id);
    return e ? std::optional<MemEntity>(*e) : std::nullopt;
}

std::vector<std::int64_t> MemDrawing::liveIds() const {
    std::vector<std::int64_t> ids;
    for (const auto& e : state_->active->entities) {
        if (!e.erased)
            ids.push_back(e.id);
    }
    return ids;
}

std::vector<MemEntity> MemDrawing::liveEntities() const {
    std::vector<MemEntity> live;
    for (const auto& e : state_->active->entities) {
        if (!e.erased)
            live.push_back(e);
    }
    return live;
}

void MemDrawing::erase(std::int64_t id) {
    if (auto* e = state_->active->find(id)) {
        e->erased = true;
        state_->changed();
    }
}

void MemDrawing::pickAll() {
    state_->pick = Pick::All;
}
void MemDrawing::pickIds(std::vector<std::int64_t> ids) {
    state_->pick = Pick::Ids;
    state_->pickIds = std::move(ids);
}
void MemDrawing::pickRectangle(double x1, double y1, double x2, double y2) {
    state_->pick = Pick::Rectangle;
    state_->rect[0] = x1;
    state_->rect[1] = y1;
    state_->rect[2] = x2;
    state_->rect[3] = y2;
}
void MemDrawing::pickNothing() {
    state_->pick = Pick::Nothing;
}
void MemDrawing::pickCancel() {
    state_->pick = Pick::Cancel;
}
void MemDrawing::pickInteractive(PickAsk ask) {
    if (!ask)
        throw Error(u"an interactive pick needs someone to ask");
    state_->pick = Pick::Interactive;
    state_->ask = std::move(ask);
}

void MemDrawing::setOnChanged(std::function<void()> onChanged) {
    state_->onChanged = std::move(onChanged);
}

void MemDrawing::failCall(std::u16string member, int k, std::u16string message) {
    if (k >= 1)
        state_->faults.push_back({lower(member), k, std::move(message)});
}

const std::u16string& MemDrawing::rejectedMessage() {
    static const std::u16string text = u"the call was rejected by the callee (busy)";
    return text;
}

void MemDrawing::rejectCall(std::u16string member, int k) {
    failCall(std::move(member), k, rejectedMessage());
}

int MemDrawing::callCount(std::u16string_view member) const {
    auto it = state_->counts.find(lower(member));
    return it == state_->counts.end() ? 0 : it->second;
}

int MemDrawing::callCount(std::u16string_view kind, std::u16string_view member) const {
    auto it = state_->kindCounts.find({std::u16string(kind), lower(member)});
    return it == state_->kindCounts.end() ? 0 : it->second;
}

std::vector<Variant> MemDrawing::lastArgs(std::u16string_view member) const {
    auto it = state_->lastArgs.find(lower(member));
    return it == state_->lastArgs.end() ? std::vector<Variant>{} : it->second;
}

int MemDrawing::regenCount() const {
    return state_->regens;
}

std::vector<std::u16string> MemDrawing::selectionSetNames() const {
    std::vector<std::u16string> names;
    for (const auto& s : state_->active->sets)
        names.push_back(s->name);
    return names;
}

std::optional<std::vector<std::int64_t>> MemDrawing::selectionSetIds(std::u16string_view name) const {
    for (const auto& s : state_->active->sets) {
        if (s->name == name)
            return s->ids;
    }
    return std::nullopt;
}

void MemConnector::registerProgId(const std::u16string& progId, Dispatch runningApplication) {
    apps_[progId] = std::move(runningApplication);
}

void MemConnector::unregister(const std::u16string& progId) {
    apps_.erase(progId);
}

const Dispatch& MemConnector::registered(const std::u16string& progId) const {
    auto it = apps_.find(progId);
    if (it == apps_.end()) {
        throw Error(u"\"" + progId + u"\" is not a registered programmatic identifier");
    }
    return it->second;
}

bool MemConnector::isTargetRunning(const std::u16string& progId) {
    return !registered(progId).isNull();
}

Dispatch MemConnector::attach(const std::u16string& progId) {
    const auto& app = registered(progId);
    if (app.isNull()) {
        throw Error(u"\"" + progId + u"\" is not running");
    }
    ++attaches_;
    return app;
}

}  // namespace qx::cad
