// An in-memory drawing that serves the CAD object model through Dispatch:
// application, document, selection sets and entities, with scripted picking,
// injected failures and call counts, so that the commands can be tested
// without a CAD application.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cad/connector.h"
#include "cad/dispatch.h"

namespace qx::cad {

struct Point3 {
    double x = 0, y = 0, z = 0;
    friend bool operator==(const Point3&, const Point3&) = default;
};

enum class EntityKind { Line, Polyline, Text, Polyline2d, Spline, MText, Circle };

// Height of a text unless it is given another, in drawing units.
inline constexpr double kMemTextHeight = 2.5;
// A multiline text's frame is this many character heights high per line
// (times its line spacing factor).
inline constexpr double kMTextLinePitch = 5.0 / 3.0;

// What the drawing holds for one entity.
struct MemEntity {
    std::int64_t id = 0;
    EntityKind kind = EntityKind::Line;
    Point3 start, end;                // line
    std::vector<double> coordinates;  // polyline: x, y per vertex
    bool closed = false;              // polyline
    std::u16string text;              // text; multiline text: the raw contents, format codes included
    // Text: the start of the baseline; for alignments other than left,
    // aligned and fit the drawing derives it from the alignment point and the
    // text's width. Multiline text: the point of its frame that attachment
    // names. Also the position of the kinds without geometry here.
    Point3 insertionPoint;
    Point3 alignmentPoint;           // text; (0, 0, 0) for a left-aligned text, as the application resets it
    std::int32_t alignment = 0;      // text, the CAD object model's values 0 to 14
    double height = kMemTextHeight;  // text and multiline text (nominal character height), above 0
    double rotation = 0;             // text and multiline text, radians counter-clockwise about its insertion point
    // Multiline text: AttachmentPoint 1 to 9 (top, middle, bottom rows of
    // left, centre, right), the frame's Width (0: no wrapping) and its
    // LineSpacingFactor (0.25 to 4).
    std::int32_t attachment = 1;
    double width = 0;
    double lineSpacing = 1;
    int updates = 0;  // calls of Update
    bool erased = false;
    friend bool operator==(const MemEntity&, const MemEntity&) = default;
};

// The text rules of the CAD object model: a left-aligned text (0) is placed
// by its insertion point, every other alignment by its alignment point;
// InsertionPoint can be written only for left, aligned (3) and fit (5) texts,
// TextAlignmentPoint for every alignment but left.
bool insertionPointWritable(std::int32_t alignment);
bool alignmentPointWritable(std::int32_t alignment);
// A text's height is a finite number above 0, its rotation a finite angle
// that also reads finite in degrees (as the drawing file writes it).
bool validTextHeight(double height);
bool validTextRotation(double radians);
// What a multiline text accepts: AttachmentPoint 1 to 9, a finite Width of
// 0 or more, a LineSpacingFactor from 0.25 to 4.
bool validAttachment(std::int64_t attachment);
bool validMTextWidth(double width);
bool validLineSpacing(double factor);

// "AcDbLine", ... and the DXF type name that the selection filter matches.
std::u16string entityName(EntityKind kind);
std::u16string dxfName(EntityKind kind);

// A selection filter pattern: comma-separated alternatives with * and ?,
// matched without regard to ASCII case.
bool matchesWildcards(std::u16string_view name, std::u16string_view patterns);

// Whether the selection filter of a pick takes an entity.
using PickFilter = std::function<bool(const MemEntity&)>;
// Lets the user pick on screen; gets the pick's filter, answers the picked
// IDs or nullopt when the user cancels. A qx::Error it throws fails the pick
// with its message.
using PickAsk = std::function<std::optional<std::vector<std::int64_t>>(const PickFilter& filter)>;

// An application with its open documents. Everything below that names no
// document works on the active one, as ActiveDocument does.
class MemDrawing {
public:
    // IDs are handed out upwards from firstId, one counter for every document
    // of the application, so an ID never names objects of two documents; the
    // default start puts the first three below 2^32 and the rest above. An
    // empty fullName makes a drawing never saved, named "Drawing1.dwg".
    explicit MemDrawing(std::u16string fullName = u"C:\\drawings\\table.dwg",
                        std::int64_t firstId = (std::int64_t{1} << 32) - 3);
    ~MemDrawing();
    MemDrawing(const MemDrawing&) = delete;
    MemDrawing& operator=(const MemDrawing&) = delete;

    // The application object; every call reaches this drawing.
    Dispatch application();
    void setHwnd(std::uint64_t hwnd);
    std::uint64_t hwnd() const;
    // The active document's FullName ("" when never saved) and Name.
    const std::u16string& fullName() const;
    const std::u16string& name() const;

    // Opens another, empty drawing and makes it the active document; an empty
    // fullName makes a new unsaved one ("Drawing2.dwg", ...).
    void newDocument(std::u16string fullName);
    // Makes an open document active again; index counts the documents in the
    // order they were opened.
    void activateDocument(std::size_t index);
    std::size_t documentCount() const;
    // Closes the active document and opens its file again: the same entities
    // under new object IDs, no selection sets. Objects of the closed document
    // fail every call.
    void reopen();

    // What Application.GetInterfaceObject(progId) loads into the
    // application; without it, or when it answers null, the call fails as
    // for an identifier that is not registered.
    void setInterfaceObjects(std::function<Dispatch(const std::u16string& progId)> load);

    // The application serves no member of that name (older or other
    // applications of the same object model): every object answers that it
    // has none.
    void withoutMember(std::u16string member);

    std::int64_t addLine(Point3 start, Point3 end);
    std::int64_t addPolyline(std::vector<double> coordinates, bool closed);
    // Throws qx::Error for a height or rotation that a text cannot have.
    std::int64_t addText(std::u16string text, Point3 insertionPoint, Point3 alignmentPoint, std::int32_t alignment = 0,
                         double height = kMemTextHeight, double rotation = 0);
    // A multiline text placed by the point of its frame that attachment
    // names. Throws qx::Error for a value a multiline text cannot have.
    std::int64_t addMText(std::u16string contents, Point3 insertionPoint, std::int32_t attachment = 1, double width = 0,
                          double height = kMemTextHeight, double rotation = 0, double lineSpacing = 1);
    // Any kind, with only a position (used by rectangle picks). A multiline
    // text made so has no contents and the defaults of addMText.
    std::int64_t addEntity(EntityKind kind, Point3 position = {});

    // The entity with that ID, erased ones included; nullopt for unknown IDs.
    std::optional<MemEntity> entity(std::int64_t id) const;
    // IDs of entities not erased, in creation order.
    std::vector<std::int64_t> liveIds() const;
    // The entities not erased, in creation order.
    std::vector<MemEntity> liveEntities() const;
    // Erases an entity as the CAD user would, behind the client's back.
    void erase(std::int64_t id);

    // What the next SelectOnScreen picks (before the filter). The script stays
    // until it is replaced; the default picks nothing.
    void pickAll();
    void pickIds(std::vector<std::int64_t> ids);
    // Entities whose points all lie inside the rectangle (a window pick).
    void pickRectangle(double x1, double y1, double x2, double y2);
    void pickNothing();
    // SelectOnScreen fails as when the user presses Escape.
    void pickCancel();
    // SelectOnScreen asks, and takes what the answer names and the filter
    // admits; a cancelled answer fails it as pickCancel does.
    void pickInteractive(PickAsk ask);

    // Called after every change of the entities (added, copied, changed,
    // erased) and after Update and Regen, so that a view can redraw. Runs
    // inside the call that changed them.
    void setOnChanged(std::function<void()> onChanged);

    // The k-th call of member (1 = the next one; gets, puts and method calls
    // all count) fails with message. Members match without regard to case.
    void failCall(std::u16string member, int k, std::u16string message);
    // The k-th call of member is rejected as by a busy application.
    void rejectCall(std::u16string member, int k);
    static const std::u16string& rejectedMessage();

    // The active document's undo stack as the user's U sees it. Every change
    // of an entity by an automation call (puts, Move, Copy, Delete) is a
    // group of its own, or part of the one group between StartUndoMark and
    // EndUndoMark; changes made through this class are not on it.
    //
    // Takes back the latest group: its entities as they were before it, its
    // copies erased. A mark still open is closed first (counted as misuse).
    // False when there is nothing to take back.
    bool undo();
    bool undoMarkOpen() const;
    std::size_t undoGroupCount() const;
    // StartUndoMark while a mark is open, EndUndoMark without one, and U
    // while one is open, in every document so far.
    int undoMarkMisuse() const;

    // Calls of a member so far, gets, puts and method calls together, on all
    // objects or on one kind ("application", "document", "selection sets",
    // "selection set", "line", "polyline", "text", "2D polyline", "spline",
    // "multiline text", "circle").
    int callCount(std::u16string_view member) const;
    int callCount(std::u16string_view kind, std::u16string_view member) const;
    // The arguments of the latest method call of member, as passed.
    std::vector<Variant> lastArgs(std::u16string_view member) const;
    int regenCount() const;
    // Names of the selection sets the document holds now.
    std::vector<std::u16string> selectionSetNames() const;
    // IDs in the named set, nullopt when there is no such set.
    std::optional<std::vector<std::int64_t>> selectionSetIds(std::u16string_view name) const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// Programmatic identifiers registered in memory, each with the running
// application or none.
class MemConnector : public CadConnector {
public:
    void registerProgId(const std::u16string& progId, Dispatch runningApplication = {});
    void unregister(const std::u16string& progId);
    TargetState targetState(const std::u16string& progId) override;
    bool isTargetRunning(const std::u16string& progId) override;
    Dispatch attach(const std::u16string& progId) override;
    int attachCount() const { return attaches_; }

private:
    const Dispatch& registered(const std::u16string& progId) const;
    std::map<std::u16string, Dispatch> apps_;
    int attaches_ = 0;
};

}  // namespace qx::cad
