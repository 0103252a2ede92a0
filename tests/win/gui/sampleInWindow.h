// A sample drawing got into the program's real window, for the GUI tests
// that look at a table as the user sees it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "app/programWin32.h"
#include "core/winOwners.h"
#include "testing/guiDriver.h"
#include "testing/sampleDrawing.h"
#include "widgets/stringGridWin32.h"

namespace qx::test {

class SampleInWindow : public testing::Test {
protected:
    // Starts the program on the sample and clicks 取得 until the grid has its size.
    void open(const char* sample, int cols, int rows) {
        apartment.emplace(win32::Program::initialiseThread());
        ASSERT_TRUE(*apartment);
        removeSettings();
        drawing = loadSample(sample);
        drawing->pickAll();
        memory.registerProgId(kDefaultProgID, drawing->application());
        program = std::make_unique<win32::Program>(&memory);
        program->start();
        SetForegroundWindow(main());
        pump([&] { return IsWindowVisible(main()) != FALSE; });
        click(FindWindowExW(main(), nullptr, L"BUTTON", L"取得"), {10, 10});
        ASSERT_TRUE(pump([&] { return cells().RowCount() == rows && cells().ColCount() == cols; }));
        SetForegroundWindow(main());
        pump([] { return false; }, 200);
    }
    void TearDown() override {
        if (program && IsWindow(main())) {
            closeMainWindow(main());
        }
        program.reset();
        apartment.reset();
    }
    HWND main() const { return program->mainWindow->hwnd(); }
    HWND grid() const { return program->mainWindow->gridHwnd(); }
    StringGrid& cells() { return program->form->StringGrid1; }
    bool pump(const std::function<bool()>& done, int ms = 10000) {
        return pumpUntil(program && IsWindow(main()) ? main() : nullptr, done, ms);
    }
    RECT cell(int c, int r) { return program->mainWindow->grid().cellRect(c, r); }

    // First, so that it goes last, after the program and every COM object.
    std::optional<win::ComApartment> apartment;
    std::unique_ptr<cad::MemDrawing> drawing;
    cad::MemConnector memory;
    std::unique_ptr<win32::Program> program;
};

}  // namespace qx::test
