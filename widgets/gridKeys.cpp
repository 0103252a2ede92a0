#include "widgets/gridKeys.h"

#include <algorithm>

#include "widgets/keyCodes.h"

namespace qx {

std::optional<KeyMove> keyMove(const StringGrid& g, int key, bool shift, bool ctrl, int pageRows) {
    const int fc = g.FixedCols(), fr = g.FixedRows();
    const int lc = g.ColCount() - 1, lr = g.RowCount() - 1;
    if (lc < fc || lr < fr) {
        return std::nullopt;
    }
    const int c = g.Col(), r = g.Row();
    const int page = std::max(1, pageRows);
    int nc = c, nr = r;
    switch (key) {
        case Key::Up:
            nr = r - 1;
            break;
        case Key::Down:
            nr = r + 1;
            break;
        case Key::Left:
            nc = c - 1;
            break;
        case Key::Right:
            nc = c + 1;
            break;
        case Key::Home:
            nc = fc;
            nr = ctrl ? fr : r;
            break;
        case Key::End:
            nc = lc;
            nr = ctrl ? lr : r;
            break;
        case Key::PageUp:
            nr = r - page;
            break;
        case Key::PageDown:
            nr = r + page;
            break;
        case Key::Tab:
            if (shift) {
                nc = c > fc ? c - 1 : lc;
                nr = c > fc ? r : (r > fr ? r - 1 : lr);
            } else {
                nc = c < lc ? c + 1 : fc;
                nr = c < lc ? r : (r < lr ? r + 1 : fr);
            }
            return KeyMove{std::clamp(nc, fc, lc), std::clamp(nr, fr, lr), false};
        default:
            return std::nullopt;
    }
    return KeyMove{std::clamp(nc, fc, lc), std::clamp(nr, fr, lr), shift};
}

}  // namespace qx
