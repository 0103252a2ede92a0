// The drawing server's window: shows the in-memory drawing as a small CAD
// viewer does and lets the user pick entities while SelectOnScreen runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/cad-standin/memDrawing.h"
#include "tools/cad-standin/pickGeometry.h"
#include "widgets/windowWin32.h"

namespace qx::cad {

class DrawingView : public win32::Window {
public:
    static constexpr const wchar_t* kClassName = L"QuadcelXDrawingView";
    // Shown in the caption and the status line while the user picks.
    static constexpr const wchar_t* kPrompt = L"オブジェクトを選択: Enter で確定、Esc で取消";

    // Creates and shows the window over the drawing and redraws it whenever
    // the drawing changes. Throws qx::Error when no window can be made (no
    // display).
    explicit DrawingView(MemDrawing& drawing);
    ~DrawingView() override;

    // Lets the user pick until Enter or a right click (the picked IDs, in
    // the order picked) or Escape (nullopt). Messages keep being dispatched,
    // incoming automation calls included. Throws qx::Error when a pick is
    // already running.
    std::optional<std::vector<std::int64_t>> pick(const PickFilter& filter);

    // The client pixel where a drawing point is shown now.
    Point2 clientPoint(Point2 drawingPoint) const;
    // Writes the client area, painted as it is now, as a 24-bit BMP file.
    // Throws qx::Error when the file cannot be written.
    void saveImage(const std::wstring& path) const;

private:
    enum class Outcome { Running, Done, Cancelled };
    struct Layout {
        RECT area;  // where the drawing is shown, above the status line
        ViewTransform view;
        PickSizes sizes;
    };

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Errors go to the standard error: the server has no one to show them to.
    bool runGuarded(const std::function<void()>& handler) override;
    LRESULT failed(UINT, WPARAM, LPARAM) override { return 0; }
    Layout layout(const RECT& client) const;
    Layout layout() const;
    void paint(HDC dc, const RECT& client) const;
    void paintMText(HDC dc, const MemEntity& mtext, const Layout& layout, HFONT font, bool picked) const;
    void paintStatus(HDC dc, const RECT& client, const Layout& layout) const;
    void release(POINT at, bool remove);
    void finish(Outcome outcome);
    void updateCaption() const;
    void redraw() const;

    MemDrawing& drawing_;
    bool picking_ = false;
    Outcome outcome_ = Outcome::Running;
    PickFilter filter_;
    std::vector<std::int64_t> picked_;
    bool pressed_ = false;   // left button down while picking
    bool dragging_ = false;  // ... and moved far enough to draw a window
    POINT anchor_{};
    POINT cursor_{};
    bool cursorInside_ = false;
};

}  // namespace qx::cad
