#include "widgets/stringGrid.h"

#include <algorithm>

#include "core/text.h"
#include "platform/platform.h"

namespace qx {

namespace {
[[noreturn]] void outOfRange(int c, int r) {
    throw Error(u"グリッドの範囲外です (" + decimalText(c) + u", " + decimalText(r) + u")");
}
}  // namespace

StringGrid::StringGrid(int cols, int rows) : own_(cols, rows) {
    listen();
    modelReshaped();
}

StringGrid::~StringGrid() {
    cells_->onShapeChanged = nullptr;
    cells_->onCellsChanged = nullptr;
}

void StringGrid::setModel(GridCells& model) {
    if (&model == cells_) {
        return;
    }
    hideEditor();
    cells_->onShapeChanged = nullptr;
    cells_->onCellsChanged = nullptr;
    cells_ = &model;
    listen();
    modelReshaped();
    invalidate();
}

void StringGrid::listen() {
    cells_->onShapeChanged = [this] { modelReshaped(); };
    cells_->onCellsChanged = [this] { modelChanged(); };
}

void StringGrid::modelChanged() {
    if (editorOpen_ && validCell(col_, row_)) {
        editorText_ = Cells(col_, row_);  // the open editor shows what the cell now holds
    }
    invalidate();
}

namespace {
// Inside 0..count-1, and on the data cells when there are any.
int intoData(int v, int fixed, int count) {
    const int last = std::max(count - 1, 0);
    return std::clamp(v, std::min(fixed, last), last);
}
// The first scrolled cell in view: never a fixed one, never past the last.
int intoScrolled(int v, int fixed, int count) {
    return std::clamp(v, fixed, std::max(count - 1, fixed));
}
}  // namespace

void StringGrid::modelReshaped() {
    const int cols = cells_->ColCount(), rows = cells_->RowCount();
    if (cols == cols_ && rows == rows_) {
        return;
    }
    colWidths_.resize(cols, defaultColWidth_);
    rowHeights_.resize(rows, defaultRowHeight_);
    cols_ = cols;
    rows_ = rows;
    fixedCols_ = std::min(fixedCols_, std::max(cols_ - 1, 0));
    fixedRows_ = std::min(fixedRows_, std::max(rows_ - 1, 0));
    // Another size keeps the current cell and the anchor on the grid's data
    // cells, and the view where there are cells to show.
    col_ = intoData(col_, fixedCols_, cols_);
    anchorCol_ = intoData(anchorCol_, fixedCols_, cols_);
    row_ = intoData(row_, fixedRows_, rows_);
    anchorRow_ = intoData(anchorRow_, fixedRows_, rows_);
    leftCol_ = intoScrolled(leftCol_, fixedCols_, cols_);
    topRow_ = intoScrolled(topRow_, fixedRows_, rows_);
    edges_.reset();  // they belonged to the table of the old size
    invalidate();
}

void StringGrid::setColCount(int n) {
    cells_->setSize(n, rows_);
}
void StringGrid::setRowCount(int n) {
    cells_->setSize(cols_, n);
}

void StringGrid::setFixedCols(int n) {
    const int was = fixedCols_;
    fixedCols_ = std::clamp(n, 0, std::max(cols_ - 1, 0));
    // A view at the first scrolled column stays there; none starts on a fixed one.
    leftCol_ = leftCol_ == was ? fixedCols_ : intoScrolled(leftCol_, fixedCols_, cols_);
    anchorCol_ = intoData(anchorCol_, fixedCols_, cols_);
    if (col_ < fixedCols_) {
        moveTo(fixedCols_, row_);
    }
    invalidate();
}

void StringGrid::setFixedRows(int n) {
    const int was = fixedRows_;
    fixedRows_ = std::clamp(n, 0, std::max(rows_ - 1, 0));
    topRow_ = topRow_ == was ? fixedRows_ : intoScrolled(topRow_, fixedRows_, rows_);
    anchorRow_ = intoData(anchorRow_, fixedRows_, rows_);
    if (row_ < fixedRows_) {
        moveTo(col_, fixedRows_);
    }
    invalidate();
}

int StringGrid::ColWidths(int c) const {
    if (c < 0 || c >= cols_) {
        outOfRange(c, 0);
    }
    return colWidths_[c];
}

int StringGrid::RowHeights(int r) const {
    if (r < 0 || r >= rows_) {
        outOfRange(0, r);
    }
    return rowHeights_[r];
}

void StringGrid::setColWidths(int c, int w) {
    if (c < 0 || c >= cols_) {
        outOfRange(c, 0);
    }
    colWidths_[c] = w;
    invalidate();
}

void StringGrid::setRowHeights(int r, int h) {
    if (r < 0 || r >= rows_) {
        outOfRange(0, r);
    }
    rowHeights_[r] = h;
    invalidate();
}

void StringGrid::endUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0 && dirty_) {
        dirty_ = false;
        invalidate();
    }
}

void StringGrid::invalidate() {
    if (updateDepth_ > 0) {
        dirty_ = true;
        return;
    }
    if (onRepaint) {
        onRepaint();
    }
}

void StringGrid::moveTo(int c, int r) {
    hideEditor();
    if (onSelectCell) {
        onSelectCell(c, r);
    }
    col_ = anchorCol_ = c;
    row_ = anchorRow_ = r;
    invalidate();
    if (onClick) {
        onClick();
    }
}

void StringGrid::setCol(int c) {
    if (c < 0 || c >= cols_) {
        outOfRange(c, row_);
    }
    if (c != col_) {
        moveTo(c, row_);
    }
}

void StringGrid::setRow(int r) {
    if (r < 0 || r >= rows_) {
        outOfRange(col_, r);
    }
    if (r != row_) {
        moveTo(col_, r);
    }
}

void StringGrid::moveCurrent(int c, int r) {
    if (!validCell(c, r)) {
        outOfRange(c, r);
    }
    if (c != col_ || r != row_) {
        moveTo(c, r);
    } else if (!(Selection() == GridRect{c, r, c, r})) {
        setSelection({c, r, c, r});
    }
}

void StringGrid::extendSelectionFrom(int anchorCol, int anchorRow, int c, int r) {
    if (!validCell(c, r)) {
        outOfRange(c, r);
    }
    hideEditor();  // the editor belongs to the current cell, which is about to move
    const bool moves = c != col_ || r != row_;
    if (moves && onSelectCell) {
        onSelectCell(c, r);
    }
    setSelection({anchorCol, anchorRow, c, r});
    if (moves && onClick) {
        onClick();
    }
}

GridRect StringGrid::Selection() const {
    return {std::min(col_, anchorCol_), std::min(row_, anchorRow_), std::max(col_, anchorCol_),
            std::max(row_, anchorRow_)};
}

void StringGrid::setSelection(const GridRect& rect) {
    const int c = std::clamp(rect.Right, 0, std::max(cols_ - 1, 0));
    const int r = std::clamp(rect.Bottom, 0, std::max(rows_ - 1, 0));
    if (editorOpen_ && (c != col_ || r != row_)) {
        hideEditor();  // else its text would land in the new current cell
    }
    anchorCol_ = std::clamp(rect.Left, 0, std::max(cols_ - 1, 0));
    anchorRow_ = std::clamp(rect.Top, 0, std::max(rows_ - 1, 0));
    col_ = std::clamp(rect.Right, 0, std::max(cols_ - 1, 0));
    row_ = std::clamp(rect.Bottom, 0, std::max(rows_ - 1, 0));
    invalidate();
}

void StringGrid::showEditor() {
    if (editorOpen_ || !validCell(col_, row_) || isFixed(col_, row_)) {
        return;
    }
    if (onGetEditText) {
        onGetEditText(col_, row_);
    }
    editorOpen_ = true;
    editorText_ = Cells(col_, row_);
    editorCanUndo_ = false;
    invalidate();
}

void StringGrid::hideEditor() {
    if (!editorOpen_) {
        return;
    }
    editorOpen_ = false;
    if (validCell(col_, row_)) {
        setCells(col_, row_, editorText_);
        if (onSetEditText) {
            onSetEditText(col_, row_);
        }
    }
}

void StringGrid::editorChange(std::u16string text) {
    if (!editorOpen_ || text == editorText_) {
        return;
    }
    editorUndoText_ = std::move(editorText_);
    editorCanUndo_ = true;
    editorText_ = std::move(text);
    setCells(col_, row_, editorText_);
    if (onSetEditText) {
        onSetEditText(col_, row_);
    }
}

void StringGrid::typeChar(char16_t ch) {
    if (!editorOpen_) {
        showEditor();
        editorChange(std::u16string(1, ch));  // the typed character replaces the text
        return;
    }
    editorChange(editorText_ + ch);
}

void StringGrid::toggleEditor() {
    if (editorOpen_) {
        hideEditor();
    } else {
        showEditor();
    }
}

bool StringGrid::editorUndo() {
    if (!editorOpen_ || !editorCanUndo_) {
        return false;
    }
    std::u16string back = editorUndoText_;
    editorChange(std::move(back));  // undoing twice redoes, as an edit box does
    return true;
}

void StringGrid::setLeftCol(int c) {
    leftCol_ = intoScrolled(c, fixedCols_, cols_);
    invalidate();
}

void StringGrid::setTopRow(int r) {
    topRow_ = intoScrolled(r, fixedRows_, rows_);
    invalidate();
}

std::pair<int, int> StringGrid::cellAt(int x, int y) const {
    return {colAxis().hit(x), rowAxis().hit(y)};
}

std::pair<int, int> StringGrid::cellOrigin(int c, int r) const {
    return {colAxis().origin(c), rowAxis().origin(r)};
}

void StringGrid::setDrawnEdges(CellEdges edges) {
    edges_ = std::move(edges);
    invalidate();
}

void StringGrid::clearDrawnEdges() {
    if (edges_) {
        edges_.reset();
        invalidate();
    }
}

bool StringGrid::edgesApply(int c, int r, int c2, int r2) const {
    return edges_ && edges_->cols() == cols_ && edges_->rows() == rows_ && c >= fixedCols_ && r >= fixedRows_ &&
           validCell(c, r) && validCell(c2, r2);
}

bool StringGrid::borderRight(int c, int r) const {
    return !edgesApply(c, r, c + 1, r) || edges_->right(c, r);
}

bool StringGrid::borderBelow(int c, int r) const {
    return !edgesApply(c, r, c, r + 1) || edges_->below(c, r);
}

int StringGrid::textWidth(const std::u16string& s) const {
    // Without a peer, a fixed-pitch estimate: 7 pixels a half-width unit, 13 a full-width one.
    if (measureText) {
        return measureText(s);
    }
    int w = 0;
    for (char16_t ch : s) {
        w += (ch < 0x100 || (ch >= 0xFF61 && ch <= 0xFF9F)) ? 7 : 13;
    }
    return w;
}

GridRect clipToDataCells(const StringGrid& grid, GridRect r) {
    auto clip = [](int v, int first, int last) { return std::max(first, std::min(v, last)); };
    const int lastCol = std::max(grid.FixedCols(), grid.ColCount() - 1);
    const int lastRow = std::max(grid.FixedRows(), grid.RowCount() - 1);
    r.Left = clip(r.Left, grid.FixedCols(), lastCol);
    r.Right = clip(r.Right, grid.FixedCols(), lastCol);
    r.Top = clip(r.Top, grid.FixedRows(), lastRow);
    r.Bottom = clip(r.Bottom, grid.FixedRows(), lastRow);
    return r;
}

GridRect dataCellsIn(const StringGrid& grid, GridRect r) {
    r.Left = std::max(r.Left, grid.FixedCols());
    r.Top = std::max(r.Top, grid.FixedRows());
    r.Right = std::min(r.Right, grid.ColCount() - 1);
    r.Bottom = std::min(r.Bottom, grid.RowCount() - 1);
    return r;
}

}  // namespace qx
