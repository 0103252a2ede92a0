// Serves an in-memory drawing to automation clients, the way a CAD
// application serves its drawing: registered under a programmatic identifier,
// found through the running object table, called through IDispatch. Its
// window shows the drawing and is where the user picks (README.md).
//
//   qx-drawing-server /regserver [PROGID [CLSID]]  register PROGID for this server
//   qx-drawing-server /unregserver [PROGID]        remove PROGID and its class
//   qx-drawing-server DRAWING [PROGID]             serve DRAWING until a client calls Quit
//                                                  or the window is closed
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cad/com/comDispatch.h"
#include "cad/com/dispatchServer.h"
#include "cad/com/fastPathRegistration.h"
#include "core/comObject.h"
#include "core/text.h"
#include "core/winOwners.h"
#include "core/winText.h"
#include "drawingViewWin32.h"
#include "tools/cad-standin/drawingFile.h"

using namespace qx::cad;
using qx::win::systemMessage;
using qx::win::wideView;

namespace {

constexpr UINT kBusyMessage = WM_APP + 40;

const wchar_t* kDefaultProgId = L"QuadcelX.DrawingServer";
const wchar_t* kDefaultClsid = L"{5C1A0D1E-7F53-4C1B-9E0A-51D2A7C30B61}";

// Answers SERVERCALL_REJECTED for a number of incoming calls, as a CAD
// application does while a command of its own runs.
// It lives as long as the server.
class BusyFilter : public qx::win::ScopedComObject<IMessageFilter> {
public:
    int rejectNext = 0;
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
        // Only automation calls: a client's reference counting goes through.
        if (rejectNext > 0 && (!info || IsEqualIID(info->iid, IID_IDispatch))) {
            --rejectNext;
            return SERVERCALL_REJECTED;
        }
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

// SelectOnScreen lets the user pick in the window.
void pickInTheWindow(MemDrawing& drawing, DrawingView& view) {
    drawing.pickInteractive([&view](const PickFilter& filter) { return view.pick(filter); });
}

// Whether the drawing file says what SelectOnScreen picks.
bool hasPickLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        auto start = line.find_first_not_of(" \t");
        if (start != std::string::npos && line.compare(start, 4, "pick") == 0 &&
            (line.size() == start + 4 || line[start + 4] == ' ' || line[start + 4] == '\t' ||
             line[start + 4] == '\r')) {
            return true;
        }
    }
    return false;
}

// The application object plus Quit, which ends the server, and the test
// controls, all named Qx...
class ServedApplication : public DispatchObject {
public:
    ServedApplication(MemDrawing& drawing, BusyFilter& filter, DrawingView* view)
        : drawing_(drawing), filter_(filter), view_(view), app_(drawing.application()) {}
    std::u16string kind() const override { return app_.kind(); }
    Variant get(std::u16string_view member) override {
        if (lower(member) == u"qxnamelookups")
            return Variant(static_cast<std::int32_t>(com::testSeamNameLookups()));
        return app_.get(member);
    }
    void put(std::u16string_view member, const Variant& value) override { app_.put(member, value); }
    Variant call(std::u16string_view member, std::vector<Variant>& args) override {
        auto name = lower(member);
        auto arg = [&](std::size_t i) -> const Variant& {
            if (i >= args.size())
                throw dispatchError(kind(), member, u"argument " + qx::decimalText(i + 1) + u" is missing");
            return args[i];
        };
        if (name == u"quit") {
            PostQuitMessage(0);
        } else if (name == u"qxpickall") {
            drawing_.pickAll();
        } else if (name == u"qxpicknothing") {
            drawing_.pickNothing();
        } else if (name == u"qxpickcancel") {
            drawing_.pickCancel();
        } else if (name == u"qxpickrectangle") {
            drawing_.pickRectangle(arg(0).toDouble(), arg(1).toDouble(), arg(2).toDouble(), arg(3).toDouble());
        } else if (name == u"qxpickids") {
            std::vector<std::int64_t> ids;
            for (const auto& id : arg(0).toVariants())
                ids.push_back(id.toInt64());
            drawing_.pickIds(std::move(ids));
        } else if (name == u"qxerase") {
            drawing_.erase(arg(0).toInt64());
        } else if (name == u"qxfailcall") {
            drawing_.failCall(arg(0).toString(), arg(1).toInt32(), arg(2).toString());
        } else if (name == u"qxbusyfor") {
            // A command of the server's own: calls wait until it is done.
            PostThreadMessageW(GetCurrentThreadId(), kBusyMessage, static_cast<WPARAM>(arg(0).toInt32()), 0);
        } else if (name == u"qxrejectcalls") {
            filter_.rejectNext = arg(0).toInt32();
        } else if (name == u"qxcallcount") {
            return Variant(static_cast<std::int32_t>(drawing_.callCount(arg(0).toString())));
        } else if (name == u"qxsave") {
            save(arg(0).toString());
        } else if (name == u"qxnewdocument") {
            drawing_.newDocument(arg(0).toString());
        } else if (name == u"qxactivatedocument") {
            drawing_.activateDocument(static_cast<std::size_t>(arg(0).toInt32()));
        } else if (name == u"qxreopen") {
            drawing_.reopen();
        } else if (name == u"qxundo") {
            return Variant(drawing_.undo());
        } else if (name == u"qxundogroupcount") {
            return Variant(static_cast<std::int32_t>(drawing_.undoGroupCount()));
        } else if (name == u"qxundomarkopen") {
            return Variant(drawing_.undoMarkOpen());
        } else if (name == u"qxundomarkmisuse") {
            return Variant(static_cast<std::int32_t>(drawing_.undoMarkMisuse()));
        } else if (name == u"qxids") {
            // The active document's live object IDs, in drawing order.
            std::vector<Variant> ids;
            for (auto id : drawing_.liveIds())
                ids.push_back(Variant::int64(id));
            return Variant(std::move(ids));
        } else if (name == u"qxpickinteractive") {
            pickInTheWindow(drawing_, window(member));
        } else if (name == u"qxclientpoint") {
            auto p = window(member).clientPoint({arg(0).toDouble(), arg(1).toDouble()});
            return Variant(std::vector<double>{p.x, p.y});
        } else if (name == u"qxscreenshot") {
            auto path = arg(0).toString();
            window(member).saveImage(wideView(path));
        } else {
            return app_.invoke(member, args);
        }
        return {};
    }

private:
    DrawingView& window(std::u16string_view member) const {
        if (!view_)
            throw dispatchError(kind(), member, u"the server has no window");
        return *view_;
    }

    void save(const std::u16string& path) {
        std::ofstream out(wideView(path), std::ios::binary);
        out << qx::toUtf8(saveDrawing(drawing_));
        if (!out.flush())
            throw dispatchError(kind(), u"QxSave", u"cannot write " + path);
    }

    MemDrawing& drawing_;
    BusyFilter& filter_;
    DrawingView* view_;
    Dispatch app_;
};

// Object IDs live for one run, as a CAD application's do for one opening of a
// drawing: this run hands them out from the time it started, in 100 ns
// steps, so no later run repeats an ID of an earlier one.
std::int64_t runFirstId() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

int registerServer(const wchar_t* progId, const wchar_t* clsid) {
    CLSID parsed;
    if (FAILED(CLSIDFromString(const_cast<LPOLESTR>(clsid), &parsed))) {
        std::fwprintf(stderr, L"not a class ID: %ls\n", clsid);
        return 2;
    }
    // Wine's CLSIDFromProgID reads HKEY_CLASSES_ROOT through the machine hive only.
    if (!com::setClassesValue(HKEY_LOCAL_MACHINE, std::wstring(progId) + L"\\CLSID", nullptr, clsid) ||
        !com::setClassesValue(HKEY_LOCAL_MACHINE, std::wstring(L"CLSID\\") + clsid + L"\\ProgID", nullptr, progId)) {
        std::fwprintf(stderr, L"cannot write the registry\n");
        return 1;
    }
    std::wprintf(L"registered %ls as %ls\n", progId, clsid);
    return 0;
}

int unregisterServer(const wchar_t* progId) {
    CLSID clsid;
    qx::win::CoTaskMemory<wchar_t> text;
    bool known = SUCCEEDED(CLSIDFromProgID(progId, &clsid)) && SUCCEEDED(StringFromCLSID(clsid, text.out()));
    bool ok = com::removeClassesKey(HKEY_LOCAL_MACHINE, progId) &&
              (!known || com::removeClassesKey(HKEY_LOCAL_MACHINE, std::wstring(L"CLSID\\") + text.get()));
    if (!ok) {
        std::fwprintf(stderr, L"cannot write the registry\n");
        return 1;
    }
    std::wprintf(L"unregistered %ls\n", progId);
    return 0;
}

int serve(const wchar_t* path, const wchar_t* progId) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fwprintf(stderr, L"cannot open %ls\n", path);
        return 1;
    }
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::unique_ptr<MemDrawing> drawing;
    try {
        drawing = loadDrawing(qx::fromUtf8(bytes.str()), runFirstId());
    } catch (const qx::Error& e) {
        std::fwprintf(stderr, L"%ls: %hs\n", path, e.what());
        return 1;
    }
    // GetInterfaceObject loads an in-process server into this process, as a
    // CAD application does.
    drawing->setInterfaceObjects([](const std::u16string& progId) -> Dispatch {
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(wideView(progId), &clsid)))
            return {};
        com::ComPtr<IDispatch> object;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                    reinterpret_cast<void**>(object.out()))))
            return {};
        return com::wrapDispatch(object.get(), u"interface object");
    });
    // When no window can be made the server still serves, with scripted picks only.
    std::unique_ptr<DrawingView> view;
    try {
        view = std::make_unique<DrawingView>(*drawing);
        drawing->setHwnd(reinterpret_cast<std::uintptr_t>(view->hwnd()));
        if (!hasPickLine(bytes.str()))
            pickInTheWindow(*drawing, *view);
    } catch (const qx::Error& e) {
        std::fwprintf(stderr, L"%hs; serving without a window\n", e.what());
    }

    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"%ls: %ls\n", progId, wideView(systemMessage(hr)));
        return 1;
    }
    // Destroyed in reverse: revoked from the table, released, then the previous filter back.
    BusyFilter filter;
    qx::win::MessageFilterScope filterScope(&filter);
    qx::win::ComPtr<IDispatch> server(
        com::newDispatchServer(Dispatch(std::make_shared<ServedApplication>(*drawing, filter, view.get()))));
    qx::win::ActiveObjectRegistration registration;
    // Right after the prefix starts, the RPC service may not be up yet.
    for (int attempt = 0; attempt < 50; ++attempt) {
        hr = registration.add(server.get(), clsid, ACTIVEOBJECT_STRONG);
        if (hr != static_cast<HRESULT>(0x800706BA))
            break;
        Sleep(100);
    }
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"RegisterActiveObject: %ls\n", wideView(systemMessage(hr)));
        return 1;
    }
    std::wprintf(L"ready\n");
    std::fflush(stdout);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kBusyMessage && !msg.hwnd) {
            Sleep(static_cast<DWORD>(msg.wParam));
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(
            stderr,
            L"usage: qx-drawing-server DRAWING [PROGID] | /regserver [PROGID [CLSID]] | /unregserver [PROGID]\n");
        return 2;
    }
    const qx::win::ComApartment apartment;
    if (!apartment) {
        std::fwprintf(stderr, L"cannot initialise COM\n");
        return 1;
    }
    std::wstring first = argv[1];
    int rc = first == L"/regserver"
                 ? registerServer(argc > 2 ? argv[2] : kDefaultProgId, argc > 3 ? argv[3] : kDefaultClsid)
             : first == L"/unregserver" ? unregisterServer(argc > 2 ? argv[2] : kDefaultProgId)
                                        : serve(argv[1], argc > 2 ? argv[2] : kDefaultProgId);
    return rc;
}
