#include "tools/cad-standin/memDrawing.h"

#include <cmath>
#include <numbers>

#include "tools/cad-standin/memState.h"

namespace qx::cad {

using namespace mem;

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

namespace mem {

std::u16string kindName(EntityKind kind) {
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

}  // namespace mem

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

bool insertionPointWritable(std::int32_t alignment) {
    return alignment == 0 || alignment == 3 || alignment == 5;
}

bool alignmentPointWritable(std::int32_t alignment) {
    return alignment != 0;
}

bool validTextHeight(double height) {
    return std::isfinite(height) && height > 0;
}

bool validTextRotation(double radians) {
    return std::isfinite(radians) && std::isfinite(radians * 180 / std::numbers::pi);
}

bool validAttachment(std::int64_t attachment) {
    return attachment >= 1 && attachment <= 9;
}

bool validMTextWidth(double width) {
    return std::isfinite(width) && width >= 0;
}

bool validLineSpacing(double factor) {
    return factor >= 0.25 && factor <= 4;  // false for NaN
}

MemDrawing::MemDrawing(std::u16string fullName, std::int64_t firstId) : state_(std::make_shared<State>()) {
    state_->nextId = firstId;
    state_->open(std::move(fullName));
}

MemDrawing::~MemDrawing() = default;

Dispatch MemDrawing::application() {
    return applicationObject(state_);
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
                                 std::int32_t alignment, double height, double rotation) {
    if (!validTextHeight(height))
        throw Error(u"a text's height must be a finite number above 0");
    if (!validTextRotation(rotation))
        throw Error(u"a text's rotation must be a finite angle");
    MemEntity e;
    e.kind = EntityKind::Text;
    e.height = height;
    e.rotation = rotation;
    e.text = std::move(text);
    e.insertionPoint = insertionPoint;
    e.alignmentPoint = alignmentPoint;
    e.alignment = alignment;
    return state_->add(*state_->active, std::move(e));
}

std::int64_t MemDrawing::addMText(std::u16string contents, Point3 insertionPoint, std::int32_t attachment, double width,
                                  double height, double rotation, double lineSpacing) {
    if (!validAttachment(attachment))
        throw Error(u"a multiline text's attachment point is 1 to 9");
    if (!validMTextWidth(width))
        throw Error(u"a multiline text's width must be a finite number, 0 or more");
    if (!validTextHeight(height))
        throw Error(u"a multiline text's height must be a finite number above 0");
    if (!validTextRotation(rotation))
        throw Error(u"a multiline text's rotation must be a finite angle");
    if (!validLineSpacing(lineSpacing))
        throw Error(u"a multiline text's line spacing factor is 0.25 to 4");
    MemEntity e;
    e.kind = EntityKind::MText;
    e.text = std::move(contents);
    e.insertionPoint = insertionPoint;
    e.attachment = attachment;
    e.width = width;
    e.height = height;
    e.rotation = rotation;
    e.lineSpacing = lineSpacing;
    return state_->add(*state_->active, std::move(e));
}

std::int64_t MemDrawing::addEntity(EntityKind kind, Point3 position) {
    if (kind == EntityKind::MText)
        return addMText(u"", position);
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

bool MemDrawing::undo() {
    return state_->undo(*state_->active);
}
bool MemDrawing::undoMarkOpen() const {
    return state_->active->markOpen;
}
std::size_t MemDrawing::undoGroupCount() const {
    return state_->active->undo.size();
}
int MemDrawing::undoMarkMisuse() const {
    return state_->undoMarkMisuse;
}

void MemDrawing::pickAll() {
    state_->pick = Pick::All;
}
void MemDrawing::pickIds(std::vector<std::int64_t> ids) {
    state_->pick = Pick::Ids;
    state_->pickIds = {ids.begin(), ids.end()};
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
        throw Error(u"「" + progId + u"」はこのコンピューターに登録されていません。");
    }
    return it->second;
}

TargetState MemConnector::targetState(const std::u16string& progId) {
    auto it = apps_.find(progId);
    if (it == apps_.end()) {
        return TargetState::NotRegistered;
    }
    return it->second.isNull() ? TargetState::NotRunning : TargetState::Running;
}

bool MemConnector::isTargetRunning(const std::u16string& progId) {
    return !registered(progId).isNull();
}

Dispatch MemConnector::attach(const std::u16string& progId) {
    const auto& app = registered(progId);
    if (app.isNull()) {
        throw Error(u"「" + progId + u"」が起動していません。");
    }
    ++attaches_;
    return app;
}

}  // namespace qx::cad
