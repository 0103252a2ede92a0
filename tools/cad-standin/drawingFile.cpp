#include "tools/cad-standin/drawingFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <numbers>

#include "core/text.h"

namespace qx::cad {

namespace {

struct Line {
    int number;
    std::u16string text;
    std::vector<std::u16string> words;
    std::vector<std::size_t> starts;  // where each word begins in text
};

// The drawing file's own line rule (LF ends a line, a stray CR is a blank), numbered and split into words.
std::vector<Line> numberedWordLines(std::u16string_view text) {
    std::vector<Line> lines;
    std::size_t from = 0;
    for (int number = 1; from <= text.size(); ++number) {
        auto end = text.find(u'\n', from);
        if (end == std::u16string_view::npos)
            end = text.size();
        Line line{number, std::u16string(text.substr(from, end - from)), {}, {}};
        if (!line.text.empty() && line.text.back() == u'\r')
            line.text.pop_back();
        // Any other carriage return is a blank, as a saved drawing writes it.
        std::replace(line.text.begin(), line.text.end(), u'\r', u' ');
        for (std::size_t i = 0; i < line.text.size();) {
            if (line.text[i] == u' ' || line.text[i] == u'\t') {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < line.text.size() && line.text[j] != u' ' && line.text[j] != u'\t')
                ++j;
            line.words.push_back(line.text.substr(i, j - i));
            line.starts.push_back(i);
            i = j;
        }
        if (!line.words.empty() && line.words[0][0] != u'#')
            lines.push_back(std::move(line));
        from = end + 1;
    }
    return lines;
}

Error lineError(const Line& line, const std::u16string& reason) {
    return Error(u"line " + decimalText(line.number) + u": " + reason);
}

// Word i read whole by the C library's `read` (strtod, strtoll, strtoull).
// Not parseDecimal: that reads what a user types, while the file also holds
// what the drawing may hold, "inf" and "nan" among it, and saves them so.
template <typename Read>
auto numberWord(const Line& line, std::size_t i, const char16_t* what, Read read) {
    if (i >= line.words.size())
        throw lineError(line, u"a number is missing");
    const std::string s = toUtf8(line.words[i]);
    char* end = nullptr;
    errno = 0;
    const auto v = read(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || errno == ERANGE)
        throw lineError(line, u"\"" + line.words[i] + u"\" is not " + what);
    return v;
}

double number(const Line& line, std::size_t i) {
    return numberWord(line, i, u"a number", [](const char* s, char** end) { return std::strtod(s, end); });
}

std::int64_t integer(const Line& line, std::size_t i) {
    return numberWord(line, i, u"an integer", [](const char* s, char** end) { return std::strtoll(s, end, 10); });
}

// Window handles are unsigned, and saved as such.
std::uint64_t unsignedInteger(const Line& line, std::size_t i) {
    // strtoull would take "-1" as the largest value.
    if (i < line.words.size() && !line.words[i].empty() && line.words[i][0] == u'-')
        throw lineError(line, u"\"" + line.words[i] + u"\" is not an unsigned integer");
    return numberWord(line, i, u"an unsigned integer",
                      [](const char* s, char** end) { return std::strtoull(s, end, 10); });
}

void expectWords(const Line& line, std::size_t n) {
    if (line.words.size() != n)
        throw lineError(line, u"expected " + decimalText(n - 1) + u" values");
}

// The rest of the line after word i, as written.
std::u16string restOf(const Line& line, std::size_t i) {
    return i < line.words.size() ? line.text.substr(line.starts[i]) : std::u16string();
}

// The file gives rotations in degrees, as a CAD user reads them.
double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

}  // namespace

std::unique_ptr<MemDrawing> loadDrawing(std::u16string_view text, std::optional<std::int64_t> runFirstId) {
    auto lines = numberedWordLines(text);
    std::u16string name = u"C:\\drawings\\table.dwg";
    std::int64_t firstId = (std::int64_t{1} << 32) - 3;
    const Line* firstIdLine = nullptr;
    std::int64_t entities = 0;
    for (const auto& line : lines) {
        const auto& what = line.words[0];
        entities += what == u"line" || what == u"polyline" || what == u"text" || what == u"mtext" || what == u"entity";
        if (line.words[0] == u"name") {
            name = restOf(line, 1);
            if (name.empty())
                throw lineError(line, u"the name is missing");
        } else if (line.words[0] == u"unsaved") {
            expectWords(line, 1);
            name.clear();
        } else if (line.words[0] == u"firstid") {
            expectWords(line, 2);
            firstId = integer(line, 1);
            if (firstId <= 0)
                throw lineError(line, u"object IDs start above 0");
            firstIdLine = &line;
        }
    }
    // The drawing hands out IDs below the largest 64-bit integer only.
    if (firstIdLine && !runFirstId && firstId > std::numeric_limits<std::int64_t>::max() - entities)
        throw lineError(*firstIdLine, u"too few object IDs above it for the drawing's entities");
    auto drawing = std::make_unique<MemDrawing>(name, runFirstId.value_or(firstId));
    std::vector<std::int64_t> ids;
    double height = kMemTextHeight, rotation = 0;  // of the texts that follow
    double lineSpacing = 1;                        // of the multiline texts that follow
    std::function<void()> pick = [] {};
    for (const auto& line : lines) {
        const auto& what = line.words[0];
        if (what == u"name" || what == u"firstid" || what == u"unsaved") {
            continue;
        } else if (what == u"missing") {
            expectWords(line, 2);
            drawing->withoutMember(line.words[1]);
        } else if (what == u"hwnd") {
            expectWords(line, 2);
            drawing->setHwnd(unsignedInteger(line, 1));
        } else if (what == u"line") {
            expectWords(line, 5);
            ids.push_back(
                drawing->addLine({number(line, 1), number(line, 2), 0}, {number(line, 3), number(line, 4), 0}));
        } else if (what == u"polyline") {
            if (line.words.size() < 2 || (line.words[1] != u"open" && line.words[1] != u"closed")) {
                throw lineError(line, u"a polyline is open or closed");
            }
            if (line.words.size() % 2 != 0 || line.words.size() < 6) {
                throw lineError(line, u"a polyline needs x y pairs of at least two vertices");
            }
            std::vector<double> xy;
            for (std::size_t i = 2; i < line.words.size(); ++i)
                xy.push_back(number(line, i));
            ids.push_back(drawing->addPolyline(std::move(xy), line.words[1] == u"closed"));
        } else if (what == u"text") {
            if (line.words.size() < 6)
                throw lineError(line, u"a text needs an alignment and two points");
            auto alignment = integer(line, 1);
            if (alignment < 0 || alignment > 14)
                throw lineError(line, u"the alignment is 0 to 14");
            ids.push_back(drawing->addText(restOf(line, 6), {number(line, 2), number(line, 3), 0},
                                           {number(line, 4), number(line, 5), 0}, static_cast<std::int32_t>(alignment),
                                           height, rotation));
        } else if (what == u"mtext") {
            if (line.words.size() < 6)
                throw lineError(line, u"a multiline text needs attachment, point, width and height");
            auto attachment = integer(line, 1);
            if (!validAttachment(attachment))
                throw lineError(line, u"the attachment point is 1 to 9");
            const double width = number(line, 4), mheight = number(line, 5);
            if (!validMTextWidth(width))
                throw lineError(line, u"a multiline text's width is finite, 0 or more");
            if (!validTextHeight(mheight))
                throw lineError(line, u"a multiline text's height is a finite number above 0");
            ids.push_back(drawing->addMText(restOf(line, 6), {number(line, 2), number(line, 3), 0},
                                            static_cast<std::int32_t>(attachment), width, mheight, rotation,
                                            lineSpacing));
        } else if (what == u"linespacing") {
            expectWords(line, 2);
            lineSpacing = number(line, 1);
            if (!validLineSpacing(lineSpacing))
                throw lineError(line, u"a line spacing factor is 0.25 to 4");
        } else if (what == u"textheight") {
            expectWords(line, 2);
            height = number(line, 1);
            if (!validTextHeight(height))
                throw lineError(line, u"a text's height is a finite number above 0");
        } else if (what == u"textrotation") {
            expectWords(line, 2);
            rotation = radians(number(line, 1));
            if (!validTextRotation(rotation))
                throw lineError(line, u"a text's rotation is a finite number of degrees");
        } else if (what == u"entity") {
            expectWords(line, 4);
            static const std::pair<const char16_t*, EntityKind> kinds[] = {{u"POLYLINE", EntityKind::Polyline2d},
                                                                           {u"SPLINE", EntityKind::Spline},
                                                                           {u"MTEXT", EntityKind::MText},
                                                                           {u"CIRCLE", EntityKind::Circle}};
            auto it = std::find_if(std::begin(kinds), std::end(kinds),
                                   [&](const auto& k) { return line.words[1] == k.first; });
            if (it == std::end(kinds))
                throw lineError(line, u"unknown entity kind \"" + line.words[1] + u"\"");
            ids.push_back(drawing->addEntity(it->second, {number(line, 2), number(line, 3), 0}));
        } else if (what == u"pick") {
            if (line.words.size() < 2)
                throw lineError(line, u"pick what?");
            const auto& how = line.words[1];
            if (how == u"all" || how == u"none" || how == u"cancel") {
                expectWords(line, 2);
                pick = how == u"all"    ? std::function<void()>([&] { drawing->pickAll(); })
                       : how == u"none" ? std::function<void()>([&] { drawing->pickNothing(); })
                                        : std::function<void()>([&] { drawing->pickCancel(); });
            } else if (how == u"rect") {
                expectWords(line, 6);
                double r[4] = {number(line, 2), number(line, 3), number(line, 4), number(line, 5)};
                pick = [&drawing, r] { drawing->pickRectangle(r[0], r[1], r[2], r[3]); };
            } else if (how == u"entities") {
                std::vector<std::size_t> ordinals;
                for (std::size_t i = 2; i < line.words.size(); ++i) {
                    auto n = integer(line, i);
                    if (n < 1)
                        throw lineError(line, u"entities count from 1");
                    ordinals.push_back(static_cast<std::size_t>(n));
                }
                const Line* where = &line;
                pick = [&drawing, &ids, ordinals, where] {
                    std::vector<std::int64_t> picked;
                    for (auto n : ordinals) {
                        if (n > ids.size())
                            throw lineError(*where, u"there is no entity " + decimalText(n));
                        picked.push_back(ids[n - 1]);
                    }
                    drawing->pickIds(std::move(picked));
                };
            } else {
                throw lineError(line, u"unknown pick \"" + how + u"\"");
            }
        } else {
            throw lineError(line, u"unknown item \"" + what + u"\"");
        }
    }
    pick();  // after all entities, so a pick may name any of them
    return drawing;
}

namespace {

// Shortest text that reads back as the same double.
std::u16string num(double v) {
    char buf[32];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v)
            break;
    }
    return fromUtf8(buf);
}

// Degrees that read back as exactly this rotation: the shortest near the
// exact value, else the nearest (a rotation put through automation may have
// no such degrees).
std::u16string degrees(double rotation) {
    const double exact = rotation * 180 / std::numbers::pi;
    char buf[32];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, exact);
        if (radians(std::strtod(buf, nullptr)) == rotation)
            return fromUtf8(buf);
    }
    for (int step = 1; step <= 16; ++step) {
        for (double toward : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
            double d = exact;
            for (int i = 0; i < step; ++i)
                d = std::nextafter(d, toward);
            if (radians(d) == rotation)
                return num(d);
        }
    }
    return num(exact);
}

// A text entity holds one line; a stray line break must not start a new item.
std::u16string singleLine(std::u16string s) {
    std::replace_if(
        s.begin(), s.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
    return s;
}

// A multiline text's line breaks as the drawing stores them: \P (CR LF is one).
std::u16string paragraphBreaks(std::u16string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
            continue;
        if (s[i] == u'\r' || s[i] == u'\n')
            out += u"\\P";
        else
            out += s[i];
    }
    return out;
}

}  // namespace

std::u16string saveDrawing(const MemDrawing& drawing) {
    auto ids = drawing.liveIds();
    std::u16string out = drawing.fullName().empty() ? u"unsaved\n" : u"name " + drawing.fullName() + u"\n";
    if (!ids.empty())
        out += u"firstid " + decimalText(ids.front()) + u"\n";
    // Always: a drawing without one (0) would otherwise load with the default handle.
    out += u"hwnd " + decimalText(drawing.hwnd()) + u"\n";
    // Heights, rotations and line spacings as lines of their own where they change.
    double height = kMemTextHeight, rotation = 0, lineSpacing = 1;
    auto rotationLine = [&](double r) {
        if (r != rotation) {
            rotation = r;
            out += u"textrotation " + degrees(rotation) + u"\n";
        }
    };
    for (auto id : ids) {
        auto e = *drawing.entity(id);
        switch (e.kind) {
            case EntityKind::Line:
                out += u"line " + num(e.start.x) + u" " + num(e.start.y) + u" " + num(e.end.x) + u" " + num(e.end.y);
                break;
            case EntityKind::Polyline:
                out += e.closed ? u"polyline closed" : u"polyline open";
                for (double v : e.coordinates)
                    out += u" " + num(v);
                break;
            case EntityKind::Text:
                if (e.height != height) {
                    height = e.height;
                    out += u"textheight " + num(height) + u"\n";
                }
                rotationLine(e.rotation);
                out += u"text " + decimalText(e.alignment) + u" " + num(e.insertionPoint.x) + u" " +
                       num(e.insertionPoint.y) + u" " + num(e.alignmentPoint.x) + u" " + num(e.alignmentPoint.y) +
                       u" " + singleLine(e.text);
                break;
            case EntityKind::MText:
                rotationLine(e.rotation);
                if (e.lineSpacing != lineSpacing) {
                    lineSpacing = e.lineSpacing;
                    out += u"linespacing " + num(lineSpacing) + u"\n";
                }
                out += u"mtext " + decimalText(e.attachment) + u" " + num(e.insertionPoint.x) + u" " +
                       num(e.insertionPoint.y) + u" " + num(e.width) + u" " + num(e.height);
                if (!e.text.empty())
                    out += u" " + paragraphBreaks(e.text);
                break;
            default:
                out += u"entity " + dxfName(e.kind) + u" " + num(e.insertionPoint.x) + u" " + num(e.insertionPoint.y);
        }
        out += u"\n";
    }
    return out;
}

}  // namespace qx::cad
