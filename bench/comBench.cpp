// Automation round trips through real COM against the drawing server:
// one member read with the client's DISPID cache and with a name look-up
// before every call, and the cost of reading a text as the Get command does.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "cad/com/comDispatch.h"
#include "core/winOwners.h"
#include "stopwatch.h"
#include "testing/serverProcess.h"

using namespace qx::cad;
using namespace qx::cad::com;

namespace {

// A bare late-bound read: GetIDsOfNames, then Invoke.
void lookUpAndRead(IDispatch* d, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id;
    if (FAILED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        throw qx::Error(u"GetIDsOfNames failed");
    DISPPARAMS none{};
    OleVariant result;
    if (FAILED(
            d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.get(), nullptr, nullptr)))
        throw qx::Error(u"Invoke failed");
}

}  // namespace

int main(int argc, char** argv) {
    int reads = argc > 1 ? std::atoi(argv[1]) : 2000;
    int texts = argc > 2 ? std::atoi(argv[2]) : 200;
    const qx::win::ComApartment apartment;
    if (!apartment)
        return 1;
    int rc = 0;
    try {
        auto file = exeFolder() + L"comBench.txt";
        {
            std::ofstream out(file.c_str(), std::ios::binary);
            for (int i = 0; i < texts; ++i)
                out << "text 0 " << i << " 0 0 0 \xe5\x93\x81\xe7\x95\xaa" << i << "\n";  // 品番i
            out << "pick all\n";
        }
        DrawingServerProcess server(DrawingServerProcess::defaultExe(), file, L"QuadcelX.ComBench",
                                    L"{7D3E2A10-5B4C-4E8F-9A61-0C2B7F4E8D95}");
        Dispatch app = server.application();
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        Dispatch set =
            doc.get(u"SelectionSets").toDispatch().call(u"Add", {Variant::byRef(Variant(u"bench"))}).toDispatch();
        set.call(u"SelectOnScreen", {Variant::byRef(std::vector<std::int16_t>{0}),
                                     Variant::byRef(std::vector<Variant>{Variant(u"TEXT,*LINE")})});
        Dispatch text = set.call(u"Item", {Variant(0)}).toDispatch();
        text.get(u"TextString");

        double cached = seconds([&] {
            for (int i = 0; i < reads; ++i)
                text.get(u"TextString");
        });
        IDispatch* raw = comObjectOf(text);
        double uncached = seconds([&] {
            for (int i = 0; i < reads; ++i)
                lookUpAndRead(raw, L"TextString");
        });
        int n = set.get(u"Count").toInt32();
        double seven = seconds([&] {
            for (int i = 0; i < n; ++i) {
                Dispatch e = set.call(u"Item", {Variant(i)}).toDispatch();
                e.get(u"EntityName");
                e.get(u"InsertionPoint");
                e.get(u"TextAlignmentPoint");
                e.get(u"Alignment");
                e.get(u"ObjectID");
                e.get(u"TextString");
            }
        });
        set.call(u"Delete");
        std::printf("%-44s %10s %12s\n", "measure", "per call", "per second");
        std::printf("%-44s %8.3f ms %12.0f\n", "TextString, DISPID cached", 1e3 * cached / reads, reads / cached);
        std::printf("%-44s %8.3f ms %12.0f\n", "TextString, name looked up every time", 1e3 * uncached / reads,
                    reads / uncached);
        std::printf("%-44s %8.3f ms %12.0f\n", "one text: Item + six reads (seven calls)", 1e3 * seven / n, n / seven);
        std::printf("cache speed-up %.2fx over %d reads; %d texts\n", uncached / cached, reads, n);
        app = doc = set = text = Dispatch();
        if (server.quit() != 0)
            rc = 1;
        DeleteFileW(file.c_str());
    } catch (const qx::Error& e) {
        std::fprintf(stderr, "com_bench: %s\n", e.what());
        rc = 1;
    }
    return rc;
}
