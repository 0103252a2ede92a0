// What is kept of a drawn table between commands: its border segments and
// texts as read from the drawing, and the column and row boundaries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qx {

struct TPoint3 {
    double x = 0;
    double y = 0;
    double z = 0;
    bool operator==(const TPoint3&) const = default;
};

struct TQdlLine {
    TPoint3 st;
    TPoint3 ed;
    std::int64_t objID = 0;  // the line or polyline it is a segment of; 0: not known
    bool poly = false;       // a segment of a polyline
};

struct TQdlText {
    TPoint3 base;
    std::int32_t code = 0;  // the entity's Alignment; a multiline text's AttachmentPoint
    // The text as the user reads it: control and format codes decoded, the
    // lines of a multiline text joined by line breaks.
    std::u16string sText;
    std::int64_t objID = 0;  // 0: the update deleted the entity
    // The centre of the text's extents, read by the Get only for a text
    // whose placing point lies on a boundary or outside every cell: it
    // stands for the text in its cell then.
    std::optional<TPoint3> centre;
    bool mtext = false;       // a multiline text (MTEXT) rather than a single-line one
    std::u16string contents;  // its TextString as the drawing holds it, codes included
};

// The lines a text gives its cell: one for a single-line text, its lines
// for a multiline one.
std::vector<std::u16string> textLines(const TQdlText& text);

using TDblAry = std::vector<double>;

// The four lists, shared by the Get, cell placement and the Update; they live
// as long as the main window.
struct TQdlLists {
    std::vector<TQdlLine> lineAry;
    std::vector<TQdlText> textAry;
    std::vector<double> tateAry;  // X of vertical boundaries, ascending after mergeBorders
    std::vector<double> yokoAry;  // Y of horizontal boundaries, descending after mergeBorders
};

// Entity conversion.
void appendPolyline(std::vector<TQdlLine>& lineAry, TDblAry coordinates, bool closed, std::int64_t id = 0);
void appendLine(std::vector<TQdlLine>& lineAry, const TPoint3& start, const TPoint3& end, std::int64_t id = 0);

void collectBorders(TQdlLists& lists, double tolerance);
void mergeBorders(TQdlLists& lists, double tolerance);

// Index i of the open interval tateAry[i] < x < tateAry[i+1]; -1 when none holds x.
int tateIndexOf(const std::vector<double>& tateAry, double x);
// Index i of the open interval yokoAry[i+1] < y < yokoAry[i]; -1 when none holds y.
int yokoIndexOf(const std::vector<double>& yokoAry, double y);

}  // namespace qx
