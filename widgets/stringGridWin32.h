// The Win32 grid control over the string grid model: painting with fixed
// rows and columns, scrolling, hit-testing, keyboard and mouse, column and row
// sizing in the headers, and an EDIT child as the in-place editor. Sizes in the
// model are 96-dpi pixels; the control scales them when it paints and hit-tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/winOwners.h"
#include "widgets/stringGrid.h"
#include "widgets/windowWin32.h"

namespace qx::win32 {

// A cell's value as its edit box shows it (line breaks as CR LF), and back.
std::u16string editText(const std::u16string& value);
std::u16string valueOfEditText(std::u16string text);

struct GridOptions {
    std::wstring fontFace = L"ＭＳ ゴシック";
    int fontHeight = 13;  // character height in 96-dpi pixels
    BYTE fontCharset = SHIFTJIS_CHARSET;
    COLORREF fixedColor = RGB(0xA6, 0xCA, 0xF0);  // sky blue header cells
    COLORREF lineColor = RGB(0xC0, 0xC0, 0xC0);
    COLORREF fixedLineColor = RGB(0x00, 0x00, 0x00);
    bool border = false;      // the working grid sits flush in its window
    bool rangeSelect = true;  // Shift+arrows, Shift+click and dragging select a range
    bool colSizing = true;    // drag the lines between header cells
    bool rowSizing = true;
    bool editing = true;         // typing and Enter open the in-place editor
    bool tabs = true;            // Tab and Shift+Tab move between cells
    bool thumbTracking = true;   // scroll while the thumb is dragged
    bool fixedCellClick = true;  // report clicks on header cells
    // Cells an Update would change: a pale background, and a corner mark in a
    // stronger shade that also shows on selected and grey cells.
    COLORREF editTint = RGB(0xFF, 0xF0, 0xB4), editMark = RGB(0xE6, 0x8A, 0x00);
    COLORREF deleteTint = RGB(0xFF, 0xD6, 0xD6), deleteMark = RGB(0xD0, 0x2C, 0x2C);
    COLORREF addTint = RGB(0xD4, 0xF2, 0xD4), addMark = RGB(0x22, 0x99, 0x3C);
};

// What the grid window painted last, for whoever reads the control as the
// user sees it: the first scrolled column and row in view, the current cell
// and the selection, and the cell under the open editor (-1 when none).
struct GridPainted {
    int leftCol = -1, topRow = -1;
    int col = -1, row = -1;
    GridRect selection{-1, -1, -1, -1};
    int editorCol = -1, editorRow = -1;
};
// Fills the GridPainted that lParam points to; FALSE before the first paint.
inline constexpr UINT kGridGetPainted = WM_USER + 1;

// The model must outlive the control.
class GridControl : public Window {
public:
    explicit GridControl(StringGrid& model, GridOptions options = {});
    ~GridControl() override;

    // Creates the child window at a place in the parent's client pixels (already scaled).
    void create(HWND parent, int id, int x, int y, int width, int height);
    HWND editorHwnd() const { return edit_; }
    StringGrid& model() { return m_; }
    const GridOptions& options() const { return o_; }

    // Screen pixels per 96-dpi pixel; fonts and sizes follow at once.
    void setScale(double scale);
    void setDpi(int dpi) { setScale(dpi / 96.0); }
    double scale() const { return scale_; }

    // A cell's rectangle in client pixels, grid lines excluded; empty when it is out of view.
    RECT cellRect(int col, int row) const;
    // Moves the view so that a data cell is fully visible (as far as the client area allows).
    void scrollIntoView(int col, int row);
    // Last scrollable row (column) that may be the first in view.
    int maxTopRow() const;
    int maxLeftCol() const;

    // The window's handlers. KeyPress returns the character to keep (0 cancels).
    std::function<char16_t(char16_t key, bool ctrl, bool shift)> onKeyPress;
    std::function<void(std::uint16_t& key, unsigned modifiers)> onKeyUp;  // Shift 1, Alt 2, Ctrl 4
    std::function<void(bool left, int col, int row)> onMouseDown;         // col/row -1 outside the cells
    std::function<void(int col, int row)> onMouseMove;                    // while a button is held
    std::function<void()> onMouseUp;
    std::function<void()> onDblClick;
    std::function<void(int col, int row)> onFixedCellClick;
    // How a data cell looks, asked as it is painted; header cells are never asked.
    std::function<CellLook(int col, int row)> onDrawCell;
    // What waits for a row, shown as its header's tint; asked once per paint.
    std::function<std::vector<CellChange>()> onRowMarks;
    // Runs every handler; unset, an error a handler throws is shown in a message box.
    std::function<void(const std::function<void()>&)> guard;

private:
    enum class Drag { None, Select, Fixed, SizeCol, SizeRow, Other };
    static constexpr int kTextMargin = 2;  // left margin of a cell's text, painted or edited (96-dpi pixels)
    // What a scroll bar shows; while it stays the same the bar is left alone.
    struct BarShown {
        int count = -1, fixed = -1, first = -1, maxFirst = -1;
        bool operator==(const BarShown&) const = default;
    };

    SubclassHandler editMessages_;  // the editor's messages, seen first
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;
    bool runGuarded(const std::function<void()>& handler) override;
    LRESULT failed(UINT, WPARAM, LPARAM) override { return 0; }
    void destroyed() override;

    // Model -> window.
    void modelChanged();
    void syncAll();
    void updateScrollBars();
    void makeFonts();

    // The in-place editor (stringGridEditorWin32.cpp).
    void createEditor();
    void syncEditor();
    void placeEditor();
    void hideEdit();
    LRESULT handleEdit(HWND edit, UINT msg, WPARAM wp, LPARAM lp);
    void typed(char16_t ch);
    void editTyped(HWND edit, char16_t ch, LPARAM lp);
    // The character the key-press handler keeps (0 cancels), with the modifiers held now.
    char16_t keyPressed(char16_t ch) const;
    bool openEditorForIme();

    // Painting (stringGridPaintWin32.cpp).
    void paint(HDC dc, const RECT& area);
    void render(HDC dc, int width, int height);
    void ensureBuffer(int width, int height);
    COLORREF tint(CellChange change, bool mark) const;
    void markCorner(HDC dc, const RECT& cell, COLORREF colour) const;

    // Geometry: the model measures in 96-dpi units, the window in pixels.
    int px(int units) const;
    int units(int pixels) const;
    int clientUnits(bool vertical) const;
    int pageCells(bool vertical) const;  // scrolled cells fully in view, at least one
    std::pair<int, int> hit(int x, int y) const;
    int sizingLine(bool vertical, int x, int y) const;  // the column (row) whose end line is under the pointer

    // Input (stringGridInputWin32.cpp).
    void keyDown(UINT vk);
    void moveCurrent(int col, int row);
    void extendSelection(int col, int row);
    void scrollRows(int first);
    void scrollCols(int first);
    void onScroll(bool vertical, int code, int thumb);
    void mouseDown(bool left, int x, int y, bool shift);
    void mouseMove(int x, int y);
    void mouseUp(int x, int y);
    unsigned modifiers() const;

    StringGrid& m_;
    GridOptions o_;
    double scale_ = 1.0;
    HWND edit_ = nullptr;
    win::GdiObject<HFONT> font_;         // painting, scaled
    win::GdiObject<HFONT> measureFont_;  // measuring, 96 dpi
    win::MemoryDC measureDc_;
    std::optional<win::SelectObjectScope> measureFontSelected_;
    int lineHeight_ = 13;  // text line height of the painting font, in pixels
    // The picture painted last, copied to the window.
    std::optional<win::MemoryDC> backDc_;
    win::GdiObject<HBITMAP> backBitmap_;
    std::optional<win::SelectObjectScope> backBitmapSelected_;
    int backW_ = 0, backH_ = 0;
    bool backValid_ = false;
    bool paintedOnce_ = false;  // painted_ tells something only then
    GridPainted painted_;

    std::function<void()> chainedRepaint_;
    bool inSync_ = false, syncAgain_ = false;
    bool settingEditText_ = false;
    bool editorShown_ = false;
    int editorCol_ = -1, editorRow_ = -1;
    int lastCol_ = -1, lastRow_ = -1;
    BarShown vbarShown_, hbarShown_;

    Drag drag_ = Drag::None;
    int dragIndex_ = -1;  // sized column or row, or pressed fixed cell's column
    int dragRow_ = -1;    // pressed fixed cell's row
    int dragStart_ = 0;   // pointer position (pixels) at the press
    int dragSize_ = 0;    // size (units) at the press
    // Where a mouse selection started; kept here, as handlers may set the selection during the drag.
    int anchorCol_ = -1, anchorRow_ = -1;
    int wheelRest_ = 0, hwheelRest_ = 0;
};

}  // namespace qx::win32
