// Where the entities of an in-memory drawing lie on screen, for the drawing
// server's viewer: the outline that is drawn and picked, the tests a CAD
// application applies when the user picks (a click near an entity, a window
// that holds it, a crossing window that touches it) and the fit of the
// drawing into a window.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/cad-standin/memDrawing.h"

namespace qx::cad {

struct Point2 {
    double x = 0, y = 0;
    friend bool operator==(const Point2&, const Point2&) = default;
};

// An axis-parallel rectangle, left <= right and bottom <= top.
struct Box {
    double left = 0, bottom = 0, right = 0, top = 0;
    // The box with two opposite corners a and b, in either order.
    static Box around(Point2 a, Point2 b);
    bool contains(Point2 p) const;
    double width() const { return right - left; }
    double height() const { return top - bottom; }
    friend bool operator==(const Box&, const Box&) = default;
};

// How the viewer shows what the drawing holds, in drawing units: texts at
// their own height but within the limits that keep them readable on screen,
// and the size of the marker that stands for an entity kind without geometry
// of its own here.
struct PickSizes {
    double minTextHeight = 0;
    double maxTextHeight = std::numeric_limits<double>::infinity();
    double markerSize = 1.0;
};

// The shape that is drawn and picked. Texts, multiline texts' frames and
// markers are areas: a click inside one is on it. A multiline text that shows
// nothing is a marker.
struct Outline {
    std::vector<Point2> points;
    bool closed = false;  // the last point joins the first
    bool area = false;
};

enum class HorizontalAlign { Left, Center, Right };
enum class VerticalAlign { Baseline, Middle, Top, Bottom };

// Where a text stands: its position is InsertionPoint for left, aligned and
// fit texts and TextAlignmentPoint for the others; the alignment value also tells
// how the text lies against that point (left, centre, right; baseline,
// middle, top, bottom).
struct TextPlacement {
    Point2 position;
    HorizontalAlign horizontal = HorizontalAlign::Left;
    VerticalAlign vertical = VerticalAlign::Baseline;
};
TextPlacement textPlacement(const MemEntity& text);

// Width of a text of the given height in a fixed-pitch gothic font:
// half-width characters take half the height, all others the full height.
double textWidth(std::u16string_view text, double height);

// The box a text of the given height covers before it is rotated, from its
// baseline up to its height.
Box textBox(const MemEntity& text, double height);
// The corners of that box turned by the text's rotation about the point that
// places it (anticlockwise from the start of the baseline).
std::vector<Point2> textCorners(const MemEntity& text, double height);
// Turns p about the centre by an angle in radians; no angle leaves p exactly as it is.
Point2 rotated(Point2 p, Point2 centre, double radians);
// The height the viewer shows a text or multiline text at.
double shownTextHeight(const MemEntity& text, const PickSizes& sizes);

// The lines a multiline text shows, as plain text: its contents split at \P,
// ^J and line feeds, braces and format codes (\H2; \L ...) dropped, \~ a
// blank, \\ \{ \} the characters, \U+XXXX decoded, a stack \Sa^b; as a/b.
// The stand-in's own, enough to draw and measure; never the product's parser.
std::vector<std::u16string> mtextLines(std::u16string_view contents);
// A multiline text's frame before it is turned, for characters height high:
// its Width wide (at 0 as wide as its longest line), lines x height x 5/3 x
// its line spacing factor high, placed so that the point its attachment names
// (1 top left ... 9 bottom right) is its insertion point.
Box mtextFrame(const MemEntity& mtext, double height);
// The point of the frame that an attachment point 1 to 9 names.
Point2 attachmentPosition(const Box& frame, std::int32_t attachment);
// The frame's corners turned by the rotation about the insertion point.
std::vector<Point2> mtextCorners(const MemEntity& mtext, double height);

Outline outlineOf(const MemEntity& entity, const PickSizes& sizes);

// The part of the segment from a to b that lies in the box; nullopt when no
// part does or an end is not finite.
std::optional<std::pair<Point2, Point2>> clipSegment(Point2 a, Point2 b, const Box& box);

// Distance from p to the outline; 0 on it or inside an area. Infinite for an
// outline without points.
double distanceTo(const Outline& outline, Point2 p);
// Every point of the outline lies in the window.
bool insideWindow(const Outline& outline, const Box& window);
// The outline lies in the window or touches it; an area also when the window
// lies within it.
bool crossesWindow(const Outline& outline, const Box& window);

// A window dragged to the right takes the entities inside it, one dragged to
// the left those it crosses (x grows to the right on screen and in the
// drawing alike).
enum class WindowMode { Inside, Crossing };
WindowMode windowMode(Point2 from, Point2 to);

// An empty filter admits every entity.
//
// The admitted live entity nearest to p within tolerance; on equal distance
// the later one, which is drawn on top.
std::optional<std::int64_t> entityAt(const std::vector<MemEntity>& entities, Point2 p, double tolerance,
                                     const PickSizes& sizes, const PickFilter& admits = {});
// The admitted live entities that the window from one corner to the other
// picks, in drawing order.
std::vector<std::int64_t> entitiesInWindow(const std::vector<MemEntity>& entities, Point2 from, Point2 to,
                                           const PickSizes& sizes, const PickFilter& admits = {});

// The box around the live entities' outlines, ignoring coordinates that are
// not finite; nullopt when there is nothing to show.
std::optional<Box> drawingExtent(const std::vector<MemEntity>& entities, const PickSizes& sizes);

// Drawing units to window pixels: y grows upwards in the drawing and
// downwards on screen.
struct ViewTransform {
    double scale = 1;                 // pixels per drawing unit
    double originX = 0, originY = 0;  // the pixel of the drawing's point (0, 0)
    Point2 toScreen(Point2 p) const { return {originX + p.x * scale, originY - p.y * scale}; }
    Point2 toDrawing(Point2 s) const { return {(s.x - originX) / scale, (originY - s.y) / scale}; }
};

// Fits the extent, centred, into a view of width x height pixels with a
// margin on every side. A degenerate extent (a point or a straight line
// along an axis) is shown at a size that keeps the scale finite.
ViewTransform fitView(const Box& extent, double width, double height, double margin);

}  // namespace qx::cad
