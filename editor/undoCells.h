// The cell undo: a stack of single-cell records, pushed when the in-place
// editor takes up a cell and popped by "UNDO".
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "widgets/stringGrid.h"

namespace qx {

class TUndoCell {
public:
    StringGrid* Grid() const { return FGrid; }
    const std::u16string& Text() const { return FText; }
    std::int32_t X() const { return FX; }
    std::int32_t Y() const { return FY; }
    std::int32_t UndoLevel() const { return FUndoLevel; }

private:
    friend class TUndoCells;
    StringGrid* FGrid = nullptr;
    std::u16string FText;
    std::int32_t FX = 0, FY = 0, FUndoLevel = 0;
};

// One list for any number of grids; each operation looks at one grid's records.
// Each grid's records are also kept in order on their own, so Add and Undo do
// not walk the whole list.
class TUndoCells {
public:
    TUndoCells() = default;
    virtual ~TUndoCells() { Clear(); }
    TUndoCells(const TUndoCells&) = delete;
    TUndoCells& operator=(const TUndoCells&) = delete;

    TUndoCell& Add(StringGrid& grid, int col, int row);
    void Undo(StringGrid& grid);
    void Clear();
    // The record at list position i, oldest first (walks the list: for inspection).
    const TUndoCell& GetItem(int i) const;
    int Count() const { return static_cast<int>(FList.size()); }
    std::int32_t UndoLevels() const { return FUndoLevels; }
    void setUndoLevels(std::int32_t n) { FUndoLevels = n; }

private:
    using Entry = std::list<std::unique_ptr<TUndoCell>>::iterator;
    const TUndoCell* FindNewest(StringGrid& grid) const;
    int DropOldest(StringGrid& grid);

    std::list<std::unique_ptr<TUndoCell>> FList;
    std::map<StringGrid*, std::deque<Entry>> byGrid_;
    std::int32_t FUndoLevels = 0;
};

}  // namespace qx
