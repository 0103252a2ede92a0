// Writing the edited table back to the drawing in one pass: changed texts
// replaced, emptied cells' texts deleted, new texts copied from a template
// text of the same column and moved into their cells.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cad/dispatch.h"
#include "table/qdlTable.h"
#include "widgets/stringGrid.h"

namespace qx::cad {

// Which record of textAry holds an object ID: the first one, in constant time.
class TextIndex {
public:
    void rebuild(const std::vector<TQdlText>& textAry);
    // After textAry[i] was appended.
    void add(const std::vector<TQdlText>& textAry, std::size_t i);
    // Before textAry[i] loses its ID.
    void remove(const std::vector<TQdlText>& textAry, std::size_t i);
    // -1 when no record holds the ID.
    int find(std::int64_t id) const;

private:
    std::unordered_map<std::int64_t, std::vector<std::size_t>> indices_;  // ascending
};

// The template of new texts in a grid column: the first text from the second
// data row down whose recorded base point lies inside a cell, and its offset
// from that cell's left and top borders. id 0: none.
struct TemplateText {
    std::int64_t id = 0;
    double dx = 0, dy = 0;
};
TemplateText findTemplateText(const StringGrid& grid, const TQdlLists& lists, const TextIndex& index, int col);

// What an Update will do with a data cell: write its text over the drawing's
// (Edit), delete its drawing text (Delete) or create one (Add). A cell whose
// ID has no record is nothing the Update touches.
enum class CellChange { None, Edit, Delete, Add };
CellChange cellChange(const std::u16string& text, std::int64_t id, const TQdlText* record);
// Whether any data cell of the grid differs from what the drawing holds.
bool hasPendingChanges(const StringGrid& grid, const TQdlLists& lists, const TextIndex& index);

// Which drawing a Get read. Object IDs live for one opening of one document,
// so an Update must go to that same opening.
struct DocumentKey {
    std::u16string fullName;  // "" for a drawing never saved
    std::u16string name;      // "Drawing1.dwg" for a new one
    // What the user knows the drawing by.
    const std::u16string& shown() const { return fullName.empty() ? name : fullName; }
    friend bool operator==(const DocumentKey&, const DocumentKey&) = default;
};
DocumentKey documentKey(const Dispatch& document);

// What the update needs of the window around it.
class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void start(int cells) = 0;
    // Once per data cell, before it is handled (index from 1): shows the
    // progress and lets the window process pending messages.
    virtual void visiting(int index) = 0;
};

struct UpdateResult {
    // Why nothing was written, for the user; empty when the update went ahead.
    std::u16string refusal;
    int edited = 0, added = 0, deleted = 0;
};

// Writes every changed cell of the grid to the document and keeps the
// records, the index and the cells' object IDs in step with the drawing.
// Writes nothing when the document is not the opening that `read` names.
// A failing automation call is thrown; what was written before stays written
// and recorded, and a new text whose set-up failed is deleted again.
UpdateResult updateTable(const Dispatch& document, const DocumentKey& read, TQdlLists& lists, TextIndex& index,
                         StringGrid& grid, UpdateView& view);

}  // namespace qx::cad
