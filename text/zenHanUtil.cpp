#include "text/zenHanUtil.h"

#include <algorithm>

namespace qx {

namespace {

template <std::size_t N>
constexpr std::array<std::u16string_view, N> sequence(const char16_t (&chars)[N + 1]) {
    std::array<std::u16string_view, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = std::u16string_view(&chars[i], 1);
    }
    return out;
}

constexpr char16_t kZenNum[] = u"０１２３４５６７８９";
constexpr char16_t kHanNum[] = u"0123456789";
constexpr char16_t kZenAlpha[] =
    u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ";
constexpr char16_t kHanAlpha[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

const std::array<std::u16string_view, 10> zenNumTable = sequence<10>(kZenNum);
const std::array<std::u16string_view, 10> hanNumTable = sequence<10>(kHanNum);
const std::array<std::u16string_view, 52> zenAlphaTable = sequence<52>(kZenAlpha);
const std::array<std::u16string_view, 52> hanAlphaTable = sequence<52>(kHanAlpha);
// Katakana: voiced and semi-voiced first, then ヲ, small letters, ー, ア..ン, corner brackets.
const std::array<std::u16string_view, 84> zenKanaTable = {
    u"\u30F4", u"\u30AC", u"\u30AE", u"\u30B0", u"\u30B2", u"\u30B4", u"\u30B6", u"\u30B8", u"\u30BA", u"\u30BC",
    u"\u30BE", u"\u30C0", u"\u30C2", u"\u30C5", u"\u30C7", u"\u30C9", u"\u30D0", u"\u30D3", u"\u30D6", u"\u30D9",
    u"\u30DC", u"\u30D1", u"\u30D4", u"\u30D7", u"\u30DA", u"\u30DD", u"\u30F2", u"\u30A1", u"\u30A3", u"\u30A5",
    u"\u30A7", u"\u30A9", u"\u30E3", u"\u30E5", u"\u30E7", u"\u30C3", u"\u30FC", u"\u30A2", u"\u30A4", u"\u30A6",
    u"\u30A8", u"\u30AA", u"\u30AB", u"\u30AD", u"\u30AF", u"\u30B1", u"\u30B3", u"\u30B5", u"\u30B7", u"\u30B9",
    u"\u30BB", u"\u30BD", u"\u30BF", u"\u30C1", u"\u30C4", u"\u30C6", u"\u30C8", u"\u30CA", u"\u30CB", u"\u30CC",
    u"\u30CD", u"\u30CE", u"\u30CF", u"\u30D2", u"\u30D5", u"\u30D8", u"\u30DB", u"\u30DE", u"\u30DF", u"\u30E0",
    u"\u30E1", u"\u30E2", u"\u30E4", u"\u30E6", u"\u30E8", u"\u30E9", u"\u30EA", u"\u30EB", u"\u30EC", u"\u30ED",
    u"\u30EF", u"\u30F3", u"\u300C", u"\u300D",
};
const std::array<std::u16string_view, 84> hanKanaTable = {
    u"\uFF73\uFF9E", u"\uFF76\uFF9E", u"\uFF77\uFF9E", u"\uFF78\uFF9E", u"\uFF79\uFF9E", u"\uFF7A\uFF9E",
    u"\uFF7B\uFF9E", u"\uFF7C\uFF9E", u"\uFF7D\uFF9E", u"\uFF7E\uFF9E", u"\uFF7F\uFF9E", u"\uFF80\uFF9E",
    u"\uFF81\uFF9E", u"\uFF82\uFF9E", u"\uFF83\uFF9E", u"\uFF84\uFF9E", u"\uFF8A\uFF9E", u"\uFF8B\uFF9E",
    u"\uFF8C\uFF9E", u"\uFF8D\uFF9E", u"\uFF8E\uFF9E", u"\uFF8A\uFF9F", u"\uFF8B\uFF9F", u"\uFF8C\uFF9F",
    u"\uFF8D\uFF9F", u"\uFF8E\uFF9F", u"\uFF66",       u"\uFF67",       u"\uFF68",       u"\uFF69",
    u"\uFF6A",       u"\uFF6B",       u"\uFF6C",       u"\uFF6D",       u"\uFF6E",       u"\uFF6F",
    u"\uFF70",       u"\uFF71",       u"\uFF72",       u"\uFF73",       u"\uFF74",       u"\uFF75",
    u"\uFF76",       u"\uFF77",       u"\uFF78",       u"\uFF79",       u"\uFF7A",       u"\uFF7B",
    u"\uFF7C",       u"\uFF7D",       u"\uFF7E",       u"\uFF7F",       u"\uFF80",       u"\uFF81",
    u"\uFF82",       u"\uFF83",       u"\uFF84",       u"\uFF85",       u"\uFF86",       u"\uFF87",
    u"\uFF88",       u"\uFF89",       u"\uFF8A",       u"\uFF8B",       u"\uFF8C",       u"\uFF8D",
    u"\uFF8E",       u"\uFF8F",       u"\uFF90",       u"\uFF91",       u"\uFF92",       u"\uFF93",
    u"\uFF94",       u"\uFF95",       u"\uFF96",       u"\uFF97",       u"\uFF98",       u"\uFF99",
    u"\uFF9A",       u"\uFF9B",       u"\uFF9C",       u"\uFF9D",       u"\uFF62",       u"\uFF63",
};
// Quotes, apostrophe and grave accent pair with the typographic quotes; the reverse solidus with ￥.
const std::array<std::u16string_view, 33> zenKigouTable = {
    u"\uFF01", u"\u201D", u"\uFF03", u"\uFF04", u"\uFF05", u"\uFF06", u"\u2019", u"\u3000", u"\uFF08",
    u"\uFF09", u"\uFF0A", u"\uFF0B", u"\uFF0C", u"\uFF0D", u"\uFF0E", u"\uFF0F", u"\uFF1A", u"\uFF1B",
    u"\uFF1C", u"\uFF1D", u"\uFF1E", u"\uFF1F", u"\uFF20", u"\uFF3B", u"\uFF3D", u"\uFF3E", u"\uFF3F",
    u"\u2018", u"\uFF5B", u"\uFF5D", u"\uFF5C", u"\uFF5E", u"\uFFE5",
};
const std::array<std::u16string_view, 33> hanKigouTable = {
    u"\x21", u"\x22", u"\x23", u"\x24", u"\x25", u"\x26", u"\x27", u"\x20", u"\x28", u"\x29", u"\x2A",
    u"\x2B", u"\x2C", u"\x2D", u"\x2E", u"\x2F", u"\x3A", u"\x3B", u"\x3C", u"\x3D", u"\x3E", u"\x3F",
    u"\x40", u"\x5B", u"\x5D", u"\x5E", u"\x5F", u"\x60", u"\x7B", u"\x7D", u"\x7C", u"\x7E", u"\x5C",
};

const std::array<WidthMenuEntry, 10> widthMenuEntries = {{
    {u"N8", u"全角->半角", WidthRoutine::ZenToHan},
    {u"N9", u"半角->全角", WidthRoutine::HanToZen},
    {u"N11", u"半角カタカナ->全角", WidthRoutine::HanKanaToZen},
    {u"N12", u"半角数字->全角", WidthRoutine::HanNumToZen},
    {u"N13", u"半角アルファベット->全角", WidthRoutine::HanAlphaToZen},
    {u"N14", u"半角記号->全角", WidthRoutine::HanKigouToZen},
    {u"N16", u"全角カタカナ->半角", WidthRoutine::ZenKanaToHan},
    {u"N17", u"全角数字->半角", WidthRoutine::ZenNumToHan},
    {u"N18", u"全角アルファベット->半角", WidthRoutine::ZenAlphaToHan},
    {u"N19", u"全角記号->半角", WidthRoutine::ZenKigouToHan},
}};

void replaceAllOf(std::u16string& text, std::u16string_view from, std::u16string_view to,
                  const std::u16string* searchIn) {
    const std::u16string& hay = searchIn ? *searchIn : text;
    if (from.empty() || hay.size() < from.size()) {
        return;
    }
    std::size_t at = hay.find(from);
    if (at == std::u16string::npos) {
        return;
    }
    std::u16string out;
    out.reserve(text.size());
    std::size_t done = 0;
    while (at != std::u16string::npos) {
        out.append(text, done, at - done);
        out.append(to);
        done = at + from.size();
        at = hay.find(from, done);
    }
    out.append(text, done, std::u16string::npos);
    text = std::move(out);
}

namespace {

template <std::size_t N>
void runTable(std::u16string& text, const std::array<std::u16string_view, N>& from,
              const std::array<std::u16string_view, N>& to, MessagePump* pump) {
    for (std::size_t i = 0; i < N; ++i) {
        replaceAllOf(text, from[i], to[i]);
        if (pump) {
            pump->processMessages();
        }
    }
}

}  // namespace

void hanKanaToZen(std::u16string& text, MessagePump* pump) {
    runTable(text, hanKanaTable, zenKanaTable, pump);
}
void hanNumToZen(std::u16string& text, MessagePump* pump) {
    runTable(text, hanNumTable, zenNumTable, pump);
}
void hanAlphaToZen(std::u16string& text, MessagePump* pump) {
    runTable(text, hanAlphaTable, zenAlphaTable, pump);
}
void hanKigouToZen(std::u16string& text, MessagePump* pump) {
    runTable(text, hanKigouTable, zenKigouTable, pump);
}
void zenKanaToHan(std::u16string& text, MessagePump* pump) {
    runTable(text, zenKanaTable, hanKanaTable, pump);
}
void zenNumToHan(std::u16string& text, MessagePump* pump) {
    runTable(text, zenNumTable, hanNumTable, pump);
}
void zenAlphaToHan(std::u16string& text, MessagePump* pump) {
    runTable(text, zenAlphaTable, hanAlphaTable, pump);
}
void zenKigouToHan(std::u16string& text, MessagePump* pump) {
    runTable(text, zenKigouTable, hanKigouTable, pump);
}

void zenToHan(std::u16string& text, WidthMap& map) {
    text = map.toHalfWidth(text);
}
void hanToZen(std::u16string& text, WidthMap& map) {
    text = map.toFullWidth(text);
}

const WidthMenuEntry* widthMenuEntryFor(std::u16string_view itemName) {
    for (const auto& e : widthMenuEntries) {
        if (e.name == itemName) {
            return &e;
        }
    }
    return nullptr;
}

std::optional<WidthRoutine> widthRoutineForItem(std::u16string_view itemName) {
    const WidthMenuEntry* e = widthMenuEntryFor(itemName);
    return e ? std::optional(e->routine) : std::nullopt;
}

void applyWidthRoutine(WidthRoutine routine, std::u16string& text, WidthMap& map, MessagePump* pump) {
    switch (routine) {
        case WidthRoutine::ZenToHan:
            return zenToHan(text, map);
        case WidthRoutine::HanToZen:
            return hanToZen(text, map);
        case WidthRoutine::HanKanaToZen:
            return hanKanaToZen(text, pump);
        case WidthRoutine::HanNumToZen:
            return hanNumToZen(text, pump);
        case WidthRoutine::HanAlphaToZen:
            return hanAlphaToZen(text, pump);
        case WidthRoutine::HanKigouToZen:
            return hanKigouToZen(text, pump);
        case WidthRoutine::ZenKanaToHan:
            return zenKanaToHan(text, pump);
        case WidthRoutine::ZenNumToHan:
            return zenNumToHan(text, pump);
        case WidthRoutine::ZenAlphaToHan:
            return zenAlphaToHan(text, pump);
        case WidthRoutine::ZenKigouToHan:
            return zenKigouToHan(text, pump);
    }
}

void applyWidthConversion(WidthRoutine routine, StringGrid& working, GridCells& snapshot, GridRect selection,
                          WidthMap& map, MessagePump* pump) {
    blockEdit(working, snapshot, nullptr, selection, [&] {
        // Headers never change, and a rectangle from elsewhere must not reach past the grid.
        const GridRect cells = dataCellsIn(working, selection);
        for (int r = cells.Top; r <= cells.Bottom; ++r) {
            for (int c = cells.Left; c <= cells.Right; ++c) {
                // The pump may run a resize; look at the current size every time.
                if (!working.validCell(c, r)) {
                    continue;
                }
                std::u16string text = working.Cells(c, r);
                applyWidthRoutine(routine, text, map, pump);
                if (working.validCell(c, r)) {
                    working.setCells(c, r, std::move(text));
                }
            }
        }
    });
}

}  // namespace qx
