// The drawing file format of the drawing server: loading any text, and
// saving what loaded so that it loads again to the same entities and saves
// again to the same text.

#include <algorithm>
#include <cmath>

#include "fuzz/fuzzSupport.h"
#include "tools/cad-standin/drawingFile.h"

using namespace qx;
using namespace qx::cad;

namespace {

bool sameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool samePoint(const Point3& a, const Point3& b) {
    return sameNumber(a.x, b.x) && sameNumber(a.y, b.y) && sameNumber(a.z, b.z);
}

bool sameEntity(const MemEntity& a, const MemEntity& b) {
    return a.id == b.id && a.kind == b.kind && samePoint(a.start, b.start) && samePoint(a.end, b.end) &&
           std::equal(a.coordinates.begin(), a.coordinates.end(), b.coordinates.begin(), b.coordinates.end(),
                      sameNumber) &&
           a.closed == b.closed && a.text == b.text && samePoint(a.insertionPoint, b.insertionPoint) &&
           samePoint(a.alignmentPoint, b.alignmentPoint) && a.alignment == b.alignment && a.height == b.height &&
           a.rotation == b.rotation && a.attachment == b.attachment && a.width == b.width &&
           a.lineSpacing == b.lineSpacing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<MemDrawing> drawing;
    try {
        drawing = loadDrawing(fuzz::textOf(data, size));
    } catch (const Error&) {
        return 0;  // refused with a reason: that is all a bad file may do
    }
    const std::u16string saved = saveDrawing(*drawing);
    std::unique_ptr<MemDrawing> again;
    try {
        again = loadDrawing(saved);
    } catch (const Error& e) {
        std::fprintf(stderr, "the saved drawing does not load: %s\n", e.what());
        QX_FUZZ_CHECK(!"a saved drawing loads again");
    }
    const auto before = drawing->liveEntities(), after = again->liveEntities();
    QX_FUZZ_CHECK(before.size() == after.size());
    QX_FUZZ_CHECK(std::equal(before.begin(), before.end(), after.begin(), after.end(), sameEntity));
    QX_FUZZ_CHECK(again->fullName().empty() == drawing->fullName().empty());
    QX_FUZZ_CHECK(again->hwnd() == drawing->hwnd());
    QX_FUZZ_CHECK(saveDrawing(*again) == saved);
    return 0;
}
