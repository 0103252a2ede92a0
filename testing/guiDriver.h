// Driving the program's real windows from a test: input through SendInput,
// the message loop pumped until a condition holds, windows of other threads found.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testing/serverProcess.h"

namespace qx::test {

using cad::com::exeFolder;
// The test executable's settings file (its path with the extension ".ini").
std::wstring iniPath();
// No settings file or target list beside the tests: the program starts as new.
void removeSettings();
// A window's text, also of another process's window.
std::wstring textOf(HWND h);
// The texts of a window's children, each followed by '|'.
std::wstring childTexts(HWND h);

// A visible top-level window with that class and caption (either may be null).
HWND waitForWindow(const wchar_t* cls, const wchar_t* caption, int ms = 10000);

// Keyboard input as the user makes it.
void key(WORD vk, bool up);
void press(WORD vk, WORD modifier = 0);
void typeText(const std::wstring& text);

// The mouse as the user moves it, at a point of a window's client area:
// a click (the right button, a modifier such as VK_SHIFT held), a drag with
// the left button, notches of the wheel (positive away from the user).
void click(HWND window, POINT client, bool right = false, WORD modifier = 0);
void drag(HWND window, POINT from, POINT to);
void wheel(HWND window, POINT client, int notches);
// The centre of a control in screen pixels.
POINT centreOf(HWND control);

// A child window's rectangle in its parent's client area.
RECT placeIn(HWND parent, HWND child);
// The text of a status bar part, without the tabs that align it.
std::wstring statusText(HWND bar, int part);
// The first line shown by a multi-line edit box.
int firstVisibleLine(HWND edit);

// A pop-up menu of this process, open meanwhile (asked from another thread):
// its handle once shown, an item's position by caption (-1 when missing),
// whether the item can be chosen, and choosing it with the mouse.
HMENU waitForPopupMenu(int ms = 10000);
int menuItemAt(HMENU menu, const std::wstring& caption);
bool menuItemEnabled(HMENU menu, int position);
void clickMenuItem(HMENU menu, int position);

// Opens a window's pop-up menu with the right button at a point of its client
// area and, from another thread, chooses the item with that caption with the
// mouse, then runs `after` there (for a window the item opens); closes the
// menu instead when the item is grey. This thread's messages are processed
// meanwhile. True when the item was chosen.
bool chooseFromPopupMenu(HWND window, POINT at, const std::wstring& caption, const std::function<void()>& after = {});

// Processes this thread's messages (dialog keys for `dialog`) until done()
// holds or ms have passed; false on the time-out.
bool pumpUntil(HWND dialog, const std::function<bool()>& done, int ms = 10000);

// Closes the program's main window, answering the question whether unsaved
// edits may go with `answer` (IDYES or IDNO) if it is asked. True when the
// window is gone.
bool closeMainWindow(HWND main, int answer = IDYES);

}  // namespace qx::test
