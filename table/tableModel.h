// The table as the tool holds it between a Get and an Update: per cell the
// value the user sees and edits and the drawing's texts behind it, in
// reading order. The grid view shows it; the commands work on it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/gridCells.h"
#include "table/qdlTable.h"

namespace qx {

// The line break inside a cell's value: a cell of several texts joins their
// strings with it.
inline constexpr char16_t kLineBreak = u'\n';

// A value split at its line breaks; carriage returns and empty lines at the
// end are dropped, so an empty value has no lines.
std::vector<std::u16string> valueLines(const std::u16string& value);
std::u16string joinLines(const std::vector<std::u16string>& lines);

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

class TableModel final : public GridCells {
public:
    TableModel(int cols = 0, int rows = 0) { setSize(cols, rows); }

    int ColCount() const override { return cols_; }
    int RowCount() const override { return rows_; }
    const std::u16string& Cells(int c, int r) const override { return at(c, r).value; }
    void setCells(int c, int r, std::u16string text) override;
    // A new size starts the rows afresh: every data row counts as drawn.
    void setSize(int cols, int rows) override;
    std::vector<std::int64_t> rowKeys() const override { return keys_; }
    // Rows of the keys that the table no longer shows come back with their
    // values and IDs (a deleted drawn row); unknown keys give empty rows.
    void setRowKeys(const std::vector<std::int64_t>& keys) override;

    // Rows waiting for an Update. An empty row, not yet drawn, before row
    // `at` (1 to RowCount); the data rows first to last leave the table.
    // The header column is numbered afresh.
    void insertRow(int at);
    void deleteRows(int first, int last);
    // A data row that the drawing does not have yet.
    bool rowIsNew(int r) const;
    // Per row, how its header shows what waits: Add for a new row, Delete
    // for the row that follows deleted drawn rows (the last row for rows
    // deleted at the end), None otherwise.
    std::vector<CellChange> rowMarks() const;
    // Rows inserted or deleted since the last Get or Update.
    bool rowsChanged() const;
    // The keys of the drawing's rows, top to bottom, as the table knows them.
    const std::vector<std::int64_t>& drawnRows() const { return drawn_; }
    // The object IDs of the texts of a drawn row that the table no longer shows.
    std::vector<std::int64_t> deletedRowIds(std::int64_t key) const;
    // The Update carried a row out: the drawing lost that row, or has the
    // table's row of that key as its row `index` (from 0, top first).
    void rowDeleted(std::int64_t key);
    void rowInserted(std::int64_t key, std::size_t index);

    // The object IDs of the texts behind a cell, top to bottom then left to
    // right; empty for a cell without texts.
    const std::vector<std::int64_t>& ids(int c, int r) const { return at(c, r).ids; }
    void setIds(int c, int r, std::vector<std::int64_t> ids);
    std::int64_t firstId(int c, int r) const {
        const auto& v = ids(c, r);
        return v.empty() ? 0 : v.front();
    }

    // Every value and ID emptied, headers included; the counts stay, and
    // every data row counts as drawn.
    void clear();

private:
    struct Cell {
        std::u16string value;
        std::vector<std::int64_t> ids;
        bool operator==(const Cell&) const = default;
    };
    const Cell& at(int c, int r) const;
    Cell& at(int c, int r) { return const_cast<Cell&>(static_cast<const TableModel&>(*this).at(c, r)); }

    void drawAllRows();
    void numberRows();

    int cols_ = 0, rows_ = 0;
    std::vector<Cell> cells_;         // row-major
    std::vector<std::int64_t> keys_;  // per row, header included
    std::vector<std::int64_t> drawn_;
    std::unordered_set<std::int64_t> drawnSet_;
    // Drawn rows deleted in the table, kept for a block undo and the Update.
    std::unordered_map<std::int64_t, std::vector<Cell>> deleted_;
    std::int64_t nextKey_ = 1;
};

// What the drawing holds for a cell: the lines of the recorded texts of its
// IDs joined by line breaks. IDs without a record (none normally) are left out.
std::u16string recordedValue(const TableModel& table, int c, int r, const std::vector<TQdlText>& textAry,
                             const TextIndex& index);

// Whether a cell's value, line by line (valueLines), is what its texts hold.
bool holdsRecordedValue(const TableModel& table, int c, int r, const std::vector<TQdlText>& textAry,
                        const TextIndex& index);

// What an Update will do to a cell, compared as the Update compares (by
// valueLines): None for a cell equal to what its texts hold, Delete for an emptied cell with
// texts, Add for a value in a cell without texts, Edit for any other change.
CellChange pendingChange(const TableModel& table, int c, int r, const std::vector<TQdlText>& textAry,
                         const TextIndex& index);

}  // namespace qx
