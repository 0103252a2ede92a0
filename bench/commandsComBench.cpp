// Get and Update of a generated table through real COM against the drawing
// server: the floor that the automation contract allows (the same
// cross-process calls from a bare client with DISPIDs known), QuadcelX call
// by call, and QuadcelX through the in-process fast path that the server
// loads. QuadcelX runs in its real window, repainting its progress.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "app/programWin32.h"
#include "cad/com/fastPathRegistration.h"
#include "cad/fastPath.h"
#include "core/text.h"
#include "core/winText.h"
#include "stopwatch.h"
#include "testing/serverProcess.h"

using namespace qx;
using namespace qx::cad;
using namespace qx::cad::com;

namespace {

// The string goes with the variant, also when a call with it throws.
void setString(OleVariant& v, const std::wstring& text) {
    v.get()->vt = VT_BSTR;
    v.get()->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// A bare IDispatch client that looks each member name up once: the floor.
class Bare {
public:
    // An object from a property (no arguments) or a method.
    ComPtr<IDispatch> object(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args = {}) {
        OleVariant r;
        invoke(d, name, args.empty() ? DISPATCH_PROPERTYGET : DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, r.get());
        ComPtr<IDispatch> out;
        if ((*r).vt == VT_DISPATCH && (*r).pdispVal) {
            (*r).pdispVal->AddRef();
            out = ComPtr<IDispatch>((*r).pdispVal);
        }
        return out;
    }
    void read(IDispatch* d, const wchar_t* name) {
        OleVariant r;
        invoke(d, name, DISPATCH_PROPERTYGET, {}, r.get());
    }
    long readLong(IDispatch* d, const wchar_t* name) {
        OleVariant r;
        invoke(d, name, DISPATCH_PROPERTYGET, {}, r.get());
        return (*r).lVal;
    }
    std::wstring readString(IDispatch* d, const wchar_t* name) {
        OleVariant r;
        invoke(d, name, DISPATCH_PROPERTYGET, {}, r.get());
        return (*r).bstrVal ? std::wstring((*r).bstrVal, SysStringLen((*r).bstrVal)) : std::wstring();
    }
    void call(IDispatch* d, const wchar_t* name, std::vector<VARIANT> args = {}) {
        OleVariant r;
        invoke(d, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, r.get());
    }
    void putString(IDispatch* d, const wchar_t* name, const std::wstring& text) {
        OleVariant v;
        setString(v, text);
        invoke(d, name, DISPATCH_PROPERTYPUT, {*v}, nullptr);
    }

private:
    DISPID id(IDispatch* d, const wchar_t* name) {
        if (auto it = ids_.find(name); it != ids_.end())
            return it->second;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
            throw Error(u"GetIDsOfNames failed");
        ids_[name] = id;
        return id;
    }
    void invoke(IDispatch* d, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &put;
            params.cNamedArgs = 1;
        }
        HRESULT hr = d->Invoke(id(d, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
        if (FAILED(hr))
            throw Error(u"Invoke of " + win::fromWide(name) + u": " + win::systemMessage(hr));
    }
    std::map<std::wstring, DISPID> ids_;
};

VARIANT int32(long v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

// The calls of a Get: the set, the pick, then per entity Item and its members.
void bareGet(Bare& b, IDispatch* app) {
    auto doc = b.object(app, L"ActiveDocument");
    b.readString(doc.get(), L"FullName");
    b.readString(doc.get(), L"Name");
    auto sets = b.object(doc.get(), L"SelectionSets");
    OleVariant name;
    setString(name, L"ssBare");
    auto set = b.object(sets.get(), L"Add", {*name});
    // The selection filter by reference, as the Get passes it.
    OleVariant type, data;
    SAFEARRAY* types = SafeArrayCreateVector(VT_I2, 0, 1);
    LONG at = 0;
    SHORT zero = 0;
    SafeArrayPutElement(types, &at, &zero);
    (*type.get()).vt = VT_ARRAY | VT_I2;
    (*type.get()).parray = types;
    SAFEARRAY* patterns = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    OleVariant pattern;
    setString(pattern, L"TEXT,MTEXT,*LINE");
    SafeArrayPutElement(patterns, &at, pattern.get());  // copies it
    (*data.get()).vt = VT_ARRAY | VT_VARIANT;
    (*data.get()).parray = patterns;
    VARIANT byRef[2];
    VariantInit(&byRef[0]);
    VariantInit(&byRef[1]);
    byRef[0].vt = byRef[1].vt = VT_BYREF | VT_VARIANT;
    byRef[0].pvarVal = data.get();  // arguments go last first
    byRef[1].pvarVal = type.get();
    b.call(set.get(), L"SelectOnScreen", {byRef[0], byRef[1]});
    long n = b.readLong(set.get(), L"Count");
    for (long i = 0; i < n; ++i) {
        auto e = b.object(set.get(), L"Item", {int32(i)});
        std::wstring kind = b.readString(e.get(), L"EntityName");
        if (kind == L"AcDbText") {
            const long alignment = b.readLong(e.get(), L"Alignment");
            b.read(e.get(), alignment == 0 ? L"InsertionPoint" : L"TextAlignmentPoint");
            for (const wchar_t* m : {L"ObjectID", L"TextString"})
                b.read(e.get(), m);
        } else if (kind == L"AcDbMText") {
            for (const wchar_t* m : {L"AttachmentPoint", L"InsertionPoint", L"ObjectID", L"TextString"})
                b.read(e.get(), m);
        } else if (kind == L"AcDbLine") {
            b.read(e.get(), L"StartPoint");
            b.read(e.get(), L"EndPoint");
        } else if (kind == L"AcDbPolyline") {
            b.read(e.get(), L"Coordinates");
            b.read(e.get(), L"Closed");
        }
    }
    b.call(set.get(), L"Clear");
    b.call(set.get(), L"Delete");
}

// The calls of an Update that changes the given texts: which drawing is
// active, one ID that proves it is the same opening, then the changes.
void bareUpdate(Bare& b, IDispatch* app, const std::vector<std::pair<std::int64_t, std::wstring>>& changes) {
    auto doc = b.object(app, L"ActiveDocument");
    b.readString(doc.get(), L"FullName");
    b.readString(doc.get(), L"Name");
    if (!changes.empty()) {
        LONGLONG value = changes.front().first;
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = VT_BYREF | VT_I8;
        ref.pllVal = &value;
        b.object(doc.get(), L"ObjectIdToObject", {ref});
        b.call(doc.get(), L"StartUndoMark");
    }
    for (const auto& [id, text] : changes) {
        LONGLONG value = id;
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = VT_BYREF | VT_I8;
        ref.pllVal = &value;
        auto e = b.object(doc.get(), L"ObjectIdToObject", {ref});
        b.putString(e.get(), L"TextString", text);
        b.call(e.get(), L"Update");
    }
    if (!changes.empty())
        b.call(doc.get(), L"EndUndoMark");
    b.call(doc.get(), L"Regen", {int32(0)});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: com_commands_bench DRAWING [repeats]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 1;
    const auto apartment = win32::Program::initialiseThread();
    if (!apartment)
        return 1;
    int rc = 0;
    try {
        // The drawing with a scripted pick of everything.
        std::ifstream in(argv[1], std::ios::binary);
        if (!in)
            throw Error(u"cannot read the drawing");
        std::stringstream bytes;
        bytes << in.rdbuf() << "pick all\n";
        std::wstring file = exeFolder() + L"commandsComBench.txt";
        std::ofstream(file.c_str(), std::ios::binary) << bytes.str();
        const wchar_t* progId = L"QuadcelX.CommandsBench";
        DrawingServerProcess server(DrawingServerProcess::defaultExe(), file, progId,
                                    L"{0C7A2E91-6D3B-4F85-A1E4-9B2D5C8F7E06}");
        win32::Program program;
        program.start();
        VivazQDLForm& form = *program.form;
        form.targetProgID = u"QuadcelX.CommandsBench";
        IDispatch* app = comObjectOf(server.application());
        Dispatch keep = server.application();
        app = comObjectOf(keep);

        // The fast path's DLL of this build, loadable by the server for the
        // run and for no longer, however the run ends.
        struct Registration {
            bool done = registerFastPath(HKEY_LOCAL_MACHINE, exeFolder() + L"..\\app\\exe\\QuadcelXFast.dll");
            ~Registration() { unregisterFastPath(HKEY_LOCAL_MACHINE); }
        } registration;
        if (!registration.done || !loadFastPath(keep))
            throw Error(u"the fast path cannot be loaded");

        double qxGet = 1e9, fastGet = 1e9, floorGet = 1e9, qxUpd = 1e9, fastUpd = 1e9, floorUpd = 1e9;
        std::size_t texts = 0;
        for (int round = 0; round < repeats; ++round) {
            form.fastPathEnabled = false;
            qxGet = std::min(qxGet, seconds([&] { form.Button1Click(); }));
            if (form.Memo1.Lines().size() >= 2)
                std::printf("QuadcelX's own log of its entity loop: %s\n", toUtf8(form.Memo1.Lines()[1]).c_str());
            texts = form.lists.textAry.size();
            form.fastPathEnabled = true;
            fastGet = std::min(fastGet, seconds([&] { form.Button1Click(); }));
            if (form.lists.textAry.size() != texts)
                throw Error(u"the fast path read another table");
            const int rows = form.StringGrid1.RowCount() - 1, cols = form.StringGrid1.ColCount() - 1;
            if (rows < 10 || cols < 10)
                throw Error(u"the Get did not build a table of at least 10 x 10 cells");
            Bare floor;
            floorGet = std::min(floorGet, seconds([&] { bareGet(floor, app); }));

            // 10 % of the cells: every tenth cell, changed differently for each run.
            auto changes = [&](const wchar_t* tag) {
                std::vector<std::pair<std::int64_t, std::wstring>> out;
                for (int r = 1; r <= rows; ++r)
                    for (int c = 1 + (r % 10); c <= cols; c += 10)
                        out.emplace_back(form.table.firstId(c, r),
                                         std::wstring(tag) + std::to_wstring(round) + L"-" + std::to_wstring(c));
                return out;
            };
            auto update = [&](const char16_t* tag, bool fast) {
                const auto mine = changes(L"");
                for (int r = 1; r <= rows; ++r)
                    for (int c = 1 + (r % 10); c <= cols; c += 10)
                        form.StringGrid1.setCells(c, r, tag + decimalText(round) + u"-" + decimalText(c));
                form.Memo1.clear();
                form.fastPathEnabled = fast;
                const double t = seconds([&] { form.Button2Click(); });
                const std::u16string expected = u"[更新] 編集 = " + decimalText(mine.size()) + u", 追加 = 0, 削除 = 0";
                if (form.Memo1.Lines().empty() || form.Memo1.Lines().back() != expected)
                    throw Error(u"the Update did not change every tenth text");
                return t;
            };
            qxUpd = std::min(qxUpd, update(u"qx", false));
            fastUpd = std::min(fastUpd, update(u"fast", true));
            floorUpd = std::min(floorUpd, seconds([&] { bareUpdate(floor, app, changes(L"floor")); }));
        }
        std::printf("%zu texts\n", texts);
        std::printf("%-10s %10s %12s %12s %10s %11s\n", "command", "floor", "QuadcelX", "fast path", "QX/floor",
                    "floor/fast");
        std::printf("%-10s %8.2f s %10.2f s %10.3f s %10.3f %11.1f\n", "Get", floorGet, qxGet, fastGet,
                    qxGet / floorGet, floorGet / fastGet);
        std::printf("%-10s %8.2f s %10.2f s %10.3f s %10.3f %11.1f\n", "Update10%", floorUpd, qxUpd, fastUpd,
                    qxUpd / floorUpd, floorUpd / fastUpd);
        keep = Dispatch();
        PostMessageW(program.mainWindow->hwnd(), WM_CLOSE, 0, 0);
        program.run();
        DeleteFileW(file.c_str());
    } catch (const Error& e) {
        std::fprintf(stderr, "com_commands_bench: %s\n", e.what());
        rc = 1;
    }
    return rc;
}
