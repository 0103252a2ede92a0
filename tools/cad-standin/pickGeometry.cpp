#include "tools/cad-standin/pickGeometry.h"

#include "cad/textContents.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qx::cad {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

double distanceToSegment(Point2 p, Point2 a, Point2 b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Even-odd rule; the outline's points form the polygon.
bool insidePolygon(const std::vector<Point2>& polygon, Point2 p) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const auto& a = polygon[i];
        const auto& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// Calls f for each edge of the outline; a single point is an edge of its own.
template <typename F>
bool anyEdge(const Outline& outline, F f) {
    const auto& pts = outline.points;
    if (pts.size() == 1)
        return f(pts[0], pts[0]);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        if (f(pts[i], pts[i + 1]))
            return true;
    }
    return outline.closed && pts.size() > 2 && f(pts.back(), pts.front());
}

bool finite(Point2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool isHalfWidth(char16_t c) {
    // Latin-1 (the yen sign included) and the half-width katakana and symbols.
    return c < 0x0100 || (c >= 0xFF61 && c <= 0xFF9F) || (c >= 0xFFE8 && c <= 0xFFEE);
}

Outline boxOutline(const Box& b) {
    return {{{b.left, b.bottom}, {b.right, b.bottom}, {b.right, b.top}, {b.left, b.top}}, true, true};
}

}  // namespace

Box Box::around(Point2 a, Point2 b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool Box::contains(Point2 p) const {
    return p.x >= left && p.x <= right && p.y >= bottom && p.y <= top;
}

// Liang-Barsky: the segment a + t (b - a), t in 0..1, cut by each side in turn.
std::optional<std::pair<Point2, Point2>> clipSegment(Point2 a, Point2 b, const Box& box) {
    if (!finite(a) || !finite(b))
        return std::nullopt;
    double t0 = 0, t1 = 1;
    double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - box.left, box.right - a.x, a.y - box.bottom, box.top - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return std::nullopt;  // parallel to this side and outside it
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    return std::pair{Point2{a.x + t0 * dx, a.y + t0 * dy}, Point2{a.x + t1 * dx, a.y + t1 * dy}};
}

TextPlacement textPlacement(const MemEntity& text) {
    TextPlacement placement;
    // Left, aligned and fit texts start at their insertion point; the others
    // stand against their alignment point.
    const auto& p = insertionPointWritable(text.alignment) ? text.insertionPoint : text.alignmentPoint;
    placement.position = {p.x, p.y};
    // The alignment values of the CAD object model: 0 left, 1 centre, 2 right,
    // 3 aligned, 4 middle, 5 fit, then top, middle and bottom rows of
    // left, centre and right.
    switch (text.alignment) {
        case 1:
        case 4:
        case 7:
        case 10:
        case 13:
            placement.horizontal = HorizontalAlign::Center;
            break;
        case 2:
        case 8:
        case 11:
        case 14:
            placement.horizontal = HorizontalAlign::Right;
            break;
        default:
            placement.horizontal = HorizontalAlign::Left;
    }
    if (text.alignment == 4 || (text.alignment >= 9 && text.alignment <= 11))
        placement.vertical = VerticalAlign::Middle;
    else if (text.alignment >= 6 && text.alignment <= 8)
        placement.vertical = VerticalAlign::Top;
    else if (text.alignment >= 12 && text.alignment <= 14)
        placement.vertical = VerticalAlign::Bottom;
    return placement;
}

double textWidth(std::u16string_view text, double height) {
    double em = 0;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue;  // the second half of a surrogate pair adds nothing
        em += isHalfWidth(c) ? 0.5 : 1.0;
    }
    return em * height;
}

Box textBox(const MemEntity& text, double height) {
    auto placement = textPlacement(text);
    double width = textWidth(text.text, height);
    double left = placement.position.x;
    if (placement.horizontal == HorizontalAlign::Center)
        left -= width / 2;
    else if (placement.horizontal == HorizontalAlign::Right)
        left -= width;
    double bottom = placement.position.y;
    if (placement.vertical == VerticalAlign::Middle)
        bottom -= height / 2;
    else if (placement.vertical == VerticalAlign::Top)
        bottom -= height;
    return {left, bottom, left + width, bottom + height};
}

Point2 rotated(Point2 p, Point2 centre, double radians) {
    if (radians == 0)
        return p;
    double c = std::cos(radians), s = std::sin(radians);
    double dx = p.x - centre.x, dy = p.y - centre.y;
    return {centre.x + dx * c - dy * s, centre.y + dx * s + dy * c};
}

std::vector<Point2> textCorners(const MemEntity& text, double height) {
    auto b = textBox(text, height);
    auto centre = textPlacement(text).position;
    std::vector<Point2> corners{{b.left, b.bottom}, {b.right, b.bottom}, {b.right, b.top}, {b.left, b.top}};
    for (auto& p : corners)
        p = rotated(p, centre, text.rotation);
    return corners;
}

double shownTextHeight(const MemEntity& text, const PickSizes& sizes) {
    return std::clamp(text.height, sizes.minTextHeight, std::max(sizes.minTextHeight, sizes.maxTextHeight));
}

namespace {

// Rows top, middle, bottom and columns left, centre, right of attachments 1 to 9.
int attachmentColumn(std::int32_t attachment) {
    return (std::clamp(attachment, 1, 9) - 1) % 3;
}
int attachmentRow(std::int32_t attachment) {
    return (std::clamp(attachment, 1, 9) - 1) / 3;
}

bool showsNothing(const MemEntity& mtext) {
    auto lines = mtextLines(mtext.text);
    return std::all_of(lines.begin(), lines.end(), [](const std::u16string& l) { return l.empty(); });
}

}  // namespace

std::vector<std::u16string> mtextLines(std::u16string_view s) {
    // The lines a user reads, as QuadcelX itself reads them; a bare carriage
    // return or line feed in the contents breaks a line too.
    std::u16string plain = mtextPlain(s);
    std::vector<std::u16string> lines(1);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const char16_t c = plain[i];
        if (c == u'\r' && i + 1 < plain.size() && plain[i + 1] == u'\n') {
            continue;
        }
        if (c == u'\n' || c == u'\r') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

Box mtextFrame(const MemEntity& mtext, double height) {
    const auto lines = mtextLines(mtext.text);
    double width = mtext.width;
    if (!(width > 0)) {
        width = 0;
        for (const auto& line : lines)
            width = std::max(width, textWidth(line, height));
    }
    const double frameHeight = static_cast<double>(lines.size()) * height * kMTextLinePitch * mtext.lineSpacing;
    const auto& p = mtext.insertionPoint;
    const int column = attachmentColumn(mtext.attachment), row = attachmentRow(mtext.attachment);
    const double left = column == 0 ? p.x : column == 1 ? p.x - width / 2 : p.x - width;
    const double top = row == 0 ? p.y : row == 1 ? p.y + frameHeight / 2 : p.y + frameHeight;
    return {left, top - frameHeight, left + width, top};
}

Point2 attachmentPosition(const Box& frame, std::int32_t attachment) {
    const int column = attachmentColumn(attachment), row = attachmentRow(attachment);
    return {column == 0   ? frame.left
            : column == 1 ? (frame.left + frame.right) / 2
                          : frame.right,
            row == 0   ? frame.top
            : row == 1 ? (frame.top + frame.bottom) / 2
                       : frame.bottom};
}

std::vector<Point2> mtextCorners(const MemEntity& mtext, double height) {
    auto b = mtextFrame(mtext, height);
    const Point2 centre{mtext.insertionPoint.x, mtext.insertionPoint.y};
    std::vector<Point2> corners{{b.left, b.bottom}, {b.right, b.bottom}, {b.right, b.top}, {b.left, b.top}};
    for (auto& p : corners)
        p = rotated(p, centre, mtext.rotation);
    return corners;
}

Outline outlineOf(const MemEntity& entity, const PickSizes& sizes) {
    switch (entity.kind) {
        case EntityKind::Line:
            return {{{entity.start.x, entity.start.y}, {entity.end.x, entity.end.y}}, false, false};
        case EntityKind::Polyline: {
            Outline outline;
            for (std::size_t i = 0; i + 1 < entity.coordinates.size(); i += 2)
                outline.points.push_back({entity.coordinates[i], entity.coordinates[i + 1]});
            outline.closed = entity.closed;
            return outline;
        }
        case EntityKind::Text:
            return {textCorners(entity, shownTextHeight(entity, sizes)), true, true};
        case EntityKind::MText:
            if (!showsNothing(entity))
                return {mtextCorners(entity, shownTextHeight(entity, sizes)), true, true};
            [[fallthrough]];
        default: {
            double half = sizes.markerSize / 2;
            const auto& p = entity.insertionPoint;
            return boxOutline({p.x - half, p.y - half, p.x + half, p.y + half});
        }
    }
}

double distanceTo(const Outline& outline, Point2 p) {
    if (outline.area && outline.points.size() > 2 && insidePolygon(outline.points, p))
        return 0;
    double best = kInfinity;
    anyEdge(outline, [&](Point2 a, Point2 b) {
        best = std::min(best, distanceToSegment(p, a, b));
        return false;
    });
    return best;
}

bool insideWindow(const Outline& outline, const Box& window) {
    return !outline.points.empty() && std::all_of(outline.points.begin(), outline.points.end(),
                                                  [&](const Point2& p) { return window.contains(p); });
}

bool crossesWindow(const Outline& outline, const Box& window) {
    if (anyEdge(outline, [&](Point2 a, Point2 b) { return clipSegment(a, b, window).has_value(); }))
        return true;
    // A window drawn inside a text or marker touches nothing but still crosses it.
    return outline.area && outline.points.size() > 2 && insidePolygon(outline.points, {window.left, window.bottom});
}

WindowMode windowMode(Point2 from, Point2 to) {
    return to.x >= from.x ? WindowMode::Inside : WindowMode::Crossing;
}

std::optional<std::int64_t> entityAt(const std::vector<MemEntity>& entities, Point2 p, double tolerance,
                                     const PickSizes& sizes, const PickFilter& admits) {
    std::optional<std::int64_t> best;
    double bestDistance = kInfinity;
    for (const auto& e : entities) {
        if (e.erased || (admits && !admits(e)))
            continue;
        double d = distanceTo(outlineOf(e, sizes), p);
        if (d <= tolerance && d <= bestDistance) {
            best = e.id;
            bestDistance = d;
        }
    }
    return best;
}

std::vector<std::int64_t> entitiesInWindow(const std::vector<MemEntity>& entities, Point2 from, Point2 to,
                                           const PickSizes& sizes, const PickFilter& admits) {
    auto window = Box::around(from, to);
    bool crossing = windowMode(from, to) == WindowMode::Crossing;
    std::vector<std::int64_t> ids;
    for (const auto& e : entities) {
        if (e.erased || (admits && !admits(e)))
            continue;
        auto outline = outlineOf(e, sizes);
        if (crossing ? crossesWindow(outline, window) : insideWindow(outline, window))
            ids.push_back(e.id);
    }
    return ids;
}

std::optional<Box> drawingExtent(const std::vector<MemEntity>& entities, const PickSizes& sizes) {
    std::optional<Box> extent;
    for (const auto& e : entities) {
        if (e.erased)
            continue;
        for (const auto& p : outlineOf(e, sizes).points) {
            if (!finite(p))
                continue;
            if (!extent) {
                extent = Box{p.x, p.y, p.x, p.y};
            } else {
                extent->left = std::min(extent->left, p.x);
                extent->bottom = std::min(extent->bottom, p.y);
                extent->right = std::max(extent->right, p.x);
                extent->top = std::max(extent->top, p.y);
            }
        }
    }
    return extent;
}

ViewTransform fitView(const Box& extent, double width, double height, double margin) {
    double availableWidth = std::max(width - 2 * margin, 1.0);
    double availableHeight = std::max(height - 2 * margin, 1.0);
    double w = extent.width(), h = extent.height();
    if (!(w > 0) && !(h > 0))
        w = h = 10;  // a single point: show some room around it
    double scale = std::min(w > 0 ? availableWidth / w : kInfinity, h > 0 ? availableHeight / h : kInfinity);
    if (!std::isfinite(scale) || scale <= 0)
        scale = 1;  // an extent too wide for a double
    double cx = (extent.left + extent.right) / 2, cy = (extent.bottom + extent.top) / 2;
    if (!std::isfinite(cx) || !std::isfinite(cy))
        cx = cy = 0;
    return {scale, width / 2 - cx * scale, height / 2 + cy * scale};
}

}  // namespace qx::cad
