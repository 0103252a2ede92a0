// The settings file's values as the main window reads them. The input holds
// one value per line, in this order: Left, Top, chk2, chk3, chk4, edt1,
// ProgID, then the screen's width and height; a missing line is a missing key.

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/qdlXUnit.h"
#include "core/text.h"
#include "fuzz/fuzzSupport.h"
#include "testing/platformFakes.h"

using namespace qx;

namespace {

constexpr char16_t kIni[] = u"C:\\QuadcelX\\QuadrelX.ini";

// A decimal integer of 32 bits: blanks around it, at most one sign, digits.
std::optional<std::int32_t> referenceInteger(const std::u16string& s) {
    std::size_t b = s.find_first_not_of(u' ');
    if (b == std::u16string::npos) {
        return std::nullopt;
    }
    const std::size_t e = s.find_last_not_of(u' ') + 1;
    bool negative = false;
    if (s[b] == u'+' || s[b] == u'-') {
        negative = s[b] == u'-';
        ++b;
    }
    if (b == e) {
        return std::nullopt;
    }
    long long v = 0;
    for (std::size_t i = b; i < e; ++i) {
        if (s[i] < u'0' || s[i] > u'9') {
            return std::nullopt;
        }
        v = std::min(v * 10 + (s[i] - u'0'), 1LL << 40);
    }
    v = negative ? -v : v;
    if (v < INT32_MIN || v > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(v);
}

std::u16string swapDotAndComma(std::u16string s) {
    for (auto& c : s) {
        c = c == u'.' ? u',' : c == u',' ? u'.' : c;
    }
    return s;
}

// The tolerance box's number: always finite, the decimal separator only
// says which character is the point, and blanks around it do not count.
void checkDecimal(const std::u16string& v) {
    for (const char16_t* sep : {u".", u",", u"\u066B", u"..", u" "}) {
        const auto d = parseDecimal(v, sep);
        QX_FUZZ_CHECK(!d || std::isfinite(*d));
    }
    QX_FUZZ_CHECK(parseDecimal(v, u".") == parseDecimal(swapDotAndComma(v), u","));
    QX_FUZZ_CHECK(parseDecimal(u"  " + v + u" ", u".") == parseDecimal(v, u"."));
}

struct Window {
    fake::FakePlatform fakes;
    std::unique_ptr<VivazQDLForm> form;

    void open() {
        VivazQDLForm::Services s;
        s.platform = fakes.platform();
        form = std::make_unique<VivazQDLForm>(s);
        form->FormCreate();
    }
};

bool sameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzz::textOf(data, size);
    std::vector<std::u16string> values;
    for (std::size_t from = 0; from <= text.size() && values.size() < 9;) {
        const auto at = std::min(text.find(u'\n', from), text.size());
        values.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    for (const auto& v : values) {
        QX_FUZZ_CHECK(parseInteger(v) == referenceInteger(v));
        checkDecimal(v);
    }

    Window first;
    static const std::pair<const char16_t*, const char16_t*> keys[] = {
        {u"AcadQDL", u"Left"}, {u"AcadQDL", u"Top"},  {u"AcadQDL", u"chk2"},  {u"AcadQDL", u"chk3"},
        {u"AcadQDL", u"chk4"}, {u"AcadQDL", u"edt1"}, {u"Target", u"ProgID"},
    };
    for (std::size_t i = 0; i < values.size() && i < std::size(keys); ++i) {
        first.fakes.profile.files[kIni][{keys[i].first, keys[i].second}] = values[i];
    }
    // A screen is never empty; anything up to a wall of monitors.
    auto screenSide = [&](std::size_t i, int def) {
        const auto v = i < values.size() ? parseInteger(values[i]) : std::nullopt;
        return v ? std::clamp(*v, 1, 65535) : def;
    };
    first.fakes.screen.size = {screenSide(7, 1920), screenSide(8, 1080)};
    first.open();
    VivazQDLForm& f = *first.form;

    // The window is never placed past the screen's right or bottom edge.
    const ScreenSize screen = first.fakes.screen.size;
    QX_FUZZ_CHECK(std::int64_t{f.Left} + f.Width <= screen.width);
    QX_FUZZ_CHECK(std::int64_t{f.Top} + f.Height <= screen.height);
    const double tolerance = f.tolerance();
    QX_FUZZ_CHECK(std::isfinite(tolerance));

    // What closing writes, the next start reads back as it was.
    f.FormClose();
    QX_FUZZ_CHECK(first.fakes.dialogs.shown.empty());
    Window second;
    second.fakes.profile = first.fakes.profile;
    second.fakes.screen = first.fakes.screen;
    second.open();
    const VivazQDLForm& g = *second.form;
    QX_FUZZ_CHECK(g.Left == f.Left && g.Top == f.Top);
    QX_FUZZ_CHECK(g.CheckBox2.Checked() == f.CheckBox2.Checked());
    QX_FUZZ_CHECK(g.CheckBox3.Checked() == f.CheckBox3.Checked());
    QX_FUZZ_CHECK(g.CheckBox4.Checked() == f.CheckBox4.Checked());
    QX_FUZZ_CHECK(g.Edit1.Text() == f.Edit1.Text());
    QX_FUZZ_CHECK(g.targetProgID == f.targetProgID);
    QX_FUZZ_CHECK(sameNumber(second.form->tolerance(), tolerance));
    return 0;
}
