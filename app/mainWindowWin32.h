// The main window on screen: every control of VivazQDLForm at its place, the
// working grid, the pop-up menu and the about box.
#pragma once

#include <memory>

#include "app/qdlXUnit.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

class GridControl;

class MainWindow {
public:
    // Creates the window hidden; the form's Width and Height become its outer size.
    explicit MainWindow(VivazQDLForm& form);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return win_.hwnd(); }
    HWND gridHwnd() const;
    GridControl& grid() { return *grid_; }
    // Moves the window to the form's Left and Top and shows it.
    void show(int showCommand = SW_SHOWNORMAL);
    // A point of the grid's client area (96 dpi) on the screen.
    bool gridToScreen(int& x, int& y) const;
    // Opens the grid's pop-up menu at a screen point and runs the chosen item.
    void popupMenu(POINT at);
    void setOnClose(std::function<void()> f) { win_.onClose = std::move(f); }
    // While the pop-up menu is open (for screenshots): called with the menu shown.
    std::function<void()> onMenuShown;

private:
    void buildControls();
    void buildMenu();
    void setIcons();
    bool message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    VivazQDLForm& f_;
    FormWindow win_;
    std::unique_ptr<GridControl> grid_;
    win::UniqueMenu menu_;
};

}  // namespace qx::win32
