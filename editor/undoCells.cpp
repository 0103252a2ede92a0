#include "editor/undoCells.h"

#include "platform/platform.h"

namespace qx {

const TUndoCell* TUndoCells::FindNewest(StringGrid& grid) const {
    const auto it = byGrid_.find(&grid);
    return it == byGrid_.end() || it->second.empty() ? nullptr : it->second.back()->get();
}

int TUndoCells::DropOldest(StringGrid& grid) {
    const auto it = byGrid_.find(&grid);
    if (it == byGrid_.end() || it->second.empty()) {
        return 0;
    }
    FList.erase(it->second.front());
    it->second.pop_front();
    std::int32_t level = 0;
    for (const Entry& e : it->second) {
        (*e)->FUndoLevel = level++;
    }
    return level;
}

TUndoCell& TUndoCells::Add(StringGrid& grid, int col, int row) {
    auto rec = std::make_unique<TUndoCell>();
    rec->FText = grid.Cells(col, row);
    rec->FX = col;
    rec->FY = row;
    rec->FGrid = &grid;
    std::int32_t level = 0;
    if (const TUndoCell* n = FindNewest(grid)) {
        level = n->FUndoLevel + 1;
        if (FUndoLevels > 0 && level > FUndoLevels - 1) {
            level = DropOldest(grid);
        }
    }
    rec->FUndoLevel = level;
    FList.push_back(std::move(rec));
    byGrid_[&grid].push_back(std::prev(FList.end()));
    return *FList.back();
}

void TUndoCells::Undo(StringGrid& grid) {
    const auto it = byGrid_.find(&grid);
    if (it == byGrid_.end() || it->second.empty()) {
        return;
    }
    const Entry e = it->second.back();
    it->second.pop_back();
    const std::unique_ptr<TUndoCell> r = std::move(*e);
    FList.erase(e);
    // A record for a cell the grid no longer has (a smaller table was fetched) is dropped.
    if (!grid.validCell(r->FX, r->FY)) {
        return;
    }
    grid.setCells(r->FX, r->FY, r->FText);
    grid.setCol(r->FX);
    grid.setRow(r->FY);
}

void TUndoCells::Clear() {
    FList.clear();
    byGrid_.clear();
}

const TUndoCell& TUndoCells::GetItem(int i) const {
    if (i < 0 || i >= Count()) {
        throw Error(u"元に戻す記録の番号が範囲外です");
    }
    return **std::next(FList.begin(), i);
}

}  // namespace qx
