// The drawing server's window: the drawing shown, and picking with the mouse
// while a client's SelectOnScreen call waits. The main thread makes the call;
// a second thread works the window meanwhile, as the user would.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <thread>

#include "cad/com/comDispatch.h"
#include "core/text.h"
#include "testing/guiDriver.h"
#include "testing/serverProcess.h"

using namespace qx::cad;
using namespace qx::cad::com;

namespace {

const std::wstring kProgId = L"QuadcelX.DrawingWindowTest";
const std::wstring kClsid = L"{5B3C8AB6-EBF0-4AA0-9117-E14A4F0793A7}";
using Ids = std::vector<std::int64_t>;

bool picking(HWND hwnd) {
    return qx::test::textOf(hwnd).find(L"オブジェクトを選択") != std::wstring::npos;
}

// Works the window from its own thread; what goes wrong is kept for the main
// thread to report.
class User {
public:
    explicit User(HWND hwnd) : hwnd_(hwnd) {}

    // Waits until the window asks for a pick; the limit only guards against a
    // pick that never starts.
    bool waitForPrompt() {
        for (int i = 0; i < 800 && !picking(hwnd_); ++i)
            Sleep(25);
        if (!picking(hwnd_))
            problems.push_back("the window never asked for a pick");
        return picking(hwnd_);
    }
    void click(POINT p, WPARAM keys = 0) {
        send(WM_LBUTTONDOWN, MK_LBUTTON | keys, p);
        send(WM_LBUTTONUP, keys, p);
    }
    void press(POINT p) { send(WM_LBUTTONDOWN, MK_LBUTTON, p); }
    void moveTo(POINT p) { send(WM_MOUSEMOVE, MK_LBUTTON, p); }
    void releaseAt(POINT p) { send(WM_LBUTTONUP, 0, p); }
    void drag(POINT from, POINT to) {
        press(from);
        moveTo({(from.x + to.x) / 2, (from.y + to.y) / 2});
        moveTo(to);
        releaseAt(to);
    }
    void key(WPARAM vk) { send(WM_KEYDOWN, vk, {0, 0}); }
    void rightClick(POINT p) {
        send(WM_RBUTTONDOWN, MK_RBUTTON, p);
        send(WM_RBUTTONUP, 0, p);
    }
    // A pick left running would keep the main thread's call waiting forever.
    void makeSureThePickEnds() {
        for (int i = 0; i < 400 && picking(hwnd_); ++i)
            Sleep(25);
        if (picking(hwnd_)) {
            problems.push_back("the pick did not end");
            key(VK_ESCAPE);
        }
    }

    std::vector<std::string> problems;

private:
    // Sent, not posted: it returns once the window has handled the message.
    void send(UINT message, WPARAM wParam, POINT p) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd_, message, wParam, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 10000, &result))
            problems.push_back("message " + std::to_string(message) + " was not handled");
    }

    HWND hwnd_;
};

struct PickResult {
    Ids ids;
    std::u16string error;  // empty when the call succeeded
};

class DrawingServerWindow : public ::testing::Test {
protected:
    // First, so that it goes last, after every COM object the test holds.
    qx::win::ComApartment apartment;
    void SetUp() override {
        ASSERT_TRUE(apartment);
        file_ = exeFolder() + L"drawingServerWindowTest.txt";
        // No pick line: the user picks in the window.
        std::ofstream(file_.c_str(), std::ios::binary)
            << "name C:\\\xe5\x9b\xb3\xe9\x9d\xa2\\\xe9\x83\xa8\xe5\x93\x81\xe8\xa1\xa8.dwg\n"  // C:\図面\部品表.dwg
               "line 0 0 100 0\n"                                                               // 1
               "line 0 40 100 40\n"                                                             // 2
               "polyline open 0 0 0 40\n"                                                       // 3
               "line 100 0 100 40\n"                                                            // 4
               "line 50 0 50 40\n"                                                              // 5
               "text 1 0 0 25 20 \xe5\x93\x81\xe5\x90\x8d\n"  // 6 品名, centred on (25, 20)
               "text 0 60 20 0 0 \xe6\x95\xb0\xe9\x87\x8f\n"  // 7 数量, left from (60, 20)
               "entity CIRCLE 75 30\n"                        // 8
               "entity MTEXT 20 30\n"                         // 9
               "polyline closed 60 4 90 4 90 16 60 16\n";     // 10
        server_ = std::make_unique<DrawingServerProcess>(DrawingServerProcess::defaultExe(), file_, kProgId, kClsid);
        app_ = server_->application();
        doc_ = app_.get(u"ActiveDocument").toDispatch();
        hwnd_ = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(app_.get(u"HWND").toUInt64()));
        for (const auto& id : app_.call(u"QxIds").toVariants())
            ids_.push_back(id.toInt64());
    }
    // The object ID of the n-th entity of the file, in this run.
    std::int64_t entity(int n) const { return ids_.at(static_cast<std::size_t>(n - 1)); }
    void TearDown() override {
        app_ = doc_ = {};
        if (server_) {
            EXPECT_EQ(server_->quit(), 0u);
        }
        server_.reset();
        DeleteFileW(file_.c_str());
    }

    // Where the window shows a drawing point now.
    POINT at(double x, double y) {
        auto p = app_.call(u"QxClientPoint", {Variant(x), Variant(y)}).toDoubles();
        return {static_cast<LONG>(std::lround(p.at(0))), static_cast<LONG>(std::lround(p.at(1)))};
    }

    // SelectOnScreen with the Get's filter while the user does what the
    // actions say on another thread; without actions nobody is asked.
    PickResult pick(const std::function<void(User&)>& actions) {
        User user(hwnd_);
        std::thread hand([&] {
            if (actions && user.waitForPrompt())
                actions(user);
            user.makeSureThePickEnds();
        });
        PickResult result;
        Dispatch set =
            doc_.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"ssTemp"))}).toDispatch();
        try {
            set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                         Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")})});
        } catch (const qx::Error& e) {
            result.error = e.message();
        }
        hand.join();
        for (const auto& problem : user.problems)
            ADD_FAILURE() << problem;
        for (int i = 0; i < set.get(u"Count").toInt32(); ++i)
            result.ids.push_back(set.call(u"Item", {Variant(i)}).toDispatch().get(u"ObjectID").toInt64());
        set.call(u"Delete");
        return result;
    }

    std::wstring file_;
    std::unique_ptr<DrawingServerProcess> server_;
    Dispatch app_, doc_;
    HWND hwnd_ = nullptr;
    std::vector<std::int64_t> ids_;
};

// A 24-bit bottom-up BMP as the server writes it.
struct Bitmap {
    int width = 0, height = 0;
    std::string pixels;
    bool has(COLORREF colour) const {
        int stride = (width * 3 + 3) & ~3;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const auto* p = reinterpret_cast<const unsigned char*>(pixels.data()) + y * stride + x * 3;
                if (RGB(p[2], p[1], p[0]) == colour)
                    return true;
            }
        }
        return false;
    }
};

Bitmap readBitmap(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Bitmap bmp;
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    if (bytes.size() < sizeof file + sizeof info)
        return bmp;
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    if (file.bfType != 0x4D42 || info.biBitCount != 24 || file.bfOffBits > bytes.size())
        return bmp;
    bmp.width = info.biWidth;
    bmp.height = info.biHeight;
    bmp.pixels = bytes.substr(file.bfOffBits);
    if (bmp.pixels.size() < static_cast<std::size_t>(((bmp.width * 3 + 3) & ~3) * bmp.height))
        return {};
    return bmp;
}

}  // namespace

TEST_F(DrawingServerWindow, IsTheApplicationsMainWindow) {
    ASSERT_TRUE(IsWindow(hwnd_));
    wchar_t name[64] = {};
    GetClassNameW(hwnd_, name, 64);
    EXPECT_STREQ(name, L"QuadcelXDrawingView");
    EXPECT_TRUE(IsWindowVisible(hwnd_));
    EXPECT_EQ(qx::test::textOf(hwnd_), L"C:\\図面\\部品表.dwg");

    // What the Get does to the CAD application's window.
    ShowWindow(hwnd_, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(hwnd_));
    OpenIcon(hwnd_);
    EXPECT_FALSE(IsIconic(hwnd_));
    SetForegroundWindow(hwnd_);
    EXPECT_EQ(GetForegroundWindow(), hwnd_);

    // A pick brings a minimised window back to the front.
    ShowWindow(hwnd_, SW_MINIMIZE);
    bool iconic = true, front = false;
    auto result = pick([&](User& user) {
        iconic = IsIconic(hwnd_) != 0;
        front = GetForegroundWindow() == hwnd_;
        user.key(VK_RETURN);
    });
    EXPECT_FALSE(iconic);
    EXPECT_TRUE(front);
    EXPECT_EQ(result.error, u"");
    EXPECT_EQ(result.ids, Ids{});
    EXPECT_EQ(qx::test::textOf(hwnd_), L"C:\\図面\\部品表.dwg");
}

TEST_F(DrawingServerWindow, AClickPicksTheEntityUnderTheCursor) {
    POINT line = at(30, 0), text = at(25, 21), circle = at(75, 30), empty = at(25, 10), frame = at(75, 4);
    POINT nearLine = at(30, 0);
    nearLine.y -= 2;  // within a few pixels
    auto result = pick([&](User& user) {
        user.click(nearLine);
        user.click(text);
        user.click(circle);  // not admitted by the filter
        user.click(empty);
        user.click(line);             // already picked
        user.click(frame, MK_SHIFT);  // shift takes away, and this one was never picked
        user.key(VK_RETURN);
    });
    EXPECT_EQ(result.error, u"");
    EXPECT_EQ(result.ids, (Ids{entity(1), entity(6)}));

    // Shift-click takes an entity out again; a right click ends the pick.
    result = pick([&](User& user) {
        user.click(line);
        user.click(frame);
        user.click(line, MK_SHIFT);
        user.rightClick(empty);
    });
    EXPECT_EQ(result.error, u"");
    EXPECT_EQ(result.ids, (Ids{entity(10)}));
}

TEST_F(DrawingServerWindow, WindowsPickInsideToTheRightAndCrossingToTheLeft) {
    POINT a = at(45, 2), b = at(95, 25);
    auto inside = pick([&](User& user) {
        user.drag(a, b);
        user.key(VK_RETURN);
    });
    EXPECT_EQ(inside.ids, (Ids{entity(7), entity(10)}));

    auto crossing = pick([&](User& user) {
        user.drag(b, a);
        user.key(VK_RETURN);
    });
    EXPECT_EQ(crossing.ids, (Ids{entity(5), entity(7), entity(10)}));

    // Everything touched, but the filter keeps the circle and the multiline text out.
    POINT all1 = at(101, 41), all2 = at(-1, -1);
    auto everything = pick([&](User& user) {
        user.drag(all1, all2);
        user.key(VK_RETURN);
    });
    EXPECT_EQ(everything.ids,
              (Ids{entity(1), entity(2), entity(3), entity(4), entity(5), entity(6), entity(7), entity(10)}));
}

TEST_F(DrawingServerWindow, EscapeCancelsThePickAndTheCallFails) {
    POINT line = at(30, 0);
    auto result = pick([&](User& user) {
        user.click(line);
        user.key(VK_ESCAPE);
    });
    EXPECT_NE(result.error.find(u"the pick was cancelled"), std::u16string::npos) << qx::toUtf8(result.error);
    EXPECT_EQ(result.ids, Ids{});

    // The scripted picks still work, and the window picks again when asked to.
    app_.call(u"QxPickIds", {Variant(std::vector<Variant>{Variant::int64(entity(2))})});
    EXPECT_EQ(pick({}).ids, (Ids{entity(2)}));
    app_.call(u"QxPickInteractive");
    result = pick([&](User& user) {
        user.click(line);
        user.key(VK_RETURN);
    });
    EXPECT_EQ(result.ids, (Ids{entity(1)}));
}

TEST_F(DrawingServerWindow, ShowsChangesAndThePickInAScreenshot) {
    Dispatch text = doc_.call(u"ObjectIdToObject", {Variant::byRef(Variant::int64(entity(6)))}).toDispatch();
    text.put(u"TextString", Variant(u"型式（変更）"));
    text.call(u"Copy").toDispatch().put(u"TextAlignmentPoint", Variant::byRef(std::vector<double>{25, 30, 0}));
    std::wstring folder = exeFolder() + L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring shot = folder + L"\\drawingServerWindow.bmp";
    DeleteFileW(shot.c_str());

    POINT top = at(70, 40), from = at(97, 35), to = at(55, 12);
    std::u16string shotError;
    auto result = pick([&](User& user) {
        user.click(top);
        user.press(from);
        user.moveTo(to);
        // Taken through a second attachment while the first call still waits.
        std::thread camera([&] {
            const qx::win::ComApartment apartment;
            try {
                ComConnector()
                    .attach(std::u16string(kProgId.begin(), kProgId.end()))
                    .call(u"QxScreenshot", {Variant(std::u16string(shot.begin(), shot.end()))});
            } catch (const qx::Error& e) {
                shotError = e.message();
            }
        });
        camera.join();
        user.releaseAt(to);
        user.key(VK_RETURN);
    });
    EXPECT_EQ(shotError, u"");
    EXPECT_EQ(result.ids, (Ids{entity(2), entity(7), entity(10)}));

    auto bmp = readBitmap(shot);
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(bmp.width, client.right);
    EXPECT_EQ(bmp.height, client.bottom);
    EXPECT_TRUE(bmp.has(RGB(90, 180, 255))) << "no highlight";
    EXPECT_TRUE(bmp.has(RGB(100, 220, 120))) << "no crossing window";
    EXPECT_TRUE(bmp.has(RGB(235, 235, 235))) << "no lines";
}

TEST_F(DrawingServerWindow, QuitWhileTheUserPicksCancelsThePickAndEndsTheServer) {
    POINT line = at(30, 0);
    Dispatch set =
        doc_.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"ssTemp"))}).toDispatch();
    User user(hwnd_);
    std::thread hand([&] {
        if (user.waitForPrompt()) {
            user.click(line);
            const qx::win::ComApartment apartment;
            try {
                ComConnector().attach(std::u16string(kProgId.begin(), kProgId.end())).call(u"Quit");
            } catch (const qx::Error& e) {
                user.problems.push_back(qx::toUtf8(e.message()));
            }
        }
        user.makeSureThePickEnds();
    });
    std::u16string error;
    try {
        set.call(u"SelectOnScreen");
    } catch (const qx::Error& e) {
        error = e.message();
    }
    hand.join();
    for (const auto& problem : user.problems)
        ADD_FAILURE() << problem;
    EXPECT_NE(error.find(u"the pick was cancelled"), std::u16string::npos) << qx::toUtf8(error);
    set = {};
    app_ = doc_ = {};
    EXPECT_EQ(server_->quit(), 0u);  // already gone, with a clean exit
    server_.reset();
}

namespace {

// Pixels of the client rectangle from one corner to the other (either order)
// that the test takes.
int countIn(const Bitmap& bmp, POINT a, POINT b, const std::function<bool(int r, int g, int b)>& take) {
    const int stride = (bmp.width * 3 + 3) & ~3;
    int n = 0;
    for (int y = std::max<LONG>(0, std::min(a.y, b.y)); y <= std::min<LONG>(bmp.height - 1, std::max(a.y, b.y)); ++y) {
        for (int x = std::max<LONG>(0, std::min(a.x, b.x)); x <= std::min<LONG>(bmp.width - 1, std::max(a.x, b.x));
             ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(bmp.pixels.data()) + (bmp.height - 1 - y) * stride +
                            x * 3;  // bottom-up rows
            n += take(p[2], p[1], p[0]) ? 1 : 0;
        }
    }
    return n;
}

// The texts' yellow, also where the font's edges blend it into the background.
bool yellowish(int r, int g, int b) {
    return r > 100 && g > 0.8 * r && b < 0.8 * g;
}
// The markers' orange.
bool orangeish(int r, int g, int b) {
    return r > 100 && g < 0.7 * r && b < g;
}

}  // namespace

// The process sheet's seventeen multiline texts, drawn as text from their
// frames (none as a marker): a bottom-left one ("Poz.") stands on its
// insertion point, a top-left one ("Del. operacija") hangs from it.
TEST(DrawingServerWindowSheet, DrawsTheProcessSheetsMultilineTextsInTheirFrames) {
    const qx::win::ComApartment apartment;
    ASSERT_TRUE(apartment);
    std::ifstream in(std::string(QX_TEST_DATA) + "/drawings/process-sheet-mtext.txt", std::ios::binary);
    std::string sheet((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_NE(sheet.find("mtext 7 22.000000000000014 255.0 0.0 5.0 Poz."), std::string::npos);
    const auto file = exeFolder() + L"processSheetMText.txt";
    std::ofstream(file.c_str(), std::ios::binary) << sheet;
    {
        DrawingServerProcess server(DrawingServerProcess::defaultExe(), file, kProgId, kClsid);
        auto app = server.application();
        auto at = [&](double x, double y) {
            auto p = app.call(u"QxClientPoint", {Variant(x), Variant(y)}).toDoubles();
            return POINT{static_cast<LONG>(std::lround(p.at(0))), static_cast<LONG>(std::lround(p.at(1)))};
        };
        const std::wstring folder = exeFolder() + L"screenshots";
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring shot = folder + L"\\processSheetMText.bmp";
        DeleteFileW(shot.c_str());
        app.call(u"QxScreenshot", {Variant(std::u16string(shot.begin(), shot.end()))});
        const auto bmp = readBitmap(shot);
        ASSERT_GT(bmp.width, 0);
        const POINT all1{0, 0}, all2{bmp.width - 1, bmp.height - 1};
        EXPECT_GT(countIn(bmp, all1, all2, yellowish), 0) << "no text";
        EXPECT_EQ(countIn(bmp, all1, all2, orangeish), 0) << "a multiline text drawn as a marker";
        EXPECT_GT(countIn(bmp, at(22.5, 255.5), at(30, 262), yellowish), 0) << "Poz. above its point";
        EXPECT_EQ(countIn(bmp, at(22.5, 248.5), at(30, 254.5), yellowish), 0) << "Poz. below its point";
        EXPECT_GT(countIn(bmp, at(53, 252), at(80, 259.5), yellowish), 0) << "Del. operacija below its point";
        EXPECT_EQ(countIn(bmp, at(53, 260.5), at(80, 261.7), yellowish), 0) << "Del. operacija above its point";
        app = {};
        EXPECT_EQ(server.quit(), 0u);
    }
    DeleteFileW(file.c_str());
}
