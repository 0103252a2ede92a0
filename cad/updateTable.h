// Writing the edited table back to the drawing in one pass: changed texts
// replaced, emptied cells' texts deleted, new texts copied from a template
// text of the same column and moved into their cells.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cad/dispatch.h"
#include "cad/rowUpdate.h"
#include "table/qdlTable.h"
#include "table/tableModel.h"

namespace qx::cad {

// The template of new texts in a grid column: the first text (the top one of
// its cell) from the second data row down whose recorded base point lies
// inside a cell, and its offset from that cell's left and top borders.
// id 0: none.
struct TemplateText {
    std::int64_t id = 0;
    double dx = 0, dy = 0;
};
TemplateText findTemplateText(const TableModel& table, const TQdlLists& lists, const TextIndex& index, int col);

// Line pitch of texts added below a cell's only text, or of several lines
// given to an empty cell, in text heights (as the CAD application spaces
// multiline text by default).
inline constexpr double kLineSpacing = 5.0 / 3.0;

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

// The entity of an object ID in the document; none when the drawing has
// lost it since the Get.
Dispatch entityOf(const Dispatch& document, std::int64_t id);

// One change an Update makes to the drawing.
struct UpdateOp {
    // AddMText: a copy of a multiline template, placed by its insertion point.
    enum class Kind { Edit, Delete, Add, AddMText };
    Kind kind = Kind::Edit;
    std::int64_t id = 0;   // Edit, Delete: the text; Add: the template
    std::u16string text;   // Edit, Add: the TextString written, codes included
    TPoint3 to;            // Add: where the copy's placing point goes
    std::u16string shown;  // Edit: the value as the user reads it, for the record
};
struct UpdateOpResult {
    bool done = false;  // the drawing holds the change (passed over when false)
    TQdlText added;     // Add: the new text's record
};
// Carries out one change. `result` is filled as soon as the drawing holds
// the change, so that a failure after that still leaves records that match
// the drawing. A text the drawing cannot return is passed over.
void applyUpdateOp(const Dispatch& document, const UpdateOp& op, UpdateOpResult& result);

// What the update needs of the window around it.
class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void start(int cells) = 0;
    // Once per data cell, before it is handled (index from 1): shows the
    // progress and lets the window process pending messages.
    virtual void visiting(int index) = 0;
    // Asked after each visiting(): the user wants the update to stop there.
    virtual bool stopRequested() { return false; }
};

struct UpdateResult {
    // Why nothing was written, for the user; empty when the update went ahead.
    std::u16string refusal;
    int edited = 0, added = 0, deleted = 0;  // texts
    RowUpdateResult rows;
    // Cells whose edit could not keep the format codes inside their texts.
    int lostFormatting = 0;
    // Cells (column, row) whose added lines reach below the cell's bottom border.
    std::vector<std::pair<int, int>> overflows;
    // Cells handled when the user stopped the update; -1 when it ran through.
    int stoppedAfter = -1;
};

// An Update failed after it had begun moving rows and before it had
// carried them all out: the drawing is between the two tables, which a
// second Update cannot finish (one U in the CAD application takes it back).
class RowsUnfinished : public Error {
public:
    using Error::Error;
};

// Carries out the rows inserted and deleted in the table first (see
// cad/rowUpdate.h), then writes every changed cell of the table to the document and keeps the
// records, the index and the cells' object IDs in step with the drawing.
// Line i of a cell's value goes to the cell's i-th text: a changed line is
// written, lines gone delete their texts from the bottom, new lines are
// copies of the cell's last text one line pitch further down (the pitch its
// texts have, else its height times kLineSpacing); an empty cell gets one
// copy of the column's template per line.
// Writes nothing when the document is not the opening that `read` names.
// Everything written is one undo group of the document (StartUndoMark
// before the first write, EndUndoMark after the last, on every path).
// A stop ends the pass before the next cell, as the end of the table would;
// rows are carried out whole before it.
// A failing automation call is thrown (as RowsUnfinished while rows are
// half done); what was written before stays written and recorded, and a new
// text or border whose set-up failed is deleted again.
// With a fast path (cad/fastPath.h) the changes go to the drawing in chunks
// carried out inside the CAD application; when it fails before anything was
// written, they go call by call after all.
UpdateResult updateTable(const Dispatch& document, const DocumentKey& read, TQdlLists& lists, TextIndex& index,
                         TableModel& table, UpdateView& view, const Dispatch& fastPath = {},
                         const RowOptions& rows = {});

}  // namespace qx::cad
