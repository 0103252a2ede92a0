// Full-width / half-width conversions: eight routines over fixed tables of
// character pairs, two through the platform's width mapping, and the grid
// command that runs one of them over the selected cells.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "widgets/stringGrid.h"

namespace qx {

// Parallel tables: position i of a full-width table pairs with position i of
// its half-width table. Order matters: two-unit voiced half-width katakana
// come before their one-unit bases.
extern const std::array<std::u16string_view, 10> zenNumTable;
extern const std::array<std::u16string_view, 10> hanNumTable;
extern const std::array<std::u16string_view, 52> zenAlphaTable;
extern const std::array<std::u16string_view, 52> hanAlphaTable;
extern const std::array<std::u16string_view, 33> zenKigouTable;
extern const std::array<std::u16string_view, 33> hanKigouTable;
extern const std::array<std::u16string_view, 84> zenKanaTable;
extern const std::array<std::u16string_view, 84> hanKanaTable;

// Replaces every occurrence of `from` by `to`, left to right without overlap;
// inserted text is never searched again. An empty `from` changes nothing.
// `searchIn`, when given, is `text` folded code unit for code unit: matches
// are found there and replaced in `text` (a case-blind replace).
void replaceAllOf(std::u16string& text, std::u16string_view from, std::u16string_view to,
                  const std::u16string* searchIn = nullptr);

// Table routines. `pump` (may be null) is pumped after every table position.
void hanKanaToZen(std::u16string& text, MessagePump* pump);
void hanNumToZen(std::u16string& text, MessagePump* pump);
void hanAlphaToZen(std::u16string& text, MessagePump* pump);
void hanKigouToZen(std::u16string& text, MessagePump* pump);
void zenKanaToHan(std::u16string& text, MessagePump* pump);
void zenNumToHan(std::u16string& text, MessagePump* pump);
void zenAlphaToHan(std::u16string& text, MessagePump* pump);
void zenKigouToHan(std::u16string& text, MessagePump* pump);

// Everything that has a counterpart of the other width, by the platform.
void zenToHan(std::u16string& text, WidthMap& map);
void hanToZen(std::u16string& text, WidthMap& map);

// The ten menu commands, in menu order.
enum class WidthRoutine {
    ZenToHan,       // N8
    HanToZen,       // N9
    HanKanaToZen,   // N11
    HanNumToZen,    // N12
    HanAlphaToZen,  // N13
    HanKigouToZen,  // N14
    ZenKanaToHan,   // N16
    ZenNumToHan,    // N17
    ZenAlphaToHan,  // N18
    ZenKigouToHan,  // N19
};

struct WidthMenuEntry {
    std::u16string_view name;  // menu item name, e.g. u"N8"
    std::u16string_view caption;
    WidthRoutine routine;
};
extern const std::array<WidthMenuEntry, 10> widthMenuEntries;

// The entry of a menu item by its name; null for any other item.
const WidthMenuEntry* widthMenuEntryFor(std::u16string_view itemName);
// The routine of a menu item by its name; nullopt for any other item.
std::optional<WidthRoutine> widthRoutineForItem(std::u16string_view itemName);

// Runs one routine over a text.
void applyWidthRoutine(WidthRoutine routine, std::u16string& text, WidthMap& map, MessagePump* pump);

// The width conversion command: snapshot the working grid for the block undo,
// then convert every cell of `selection` (clipped to the data cells), row by
// row. Texts only; object IDs stay.
void applyWidthConversion(WidthRoutine routine, StringGrid& working, GridCells& snapshot, GridRect selection,
                          WidthMap& map, MessagePump* pump);

}  // namespace qx
