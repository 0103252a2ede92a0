// The string grid model: cell texts with a 64-bit object slot each, counts,
// fixed rows and columns, sizes, and suspended repainting. A Win32 peer shows
// it; forms and commands only talk to this model.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "widgets/gridGeometry.h"

namespace qx {

struct GridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const GridRect&) const = default;
};

// Which inner borders between data cells the drawing has, so that a merged
// field can show as one area. Indices are the grid's columns and rows
// (headers included); a border asked for outside the map counts as drawn.
class CellEdges {
public:
    CellEdges() = default;
    CellEdges(int cols, int rows);  // every border drawn
    int cols() const { return cols_; }
    int rows() const { return rows_; }
    // The border between cell (c, r) and its right neighbour (c + 1, r).
    bool right(int c, int r) const { return flag(right_, c, r); }
    // The border between cell (c, r) and the cell below it (c, r + 1).
    bool below(int c, int r) const { return flag(below_, c, r); }
    void setRight(int c, int r, bool drawn) { set(right_, c, r, drawn); }
    void setBelow(int c, int r, bool drawn) { set(below_, c, r, drawn); }
    bool operator==(const CellEdges&) const = default;

private:
    bool inside(int c, int r) const { return c >= 0 && r >= 0 && c < cols_ && r < rows_; }
    bool flag(const std::vector<bool>& v, int c, int r) const {
        return !inside(c, r) || v[static_cast<std::size_t>(r) * cols_ + c];
    }
    void set(std::vector<bool>& v, int c, int r, bool drawn) {
        if (inside(c, r)) {
            v[static_cast<std::size_t>(r) * cols_ + c] = drawn;
        }
    }
    int cols_ = 0;
    int rows_ = 0;
    std::vector<bool> right_, below_;
};

// What an Update would do to a cell; the grid tints pending cells by it.
enum class CellChange : std::uint8_t { None, Edit, Delete, Add };

// How a data cell is painted beyond its text: grey (the button-face colour)
// and the tint of its pending change.
struct CellLook {
    bool grey = false;
    CellChange change = CellChange::None;
};

class StringGrid {
public:
    static constexpr int kDefaultColWidth = 40;
    static constexpr int kDefaultRowHeight = 20;

    StringGrid(int cols = 5, int rows = 5);
    virtual ~StringGrid() = default;
    StringGrid(const StringGrid&) = delete;
    StringGrid& operator=(const StringGrid&) = delete;

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    // Cells inside both the old and the new size keep their contents.
    void setColCount(int n);
    void setRowCount(int n);

    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    void setFixedCols(int n);
    void setFixedRows(int n);

    const std::u16string& Cells(int c, int r) const { return at(c, r).text; }
    void setCells(int c, int r, std::u16string text);
    std::int64_t Objects(int c, int r) const { return at(c, r).id; }
    void setObjects(int c, int r, std::int64_t id);
    bool validCell(int c, int r) const { return c >= 0 && r >= 0 && c < cols_ && r < rows_; }

    int DefaultColWidth() const { return defaultColWidth_; }
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void setDefaultColWidth(int w) { defaultColWidth_ = w; }
    void setDefaultRowHeight(int h) { defaultRowHeight_ = h; }
    int ColWidths(int c) const;
    int RowHeights(int r) const;
    void setColWidths(int c, int w);
    void setRowHeights(int r, int h);

    // Repainting: changes inside beginUpdate/endUpdate (nested) cost one repaint at the end.
    void beginUpdate() { ++updateDepth_; }
    void endUpdate();
    // beginUpdate for a scope, ended on every way out.
    class UpdateScope {
    public:
        explicit UpdateScope(StringGrid& grid) : grid_(grid) { grid_.beginUpdate(); }
        ~UpdateScope() { grid_.endUpdate(); }
        UpdateScope(const UpdateScope&) = delete;
        UpdateScope& operator=(const UpdateScope&) = delete;

    private:
        StringGrid& grid_;
    };
    bool updating() const { return updateDepth_ > 0; }
    void invalidate();
    int repaintCount() const { return repaints_; }
    std::function<void()> onRepaint;  // the peer redraws

    // Current cell and selection. Setting a rectangle puts the anchor at its
    // top-left and the current cell at its bottom-right, without notifying.
    int Col() const { return col_; }
    int Row() const { return row_; }
    // Moves the current cell (the anchor comes along): select-cell, then click.
    void setCol(int c);
    void setRow(int r);
    // The user moved to a cell: one select-cell and one click, whichever
    // coordinates change; the selection becomes that cell.
    void moveCurrent(int c, int r);
    // The user grew the selection from its anchor to a cell, which becomes current.
    void extendSelection(int c, int r);
    // A selection made with the mouse is complete.
    void selectionDone() {
        if (onClick) {
            onClick();
        }
    }
    GridRect Selection() const;
    void setSelection(const GridRect& rect);
    std::function<void(int col, int row)> onSelectCell;
    std::function<void()> onClick;

    // The in-place editor over the current cell.
    bool EditorMode() const { return editorOpen_; }
    const std::u16string& editorText() const { return editorText_; }
    void showEditor();  // takes up the cell's text: get-edit-text
    void hideEditor();  // set-edit-text once more as it closes
    // The user changed the editor's text; the cell follows at once.
    void editorChange(std::u16string text);
    // A typed character: opens the editor with it, or appends it to an open one.
    void typeChar(char16_t ch);
    // Enter: opens the editor when it is closed, closes it when it is open.
    void toggleEditor();
    // An open editor takes up the cell's text again (the text was set from outside).
    void editorTakeUp() {
        if (editorOpen_) {
            editorText_ = Cells(col_, row_);
        }
    }
    // The edit box's own single-step undo; false when no editor was ever opened.
    bool editorUndo();
    std::function<void(int col, int row)> onGetEditText;
    std::function<void(int col, int row)> onSetEditText;

    // Hit-testing: the cell under a pixel position of the grid's client area,
    // -1 for a coordinate outside the cells. Fixed rows and columns stay in view;
    // LeftCol and TopRow are the first scrollable column and row in view.
    int LeftCol() const { return leftCol_; }
    int TopRow() const { return topRow_; }
    void setLeftCol(int c);
    void setTopRow(int r);
    std::pair<int, int> cellAt(int x, int y) const;
    // Left and top of a cell in client pixels (one-pixel grid lines included).
    std::pair<int, int> cellOrigin(int c, int r) const;
    // Where the columns and rows lie; valid until the sizes or counts change.
    GridAxis colAxis() const { return {colWidths_, fixedCols_, leftCol_}; }
    GridAxis rowAxis() const { return {rowHeights_, fixedRows_, topRow_}; }

    // The borders the drawing has between data cells. Without a map every
    // border is drawn; a map applies only while it has the grid's counts, and
    // a change of the counts drops it. Header cells and the outer frame keep
    // their lines.
    void setDrawnEdges(CellEdges edges);
    void clearDrawnEdges();
    const std::optional<CellEdges>& drawnEdges() const { return edges_; }
    bool borderRight(int c, int r) const;
    bool borderBelow(int c, int r) const;

    // Pixel width of a text in the grid's font; the peer measures, tests fake it.
    std::function<int(const std::u16string&)> measureText;
    int textWidth(const std::u16string& s) const;

private:
    struct Cell {
        std::u16string text;
        std::int64_t id = 0;
    };
    const Cell& at(int c, int r) const;
    Cell& at(int c, int r);
    void reshape(int cols, int rows);

    int cols_ = 0;
    int rows_ = 0;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = kDefaultColWidth;
    int defaultRowHeight_ = kDefaultRowHeight;
    std::vector<Cell> cells_;  // row-major
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    void moveTo(int c, int r);
    bool editorOpen_ = false;
    std::u16string editorText_, editorUndoText_;
    bool editorCanUndo_ = false;
    int leftCol_ = 1, topRow_ = 1;
    int col_ = 1, row_ = 1;
    int anchorCol_ = 1, anchorRow_ = 1;
    int updateDepth_ = 0;
    bool dirty_ = false;
    int repaints_ = 0;
    std::optional<CellEdges> edges_;
    bool edgesApply(int c, int r, int c2, int r2) const;
};

}  // namespace qx
