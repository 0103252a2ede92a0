#include "editor/gridEditing.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/text.h"
#include "widgets/keyCodes.h"

namespace qx {

void enterMove(StringGrid& g, EnterMode mode, bool backward) {
    const int C = g.Col(), R = g.Row(), FC = g.FixedCols(), FR = g.FixedRows();
    const int LC = g.ColCount() - 1, LR = g.RowCount() - 1;
    if (mode == EnterMode::Right && !backward) {
        if (C < LC) {
            g.setCol(C + 1);
        } else {
            g.setRow(R < LR ? R + 1 : FR);
            g.setCol(FC);
        }
    } else if (mode == EnterMode::Down && !backward) {
        if (R < LR) {
            g.setRow(R + 1);
        } else {
            g.setRow(FR);
            g.setCol(C < LC ? C + 1 : FC);
        }
    } else if (mode == EnterMode::Right) {
        if (C > FC) {
            g.setCol(C - 1);
        } else if (R > FR) {
            g.setRow(R - 1);
            g.setCol(LC);
        }
    } else if (mode == EnterMode::Down) {
        if (R > FR) {
            g.setRow(R - 1);
        } else if (C > FC) {
            g.setCol(C - 1);
            g.setRow(LR);
        }
    }
}

char16_t upperAscii(char16_t ch) {
    return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - 32) : ch;
}

bool colHasText(const TableModel& t, int col) {
    if (t.RowCount() < 2 || col < 0 || col >= t.ColCount()) {
        return false;
    }
    for (int r = 1; r < t.RowCount(); ++r) {
        if (!t.ids(col, r).empty()) {
            return true;
        }
    }
    return false;
}

std::u16string idPanelText(std::int64_t id) {
    if (id == 0) {
        return {};
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, " ID = %08llX", static_cast<unsigned long long>(id));
    return fromUtf8(buf);
}

std::optional<GridRect> fixedCellSelection(const StringGrid& g, int a, int b) {
    const int FC = g.FixedCols(), FR = g.FixedRows(), LC = g.ColCount() - 1, LR = g.RowCount() - 1;
    if (a == 0 && b == 0) {
        return GridRect{FC, FR, LC, LR};
    }
    if (a == 0) {
        return GridRect{FC, b, LC, b};
    }
    if (b == 0) {
        return GridRect{a, FR, a, LR};
    }
    return std::nullopt;
}

GridRect dragSelection(const StringGrid& g, int startCol, int startRow, int c, int r) {
    return clipToDataCells(g, GridRect{startCol, startRow, c, r});
}

bool paintsGrey(const StringGrid& g, const TableModel& t, int col, int row) {
    const bool fixed = col < g.FixedCols() || row < g.FixedRows();
    return !fixed && !colHasText(t, col);
}

namespace {
void blockEdited(const KeyCommandContext& ctx) {
    if (ctx.blockUndoable) {
        ctx.blockUndoable();
    }
}
}  // namespace

bool keyCommand(KeyCommandContext& ctx, std::uint16_t& key, unsigned modifiers) {
    if (key == Key::Delete) {
        ctx.log.add(u"[DELETE]");
        key = 0;
        clearCells(ctx.working, ctx.snapshot, ctx.undo);
        blockEdited(ctx);
        return true;
    }
    if (!(modifiers & static_cast<unsigned>(Modifier::Ctrl))) {
        return false;
    }
    switch (key) {
        case 'X':
            key = 0;
            copyToClipboard(ctx.working, ctx.log, ctx.platform);
            ctx.log.add(u"[Ctrl]+[X]");
            clearCells(ctx.working, ctx.snapshot, ctx.undo);
            blockEdited(ctx);
            scrollMemoTop(ctx.log);
            scrollMemoTop(ctx.log);  // the second finds the caret at the top already
            return true;
        case 'C':
            key = 0;
            copyToClipboard(ctx.working, ctx.log, ctx.platform);
            ctx.log.add(u"[Ctrl]+[C]");
            scrollMemoTop(ctx.log);
            return true;
        case 'V':
            ctx.log.add(u"[Ctrl]+[V]");
            key = 0;
            pasteCells(ctx.working, ctx.snapshot, ctx.undo, *ctx.platform.clipboard);
            blockEdited(ctx);
            return true;
        case 'Z':
            ctx.log.add(u"[Ctrl]+[Z]");
            blockEdited(ctx);  // as the menu's undo does before it restores
            blockUndo(ctx.working, ctx.snapshot, ctx.undo);
            return true;
        case 'A': {
            ctx.log.add(u"[Ctrl]+[A]");
            StringGrid& g = ctx.working;
            g.setSelection({g.FixedCols(), g.FixedRows(), g.ColCount() - 1, g.RowCount() - 1});
            g.invalidate();
            return true;
        }
        default:
            return false;
    }
}

std::vector<std::u16string> inputCandidates(const StringGrid& g, Locale& locale) {
    std::vector<std::u16string> out;
    std::set<std::u16string> seen;
    const int c = g.Col();
    for (int r = g.FixedRows(); r < g.RowCount(); ++r) {
        const std::u16string& t = g.Cells(c, r);
        const bool blank = std::all_of(t.begin(), t.end(), [](char16_t ch) { return ch <= u' '; });
        if (!blank && seen.insert(t).second) {
            out.push_back(t);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [&](const std::u16string& a, const std::u16string& b) { return locale.compareNoCase(a, b) < 0; });
    return out;
}

PopupPlacement placeCandidates(int x, int y, int width, int height, int screenWidth) {
    PopupPlacement p{x + 40, y - height - 20};
    if (p.left + width > screenWidth) {
        p.left = screenWidth - width;
    }
    if (p.top < 0) {
        p.top = 0;
    }
    return p;
}

}  // namespace qx
