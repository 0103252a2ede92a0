#include "table/tableModel.h"

#include <algorithm>

#include "core/text.h"

namespace qx {

std::vector<std::u16string> valueLines(const std::u16string& value) {
    std::vector<std::u16string> lines;
    if (value.empty()) {
        return lines;
    }
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = value.find(kLineBreak, from);
        std::u16string line = value.substr(from, end == std::u16string::npos ? std::u16string::npos : end - from);
        // A carriage return is no character a single-line text can hold.
        std::erase(line, u'\r');
        lines.push_back(std::move(line));
        if (end == std::u16string::npos) {
            break;
        }
        from = end + 1;
    }
    // A break typed after the last line adds no text.
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

std::u16string joinLines(const std::vector<std::u16string>& lines) {
    std::u16string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += kLineBreak;
        }
        out += lines[i];
    }
    return out;
}

void TextIndex::rebuild(const std::vector<TQdlText>& textAry) {
    indices_.clear();
    for (std::size_t i = 0; i < textAry.size(); ++i) {
        add(textAry, i);
    }
}

void TextIndex::add(const std::vector<TQdlText>& textAry, std::size_t i) {
    if (textAry[i].objID != 0) {
        indices_[textAry[i].objID].push_back(i);  // records are added in ascending order
    }
}

void TextIndex::remove(const std::vector<TQdlText>& textAry, std::size_t i) {
    auto it = indices_.find(textAry[i].objID);
    if (it != indices_.end()) {
        std::erase(it->second, i);
        if (it->second.empty()) {
            indices_.erase(it);
        }
    }
}

int TextIndex::find(std::int64_t id) const {
    const auto it = indices_.find(id);
    return it == indices_.end() ? -1 : static_cast<int>(it->second.front());
}

const TableModel::Cell& TableModel::at(int c, int r) const {
    if (!validCell(c, r)) {
        outOfRange(c, r);
    }
    return cells_[static_cast<std::size_t>(r) * cols_ + c];
}

void TableModel::setCells(int c, int r, std::u16string text) {
    at(c, r).value = std::move(text);
    cellsChanged();
}

void TableModel::setIds(int c, int r, std::vector<std::int64_t> ids) {
    at(c, r).ids = std::move(ids);
    cellsChanged();  // the cell's pending change may differ
}

void TableModel::setSize(int cols, int rows) {
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    if (cols == cols_ && rows == rows_) {
        return;
    }
    reshapeCells(cells_, cols_, rows_, cols, rows);
    cols_ = cols;
    rows_ = rows;
    drawAllRows();
    shapeChanged();
}

void TableModel::clear() {
    for (Cell& cell : cells_) {
        cell = {};
    }
    drawAllRows();
    cellsChanged();
}

void TableModel::drawAllRows() {
    keys_.resize(static_cast<std::size_t>(rows_));
    for (auto& k : keys_) {
        k = nextKey_++;
    }
    drawn_.assign(keys_.begin() + std::min<std::ptrdiff_t>(1, rows_), keys_.end());
    drawnSet_ = {drawn_.begin(), drawn_.end()};
    deleted_.clear();
}

void TableModel::numberRows() {
    if (cols_ == 0) {
        return;
    }
    for (int r = 1; r < rows_; ++r) {
        at(0, r).value = decimalText(r);
    }
}

void TableModel::setRowKeys(const std::vector<std::int64_t>& keys) {
    if (keys == keys_) {
        return;
    }
    std::unordered_map<std::int64_t, int> rowOf;
    for (int r = 0; r < rows_; ++r) {
        rowOf[keys_[static_cast<std::size_t>(r)]] = r;
    }
    std::vector<Cell> cells;
    cells.reserve(keys.size() * static_cast<std::size_t>(cols_));
    std::unordered_set<std::int64_t> kept;
    for (const std::int64_t k : keys) {
        const auto row = rowOf.find(k);
        const auto gone = deleted_.find(k);
        if (row != rowOf.end() && kept.insert(k).second) {
            const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(row->second) * cols_;
            cells.insert(cells.end(), first, first + cols_);
        } else if (gone != deleted_.end() && kept.insert(k).second) {
            cells.insert(cells.end(), gone->second.begin(), gone->second.end());
            deleted_.erase(gone);
        } else {
            cells.resize(cells.size() + static_cast<std::size_t>(cols_));
        }
        nextKey_ = std::max(nextKey_, k + 1);
    }
    for (int r = 1; r < rows_; ++r) {
        const std::int64_t k = keys_[static_cast<std::size_t>(r)];
        if (!kept.contains(k) && drawnSet_.contains(k)) {
            const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(r) * cols_;
            deleted_[k].assign(first, first + cols_);
        }
    }
    cells_ = std::move(cells);
    keys_ = keys;
    rows_ = static_cast<int>(keys.size());
    numberRows();
    shapeChanged();
}

void TableModel::insertRow(int at) {
    if (at < 1 || at > rows_) {
        outOfRange(0, at);
    }
    cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(at) * cols_, static_cast<std::size_t>(cols_), Cell{});
    keys_.insert(keys_.begin() + at, nextKey_++);
    ++rows_;
    numberRows();
    shapeChanged();
}

void TableModel::deleteRows(int first, int last) {
    first = std::max(first, 1);
    last = std::min(last, rows_ - 1);
    if (first > last) {
        return;
    }
    for (int r = first; r <= last; ++r) {
        const std::int64_t k = keys_[static_cast<std::size_t>(r)];
        if (drawnSet_.contains(k)) {
            const auto from = cells_.begin() + static_cast<std::ptrdiff_t>(r) * cols_;
            deleted_[k].assign(from, from + cols_);
        }
    }
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(first) * cols_,
                 cells_.begin() + static_cast<std::ptrdiff_t>(last + 1) * cols_);
    keys_.erase(keys_.begin() + first, keys_.begin() + last + 1);
    rows_ -= last - first + 1;
    numberRows();
    shapeChanged();
}

bool TableModel::rowIsNew(int r) const {
    return r >= 1 && r < rows_ && !drawnSet_.contains(keys_[static_cast<std::size_t>(r)]);
}

std::vector<CellChange> TableModel::rowMarks() const {
    std::vector<CellChange> marks(static_cast<std::size_t>(rows_), CellChange::None);
    std::unordered_map<std::int64_t, std::size_t> order;
    for (std::size_t i = 0; i < drawn_.size(); ++i) {
        order[drawn_[i]] = i;
    }
    std::size_t expected = 0;  // the drawn row that follows the last one shown
    int afterShown = 1;        // the row after the last drawn row shown
    for (int r = 1; r < rows_; ++r) {
        const auto it = order.find(keys_[static_cast<std::size_t>(r)]);
        if (it == order.end()) {
            marks[static_cast<std::size_t>(r)] = CellChange::Add;
            continue;
        }
        if (it->second > expected) {
            auto& after = marks[static_cast<std::size_t>(afterShown)];
            (after == CellChange::None ? after : marks[static_cast<std::size_t>(r)]) = CellChange::Delete;
        }
        expected = it->second + 1;
        afterShown = r + 1;
    }
    if (expected < drawn_.size() && rows_ > 1) {
        // Rows deleted after the last drawn row shown: the row after it, or itself.
        const int after = std::min(afterShown, rows_ - 1);
        const int r = marks[static_cast<std::size_t>(after)] == CellChange::None ? after : std::max(afterShown - 1, 1);
        marks[static_cast<std::size_t>(r)] = CellChange::Delete;
    }
    return marks;
}

bool TableModel::rowsChanged() const {
    return !deleted_.empty() ||
           !std::equal(drawn_.begin(), drawn_.end(), keys_.begin() + std::min(1, rows_), keys_.end());
}

std::vector<std::int64_t> TableModel::deletedRowIds(std::int64_t key) const {
    std::vector<std::int64_t> ids;
    const auto it = deleted_.find(key);
    if (it != deleted_.end()) {
        for (const Cell& cell : it->second) {
            ids.insert(ids.end(), cell.ids.begin(), cell.ids.end());
        }
    }
    return ids;
}

void TableModel::rowDeleted(std::int64_t key) {
    std::erase(drawn_, key);
    drawnSet_.erase(key);
    deleted_.erase(key);
    cellsChanged();
}

void TableModel::rowInserted(std::int64_t key, std::size_t index) {
    drawn_.insert(drawn_.begin() + static_cast<std::ptrdiff_t>(std::min(index, drawn_.size())), key);
    drawnSet_.insert(key);
    cellsChanged();
}

namespace {
// The record of an ID, when it still holds that ID: a Get refills textAry
// while it processes messages, before the index follows.
const TQdlText* recordOf(std::int64_t id, const std::vector<TQdlText>& textAry, const TextIndex& index) {
    const int k = index.find(id);
    if (k < 0 || static_cast<std::size_t>(k) >= textAry.size() || textAry[k].objID != id) {
        return nullptr;
    }
    return &textAry[k];
}
}  // namespace

std::u16string recordedValue(const TableModel& table, int c, int r, const std::vector<TQdlText>& textAry,
                             const TextIndex& index) {
    std::vector<std::u16string> lines;
    for (const std::int64_t id : table.ids(c, r)) {
        if (const TQdlText* t = recordOf(id, textAry, index)) {
            for (auto& line : textLines(*t)) {
                lines.push_back(std::move(line));
            }
        }
    }
    return joinLines(lines);
}

bool holdsRecordedValue(const TableModel& table, int c, int r, const std::vector<TQdlText>& textAry,
                        const TextIndex& index) {
    return joinLines(valueLines(table.Cells(c, r))) ==
           joinLines(valueLines(recordedValue(table, c, r, textAry, index)));
}

CellChange pendingChange(const TableModel& table, int c, int r, const std::vector<TQdlText>& textAry,
                         const TextIndex& index) {
    const std::u16string& value = table.Cells(c, r);
    bool recorded = false;
    for (const std::int64_t id : table.ids(c, r)) {
        recorded = recorded || recordOf(id, textAry, index);
    }
    if (!recorded) {
        // IDs without records are passed over by the Update, as a cell
        // without texts would not be: nothing is pending for them.
        if (!table.ids(c, r).empty()) {
            return CellChange::None;
        }
        return value.empty() ? CellChange::None : CellChange::Add;
    }
    if (holdsRecordedValue(table, c, r, textAry, index)) {
        return CellChange::None;
    }
    return value.empty() ? CellChange::Delete : CellChange::Edit;
}

}  // namespace qx
