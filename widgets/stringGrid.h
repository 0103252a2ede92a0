// The string grid: a view of cell texts (a GridCells model, its own plain
// texts until it is given one) with fixed rows and columns, sizes, the
// current cell and selection, the in-place editor and suspended repainting.
// A Win32 peer shows it; forms talk to this object.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/gridCells.h"
#include "widgets/gridGeometry.h"

namespace qx {

struct GridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const GridRect&) const = default;
};

class StringGrid {
public:
    static constexpr int kDefaultColWidth = 40;
    static constexpr int kDefaultRowHeight = 20;

    StringGrid(int cols = 5, int rows = 5);
    virtual ~StringGrid();
    StringGrid(const StringGrid&) = delete;
    StringGrid& operator=(const StringGrid&) = delete;

    // Shows another model from now on (not owned; it must outlive the view
    // or be replaced first). The view follows its counts and changes.
    void setModel(GridCells& model);
    GridCells& model() { return *cells_; }
    const GridCells& model() const { return *cells_; }

    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    // Cells inside both the old and the new size keep their contents.
    void setColCount(int n);
    void setRowCount(int n);

    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    // A fixed row or column is a header: the current cell leaves it (a move,
    // with select-cell and click) and the selection's anchor too.
    void setFixedCols(int n);
    void setFixedRows(int n);
    bool isFixed(int c, int r) const { return c < fixedCols_ || r < fixedRows_; }

    const std::u16string& Cells(int c, int r) const { return cells_->Cells(c, r); }
    void setCells(int c, int r, std::u16string text) { cells_->setCells(c, r, std::move(text)); }
    bool validCell(int c, int r) const { return c >= 0 && r >= 0 && c < cols_ && r < rows_; }

    int DefaultColWidth() const { return defaultColWidth_; }
    int DefaultRowHeight() const { return defaultRowHeight_; }
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
    // The user grew the selection from its anchor (or the one given) to a
    // cell, which becomes current: select-cell and click when it moves.
    void extendSelection(int c, int r) { extendSelectionFrom(anchorCol_, anchorRow_, c, r); }
    void extendSelectionFrom(int anchorCol, int anchorRow, int c, int r);
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
    void showEditor();  // takes up the cell's text: get-edit-text; never on a fixed cell
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

    // Height of one line of a cell's text in pixels; the peer sets it from its font.
    int lineHeight() const { return lineHeight_; }
    void setLineHeight(int h) { lineHeight_ = h > 0 ? h : lineHeight_; }

    // Pixel width of a text in the grid's font; the peer measures, tests fake it.
    std::function<int(const std::u16string&)> measureText;
    int textWidth(const std::u16string& s) const;

private:
    void listen();
    void modelReshaped();
    void modelChanged();

    int cols_ = 0;
    int rows_ = 0;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = kDefaultColWidth;
    int defaultRowHeight_ = kDefaultRowHeight;
    int lineHeight_ = 13;
    CellTexts own_;
    GridCells* cells_ = &own_;
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
    std::optional<CellEdges> edges_;
    bool edgesApply(int c, int r, int c2, int r2) const;
};

// A selection with every side moved inside the data cells (never onto a
// header); the order of its sides is kept.
GridRect clipToDataCells(const StringGrid& grid, GridRect r);
// The data cells a command works on: the part of `r` on data cells, empty
// (Right < Left or Bottom < Top) when it has none.
GridRect dataCellsIn(const StringGrid& grid, GridRect r);

// A block edit, which the block undo takes back: `selection` saved in
// *undoSel (null for the width conversions, which keep the one saved
// before), the working grid copied into the snapshot, then the change, with
// one repaint at the end.
template <typename Change>
void blockEdit(StringGrid& working, GridCells& snapshot, GridRect* undoSel, const GridRect& selection,
               Change&& change) {
    if (undoSel)
        *undoSel = selection;
    copyGrid(working.model(), snapshot);
    const StringGrid::UpdateScope oneRepaint(working);
    change();
}

}  // namespace qx
