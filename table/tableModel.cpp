#include "table/tableModel.h"

#include <algorithm>

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
    shapeChanged();
}

void TableModel::clear() {
    for (Cell& cell : cells_) {
        cell = {};
    }
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
