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

// Processes this thread's messages (dialog keys for `dialog`) until done()
// holds or ms have passed; false on the time-out.
bool pumpUntil(HWND dialog, const std::function<bool()>& done, int ms = 10000);

// Closes the program's main window, answering the question whether unsaved
// edits may go with `answer` (IDYES or IDNO) if it is asked. True when the
// window is gone.
bool closeMainWindow(HWND main, int answer = IDYES);

}  // namespace qx::test
