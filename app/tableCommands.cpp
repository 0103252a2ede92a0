// Get and Update: the window's side of the two commands that talk to the CAD
// application. What is said to the drawing is in cad/fetchTable and
// cad/updateTable.
#include <algorithm>
#include <cstdio>

#include "app/qdlXUnit.h"
#include "cad/fastPath.h"
#include "cad/fetchTable.h"
#include "cad/updateTable.h"
#include "core/text.h"
#include "table/tableGrid.h"

namespace qx {

using cad::Dispatch;
using cad::Variant;

namespace {
constexpr std::uint8_t kVkEscape = 27;
constexpr std::uint32_t kKeyUp = 2;

std::u16string format(const char* fmt, auto... args) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return fromUtf8(buf);
}
}  // namespace

// The fetch's progress and pick in the main window.
class VivazQDLForm::FetchWindow : public cad::FetchView {
public:
    FetchWindow(VivazQDLForm& form, const Dispatch& app, const cad::DocumentKey& document)
        : f_(form), app_(app), document_(document) {}
    void beforePick() override {
        if (f_.s_.setMinimized) {
            f_.s_.setMinimized(true);
        }
        f_.s_.platform.windows->setForegroundWindow(app_.get(u"HWND").toUInt64());
    }
    void afterPick() override {
        if (f_.s_.setMinimized) {
            f_.s_.setMinimized(false);
        }
        f_.bringSelfToFront();
    }
    void picked(int count) override {
        f_.Memo1.clear();
        f_.Memo1.add(u"Select = " + decimalText(count));
        if (count > 0) {
            f_.ProgressBar1.setMax(count);
            f_.listsDocument_ = document_;  // the lists are read afresh from this drawing
        }
    }
    void reading(int index, int count) override {
        f_.StatusBar1.setPanelText(0, format(" %d / %d", index, count));
        f_.ProgressBar1.setPosition(index);
        f_.s_.platform.pump->processMessages();
    }

private:
    VivazQDLForm& f_;
    const Dispatch& app_;
    const cad::DocumentKey& document_;
};

class VivazQDLForm::UpdateWindow : public cad::UpdateView {
public:
    explicit UpdateWindow(VivazQDLForm& form) : f_(form) {}
    void start(int cells) override {
        f_.ProgressBar1.setMax(cells);
        f_.ProgressBar1.setPosition(0);
    }
    void visiting(int index) override {
        f_.ProgressBar1.setPosition(index);
        f_.s_.platform.pump->processMessages();
    }

private:
    VivazQDLForm& f_;
};

void VivazQDLForm::bringCadToFront(const Dispatch& app) {
    WindowManager& w = *s_.platform.windows;
    if (w.isIconic(app.get(u"HWND").toUInt64())) {
        w.openIcon(app.get(u"HWND").toUInt64());
        s_.platform.clock->sleep(500);
    }
    w.setForegroundWindow(app.get(u"HWND").toUInt64());
    if (w.foregroundWindow() == app.get(u"HWND").toUInt64()) {
        w.keybdEvent(kVkEscape, 0);
        w.keybdEvent(kVkEscape, kKeyUp);
        s_.platform.clock->sleep(5);
    }
}

cad::Dispatch VivazQDLForm::fastPathOf(const Dispatch& app) {
    if (!fastPathEnabled) {
        return {};
    }
    if (s_.registerFastPath) {
        s_.registerFastPath();
    }
    return cad::loadFastPath(app);
}

void VivazQDLForm::bringSelfToFront() {
    if (s_.ownHandle) {
        s_.platform.windows->setForegroundWindow(s_.ownHandle());
    }
}

void VivazQDLForm::Button1Click() {
    runCommand([this] { runGet(); });
}

void VivazQDLForm::runGet() {
    // A Get refills the grid from the drawing: edits not yet written would go.
    if (hasUnsavedEdits() && s_.cad->isTargetRunning(targetProgID) &&
        !s_.platform.dialogs->askYesNo(
            u"図面にまだ書き込んでいない変更があります．\n取得すると，これらの変更は失われます．取得しますか？")) {
        return;
    }
    CheckBox1.setChecked(false);
    if (s_.cad->isTargetRunning(targetProgID)) {
        Dispatch app = s_.cad->attach(targetProgID);
        bringCadToFront(app);
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        const cad::DocumentKey document = cad::documentKey(doc);
        setCaption(document.shown());
        FetchWindow window(*this, app, document);
        const cad::FetchResult fetched = cad::fetchTable(doc, lists, window, *s_.platform.clock, fastPathOf(app));
        if (fetched.picked > 0) {
            ProgressBar1.setPosition(0);
            Memo1.add(format("%.3f sec", fetched.elapsedMs / 1000.0));
        }
        finishGet(doc);
    }
    ProgressBar1.setPosition(0);
    StatusBar1.setPanelText(0, u"");
    StatusBar1.setPanelText(1, u"");
    CheckBox1.setEnabled(StringGrid1.RowCount() >= 3);
    bringSelfToFront();
}

void VivazQDLForm::finishGet(const Dispatch& document) {
    Memo1.add(
        format("Line = %d, Text = %d", static_cast<int>(lists.lineAry.size()), static_cast<int>(lists.textAry.size())));
    collectBorders(lists, tolerance());
    const double t = tolerance();
    mergeBorders(lists, t);
    Memo1.add(
        format("Yoko = %d, Tate = %d", static_cast<int>(lists.yokoAry.size()), static_cast<int>(lists.tateAry.size())));
    if (document) {
        cad::readExtentsCentres(document, lists);
    }
    ColumnFit fit;
    for (int c = 0; c < StringGrid1.ColCount(); ++c) {
        fit.widths.push_back(StringGrid1.ColWidths(c));
    }
    fit.measure = [this](const std::u16string& s) { return StringGrid1.textWidth(s); };
    fit.defaultWidth = StringGrid1.DefaultColWidth();
    {
        const StringGrid::UpdateScope oneRepaint(StringGrid1);
        if (fillGrid(table, lists, t, &fit)) {
            for (int c = 0; c < StringGrid1.ColCount(); ++c) {
                StringGrid1.setColWidths(c, fit.widths[c]);
            }
            showDrawnBorders(t);  // a grid not refilled keeps the borders it shows
        }
        fitRowHeights();
    }
    copyGrid(table, StringGrid2);
    textIndex_.rebuild(lists.textAry);
    ProgressBar1.setPosition(0);
    StatusBar1.setPanelText(0, u"");
    const bool hasTable = lists.yokoAry.size() >= 2 && lists.tateAry.size() >= 2 && !lists.textAry.empty();
    Button2.setEnabled(hasTable);
    menuItem(u"N6").setEnabled(hasTable);
    menuItem(u"UNDO1").setEnabled(false);
}

void VivazQDLForm::fitRowHeights() {
    const StringGrid::UpdateScope oneRepaint(StringGrid1);
    for (int r = 0; r < StringGrid1.RowCount(); ++r) {
        fitRowHeight(r);
    }
}

void VivazQDLForm::fitRowHeight(int row) {
    if (row < 0 || row >= StringGrid1.RowCount()) {
        return;
    }
    std::size_t lines = 1;
    for (int c = 1; row > 0 && c < table.ColCount(); ++c) {
        const std::u16string& v = table.Cells(c, row);
        if (v.find(kLineBreak) != std::u16string::npos) {
            lines = std::max(lines, valueLines(v).size());
        }
    }
    const int h = StringGrid1.DefaultRowHeight() + static_cast<int>(lines - 1) * StringGrid1.lineHeight();
    if (StringGrid1.RowHeights(row) != h) {
        StringGrid1.setRowHeights(row, h);
    }
}

int VivazQDLForm::textIndexOfId(std::int64_t id) const {
    return textIndex_.find(id);
}

void VivazQDLForm::Button2Click() {
    runCommand([this] { runUpdate(); });
}

void VivazQDLForm::runUpdate() {
    const PendingMarksRefresh marks{*this};
    if (s_.cad->isTargetRunning(targetProgID)) {
        Dispatch app = s_.cad->attach(targetProgID);
        bringCadToFront(app);
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        UpdateWindow window(*this);
        const bool rows = table.rowsChanged();
        cad::UpdateResult r;
        try {
            r = cad::updateTable(doc, listsDocument_, lists, textIndex_, table, window, fastPathOf(app),
                                 {rowGrowth(), tolerance()});
        } catch (const Error& e) {
            if (!rows) {
                throw;
            }
            // Rows half moved cannot be finished by a second Update: the
            // drawing goes back in one step and the table is read again.
            const std::u16string what =
                u"行の挿入・削除を含む更新が途中で失敗しました。CAD で U を 1 "
                u"回実行すると更新前の図面に戻ります。その後、"
                u"表をもう一度取得してください。";
            Memo1.add(u"[更新] " + what);
            throw Error(what + u"\n\n" + e.message());
        }
        if (!r.refusal.empty()) {
            bringSelfToFront();
            s_.platform.dialogs->showMessage(r.refusal, MessageBoxKind::Error);
        } else {
            ProgressBar1.setPosition(0);
            copyGrid(table, StringGrid2);
            for (const auto& [c, row] : r.overflows) {
                Memo1.add(u"[更新] " + format("列 %d, 行 %d", c, row) + u": 文字がセルの下の罫線を越えています");
            }
            if (r.lostFormatting > 0) {
                Memo1.add(u"[更新] " + format("文字の途中の書式を保てなかったセル = %d", r.lostFormatting));
            }
            if (rows) {
                showDrawnBorders(tolerance());
                Memo1.add(u"[更新] " + format("行の挿入 = %d, 行の削除 = %d", r.rows.inserted, r.rows.deleted));
            }
            Memo1.add(u"[更新] " + format("編集 = %d, 追加 = %d, 削除 = %d", r.edited, r.added, r.deleted));
            s_.platform.windows->setForegroundWindow(app.get(u"HWND").toUInt64());
            doc.call(u"Regen", {Variant(std::int32_t{0})});
        }
    }
    ProgressBar1.setPosition(0);
    bringSelfToFront();
}

}  // namespace qx
