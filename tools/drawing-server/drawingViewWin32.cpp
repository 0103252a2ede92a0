#include "drawingViewWin32.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <numbers>
#include <utility>

#include "core/text.h"
#include "core/winOwners.h"
#include "core/winText.h"
#include "testing/screenshot.h"

namespace qx::cad {

namespace {

constexpr UINT_PTR kRedrawTimer = 1;

// Sizes in pixels.
constexpr int kStatusHeight = 24;
constexpr double kMargin = 24;
constexpr double kPickTolerance = 4;
constexpr int kDragDistance = 4;
constexpr double kMinTextHeight = 12;
constexpr double kMaxTextHeight = 120;
constexpr double kMarkerSize = 9;

const COLORREF kBackground = RGB(33, 38, 46);
const COLORREF kLineColour = RGB(235, 235, 235);
const COLORREF kTextColour = RGB(255, 236, 150);
const COLORREF kMarkerColour = RGB(255, 150, 90);
const COLORREF kPickedColour = RGB(90, 180, 255);
const COLORREF kInsideWindowColour = RGB(90, 140, 255);
const COLORREF kCrossingWindowColour = RGB(100, 220, 120);
const COLORREF kStatusBackground = RGB(50, 56, 66);
const COLORREF kStatusText = RGB(225, 225, 225);
const wchar_t* const kFontName = L"ＭＳ ゴシック";

std::wstring decimal(double v, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, v);
    return std::wstring(text, text + std::strlen(text));
}

// GDI wants integers; keep far-off points from overflowing them.
int px(double v) {
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6)));
}

using win::GdiObject;
using win::SelectObjectScope;
using win::wideView;

// escapement: the baseline's angle in tenths of a degree, anticlockwise.
GdiObject<HFONT> gothic(int height, int escapement = 0) {
    return win32::createFont({kFontName, height, false, DEFAULT_CHARSET, true, ANTIALIASED_QUALITY, escapement},
                             height);
}

GdiObject<HPEN> pen(COLORREF colour, bool dashed) {
    return GdiObject<HPEN>(CreatePen(dashed ? PS_DASH : PS_SOLID, 1, colour));
}

// GDI's escapement: the baseline's angle in tenths of a degree.
double tenthsOf(double radians) {
    return std::remainder(radians * 1800 / std::numbers::pi, 3600);
}

bool showsSomething(const MemEntity& mtext) {
    auto lines = mtextLines(mtext.text);
    return std::any_of(lines.begin(), lines.end(), [](const std::u16string& line) { return !line.empty(); });
}

bool isPicked(const std::vector<std::int64_t>& picked, std::int64_t id) {
    return std::find(picked.begin(), picked.end(), id) != picked.end();
}

// The outline's edges in pixels, cut to what can be seen.
void drawOutline(HDC dc, const Outline& outline, const ViewTransform& view, const Box& visible) {
    const auto& pts = outline.points;
    auto edge = [&](Point2 a, Point2 b) {
        auto part = clipSegment(view.toScreen(a), view.toScreen(b), visible);
        if (!part)
            return;
        MoveToEx(dc, px(part->first.x), px(part->first.y), nullptr);
        LineTo(dc, px(part->second.x), px(part->second.y));
    };
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        edge(pts[i], pts[i + 1]);
    if (outline.closed && pts.size() > 2)
        edge(pts.back(), pts.front());
}

}  // namespace

DrawingView::DrawingView(MemDrawing& drawing) : drawing_(drawing) {
    WNDCLASSEXW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kClassName;
    registerClass(wc);
    createWindow(0, kClassName, wideView(drawing.fullName()), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 960,
                 640, nullptr, nullptr);
    if (!hwnd_)
        throw Error(u"cannot create the drawing window (error " + decimalText(GetLastError()) + u")");
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    drawing_.setOnChanged([this] { redraw(); });
}

DrawingView::~DrawingView() {
    drawing_.setOnChanged({});
    // Unlinked first: the window's last messages find no half-gone view.
    const HWND h = std::exchange(hwnd_, nullptr);
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
}

std::optional<std::vector<std::int64_t>> DrawingView::pick(const PickFilter& filter) {
    if (picking_)
        throw Error(u"another pick is already running");
    picking_ = true;
    outcome_ = Outcome::Running;
    filter_ = filter;
    picked_.clear();
    pressed_ = dragging_ = false;
    // Keys typed before the prompt appeared (the client's Escape that ends
    // any command running) are not meant for this pick.
    MSG msg;
    while (PeekMessageW(&msg, hwnd_, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    if (IsIconic(hwnd_))
        ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    updateCaption();
    redraw();

    while (outcome_ == Outcome::Running) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Quit while picking: the pick is cancelled and the server still ends.
            outcome_ = Outcome::Cancelled;
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    picking_ = false;
    pressed_ = dragging_ = false;
    if (GetCapture() == hwnd_)
        ReleaseCapture();
    filter_ = {};
    auto picked = std::move(picked_);
    picked_.clear();
    updateCaption();
    redraw();
    if (outcome_ == Outcome::Cancelled)
        return std::nullopt;
    return picked;
}

Point2 DrawingView::clientPoint(Point2 drawingPoint) const {
    return layout().view.toScreen(drawingPoint);
}

void DrawingView::saveImage(const std::wstring& path) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    int width = std::max<int>(client.right, 1), height = std::max<int>(client.bottom, 1);
    auto picture = test::drawPicture(width, height, [&](HDC dc) { paint(dc, RECT{0, 0, width, height}); });
    if (picture.bits.empty())
        throw Error(u"cannot make a bitmap of the drawing window");
    if (!test::writeBmp(path, picture))
        throw Error(u"cannot write " + win::fromWide(path));
}

bool DrawingView::runGuarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "drawing window: %s\n", e.what());
        return false;
    }
}

LRESULT DrawingView::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
        case WM_TIMER:
            if (wParam != kRedrawTimer)
                break;
            KillTimer(hwnd_, kRedrawTimer);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_PAINT: {
            win::PaintDC dc(hwnd_);
            RECT client;
            GetClientRect(hwnd_, &client);
            // Painted off screen first, so that a redraw does not flicker.
            win::MemoryDC memory(dc.get());
            GdiObject<HBITMAP> bitmap(
                CreateCompatibleBitmap(dc.get(), std::max<int>(client.right, 1), std::max<int>(client.bottom, 1)));
            SelectObjectScope selected(memory.get(), bitmap.get());
            paint(memory.get(), client);
            BitBlt(dc.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            redraw();
            return 0;
        case WM_SETCURSOR:
            if (picking_ && LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, IDC_CROSS));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            cursor_ = at;
            cursorInside_ = true;
            if (pressed_ && !dragging_ &&
                (std::abs(at.x - anchor_.x) > kDragDistance || std::abs(at.y - anchor_.y) > kDragDistance)) {
                dragging_ = true;
            }
            redraw();
            return 0;
        case WM_LBUTTONDOWN:
            if (picking_) {
                anchor_ = cursor_ = at;
                pressed_ = true;
                dragging_ = false;
                SetCapture(hwnd_);
                SetFocus(hwnd_);
            }
            return 0;
        case WM_LBUTTONUP:
            if (pressed_)
                release(at, (wParam & MK_SHIFT) != 0);
            return 0;
        case WM_CAPTURECHANGED:
            // Capture taken away mid-drag: the drag is dropped, nothing picked.
            if (pressed_) {
                pressed_ = dragging_ = false;
                redraw();
            }
            return 0;
        case WM_RBUTTONDOWN:
            return 0;
        case WM_RBUTTONUP:
            if (picking_)
                finish(Outcome::Done);
            return 0;
        case WM_KEYDOWN:
            if (picking_) {
                if (wParam == VK_RETURN || wParam == VK_SPACE)
                    finish(Outcome::Done);
                else if (wParam == VK_ESCAPE)
                    finish(Outcome::Cancelled);
            }
            return 0;
        case WM_CLOSE:
            // Closing the window ends the server, as closing a CAD application would.
            if (picking_)
                finish(Outcome::Cancelled);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

DrawingView::Layout DrawingView::layout() const {
    RECT client;
    GetClientRect(hwnd_, &client);
    return layout(client);
}

DrawingView::Layout DrawingView::layout(const RECT& client) const {
    Layout l;
    l.area = client;
    l.area.bottom = std::max<LONG>(client.top, client.bottom - kStatusHeight);
    auto entities = drawing_.liveEntities();
    auto extent =
        drawingExtent(entities, PickSizes{0, std::numeric_limits<double>::infinity(), 0}).value_or(Box{0, 0, 100, 100});
    l.view = fitView(extent, l.area.right - l.area.left, l.area.bottom - l.area.top, kMargin);
    // Texts are shown at their own height but keep to a readable size on screen whatever the scale.
    l.sizes = PickSizes{kMinTextHeight / l.view.scale, kMaxTextHeight / l.view.scale, kMarkerSize / l.view.scale};
    return l;
}

void DrawingView::paint(HDC dc, const RECT& client) const {
    auto l = layout(client);
    GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.get());
    SetBkMode(dc, TRANSPARENT);
    {
        // The DC keeps a copy of the region.
        GdiObject<HRGN> clip(CreateRectRgnIndirect(&l.area));
        SelectClipRgn(dc, clip.get());
    }

    // Cut lines a little outside the area, so that no end shows.
    Box visible{l.area.left - 16.0, l.area.top - 16.0, l.area.right + 16.0, l.area.bottom + 16.0};
    // One font per size and angle that the texts need.
    std::map<std::pair<int, int>, GdiObject<HFONT>> textFonts;
    auto textFont = [&](int pixels, int escapement) {
        auto it = textFonts.find({pixels, escapement});
        if (it == textFonts.end())
            it = textFonts.emplace(std::pair{pixels, escapement}, gothic(pixels, escapement)).first;
        return it->second.get();
    };
    const auto labelFont = gothic(11);
    const auto linePen = pen(kLineColour, false);
    const auto markerPen = pen(kMarkerColour, false);
    const auto pickedPen = pen(kPickedColour, true);
    const auto pickedTextPen = pen(kPickedColour, false);
    SelectObjectScope hollow(dc, GetStockObject(NULL_BRUSH));

    for (const auto& e : drawing_.liveEntities()) {
        bool picked = isPicked(picked_, e.id);
        auto outline = outlineOf(e, l.sizes);
        if (e.kind == EntityKind::Line || e.kind == EntityKind::Polyline) {
            SelectObjectScope p(dc, picked ? pickedPen.get() : linePen.get());
            drawOutline(dc, outline, l.view, visible);
        } else if (e.kind == EntityKind::Text) {
            auto placement = textPlacement(e);
            double height = shownTextHeight(e, l.sizes);
            auto box = textBox(e, height);
            // GDI sets the text along its baseline, turned about the point where it is aligned.
            auto anchor = l.view.toScreen(rotated({placement.position.x, box.bottom}, placement.position, e.rotation));
            if (!std::isfinite(anchor.x) || !std::isfinite(anchor.y))
                continue;
            SelectObjectScope f(dc, textFont(px(height * l.view.scale), px(tenthsOf(e.rotation))));
            UINT align = TA_BASELINE | (placement.horizontal == HorizontalAlign::Center  ? TA_CENTER
                                        : placement.horizontal == HorizontalAlign::Right ? TA_RIGHT
                                                                                         : TA_LEFT);
            SetTextAlign(dc, align);
            SetTextColor(dc, picked ? kPickedColour : kTextColour);
            TextOutW(dc, px(anchor.x), px(anchor.y), wideView(e.text), static_cast<int>(e.text.size()));
            if (picked) {
                SelectObjectScope p(dc, pickedPen.get());
                drawOutline(dc, outline, l.view, visible);
            }
        } else if (e.kind == EntityKind::MText && showsSomething(e)) {
            paintMText(dc, e, l, textFont(px(shownTextHeight(e, l.sizes) * l.view.scale), px(tenthsOf(e.rotation))),
                       picked);
            if (picked) {
                SelectObjectScope p(dc, pickedPen.get());
                drawOutline(dc, outline, l.view, visible);
            }
        } else {
            // Kinds the viewer cannot draw, and multiline texts that show
            // nothing: a crossed square and the type name.
            SelectObjectScope p(dc, picked ? pickedTextPen.get() : markerPen.get());
            drawOutline(dc, outline, l.view, visible);
            auto& pts = outline.points;
            drawOutline(dc, {{pts[0], pts[2]}, false, false}, l.view, visible);
            drawOutline(dc, {{pts[1], pts[3]}, false, false}, l.view, visible);
            auto corner = l.view.toScreen(pts[2]);
            SelectObjectScope f(dc, labelFont.get());
            SetTextAlign(dc, TA_LEFT | TA_BOTTOM);
            SetTextColor(dc, picked ? kPickedColour : kMarkerColour);
            const auto name = dxfName(e.kind);
            TextOutW(dc, px(corner.x) + 2, px(corner.y), wideView(name), static_cast<int>(name.size()));
        }
    }

    if (picking_ && dragging_) {
        bool crossing = cursor_.x < anchor_.x;
        const auto bandPen = pen(crossing ? kCrossingWindowColour : kInsideWindowColour, crossing);
        SelectObjectScope p(dc, bandPen.get());
        Rectangle(dc, std::min(anchor_.x, cursor_.x), std::min(anchor_.y, cursor_.y),
                  std::max(anchor_.x, cursor_.x) + 1, std::max(anchor_.y, cursor_.y) + 1);
    }
    SelectClipRgn(dc, nullptr);
    paintStatus(dc, client, l);
}

// Each line of a multiline text as plain text in its own band of the frame,
// set left, centred or right as the attachment point's column says, the
// whole turned about the insertion point.
void DrawingView::paintMText(HDC dc, const MemEntity& e, const Layout& l, HFONT font, bool picked) const {
    const double height = shownTextHeight(e, l.sizes);
    const auto frame = mtextFrame(e, height);
    const double pitch = height * kMTextLinePitch * e.lineSpacing;
    const int column = (std::clamp(e.attachment, 1, 9) - 1) % 3;
    const double x = attachmentPosition(frame, e.attachment).x;
    const Point2 centre{e.insertionPoint.x, e.insertionPoint.y};
    SelectObjectScope f(dc, font);
    SetTextAlign(dc, TA_TOP | (column == 1 ? TA_CENTER : column == 2 ? TA_RIGHT : TA_LEFT));
    SetTextColor(dc, picked ? kPickedColour : kTextColour);
    const auto lines = mtextLines(e.text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double top = frame.top - static_cast<double>(i) * pitch - (pitch - height) / 2;
        auto anchor = l.view.toScreen(rotated({x, top}, centre, e.rotation));
        if (!std::isfinite(anchor.x) || !std::isfinite(anchor.y) || lines[i].empty())
            continue;
        TextOutW(dc, px(anchor.x), px(anchor.y), wideView(lines[i]), static_cast<int>(lines[i].size()));
    }
}

void DrawingView::paintStatus(HDC dc, const RECT& client, const Layout& l) const {
    RECT status = client;
    status.top = l.area.bottom;
    GdiObject<HBRUSH> brush(CreateSolidBrush(kStatusBackground));
    FillRect(dc, &status, brush.get());
    const auto font = gothic(14);
    SelectObjectScope f(dc, font.get());
    SetTextColor(dc, kStatusText);
    SetBkMode(dc, TRANSPARENT);
    std::wstring text = picking_ ? std::wstring(kPrompt) + L"    選択: " + std::to_wstring(picked_.size()) + L" 個"
                                 : L"図形: " + std::to_wstring(drawing_.liveIds().size()) + L" 個";
    int baseline = (status.top + status.bottom) / 2 + 5;
    SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    TextOutW(dc, 8, baseline, text.c_str(), static_cast<int>(text.size()));
    if (cursorInside_ && cursor_.y < l.area.bottom) {
        auto p = l.view.toDrawing({static_cast<double>(cursor_.x), static_cast<double>(cursor_.y)});
        text = L"X " + decimal(p.x, 3) + L"  Y " + decimal(p.y, 3);
        SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
        TextOutW(dc, status.right - 8, baseline, text.c_str(), static_cast<int>(text.size()));
    }
}

void DrawingView::release(POINT at, bool remove) {
    // Decided by where the button went up, not by the moves seen on the way:
    // the system may report moves of its own while the button is down.
    bool window = std::abs(at.x - anchor_.x) > kDragDistance || std::abs(at.y - anchor_.y) > kDragDistance;
    pressed_ = dragging_ = false;
    ReleaseCapture();
    auto l = layout();
    auto entities = drawing_.liveEntities();
    auto here = l.view.toDrawing({static_cast<double>(at.x), static_cast<double>(at.y)});
    std::vector<std::int64_t> ids;
    if (window) {
        auto from = l.view.toDrawing({static_cast<double>(anchor_.x), static_cast<double>(anchor_.y)});
        ids = entitiesInWindow(entities, from, here, l.sizes, filter_);
    } else if (auto id = entityAt(entities, here, kPickTolerance / l.view.scale, l.sizes, filter_)) {
        ids.push_back(*id);
    }
    for (auto id : ids) {
        auto it = std::find(picked_.begin(), picked_.end(), id);
        if (remove && it != picked_.end())
            picked_.erase(it);
        else if (!remove && it == picked_.end())
            picked_.push_back(id);
    }
    updateCaption();
    redraw();
}

void DrawingView::finish(Outcome outcome) {
    outcome_ = outcome;
    // Wakes the pick loop when this came as a sent message, which GetMessage
    // handles without returning.
    PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void DrawingView::updateCaption() const {
    std::wstring caption = wideView(drawing_.fullName());
    if (picking_)
        caption += std::wstring(L" - ") + kPrompt;
    SetWindowTextW(hwnd_, caption.c_str());
}

void DrawingView::redraw() const {
    // A client's Update pass changes thousands of texts one call at a time:
    // the window catches up ten times a second instead of after every call.
    SetTimer(hwnd_, kRedrawTimer, 100, nullptr);
}

}  // namespace qx::cad
