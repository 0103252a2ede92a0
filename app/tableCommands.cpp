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
#include "target/targetList.h"

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
    bool stopRequested() override { return f_.stopRequested_; }

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
    bool stopRequested() override { return f_.stopRequested_; }
    int cells() const { return f_.ProgressBar1.Max(); }

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

namespace {

// How a message names a target: its name in the list and its identifier.
std::u16string shownTarget(const std::u16string& name, const std::u16string& progId) {
    return name.empty() ? u"「" + progId + u"」" : u"「" + name + u"」（" + progId + u"）";
}

}  // namespace

bool VivazQDLForm::findRunningTarget(const std::u16string& command) {
    const cad::TargetState state = s_.cad->targetState(targetProgID);
    if (state == cad::TargetState::Running) {
        return true;
    }
    std::vector<std::u16string> lines;
    try {
        lines = s_.readTargetList ? s_.readTargetList() : lines;
    } catch (const Error&) {
        // An unreadable list names no other target; the message below still helps.
    }
    std::u16string name;
    if (const auto match = findTarget(lines, targetProgID)) {
        name = lines[match->line].substr(0, match->tab);
    }
    // On a first start the default target is rarely the CAD the user has:
    // another target of the list that is running is offered instead.
    for (const auto& line : lines) {
        const auto tab = line.find(u'\t');
        const std::u16string otherName = tab == std::u16string::npos ? u"" : line.substr(0, tab);
        const std::u16string other = tab == std::u16string::npos ? line : line.substr(tab + 1);
        if (other.empty() || other == targetProgID || s_.cad->targetState(other) != cad::TargetState::Running) {
            continue;
        }
        if (!s_.platform.dialogs->askYesNo(shownTarget(name, targetProgID) + u"は起動していませんが、" +
                                           shownTarget(otherName, other) + u"が起動しています。\n「" +
                                           (otherName.empty() ? other : otherName) + u"」に切り替えて" + command +
                                           u"しますか？")) {
            return false;
        }
        targetProgID = other;
        setCaption(targetCaption(kApplicationTitle, otherName));
        return true;
    }
    const std::u16string choose =
        u"別の CAD を使うときは、「取得」ボタンを右クリックしてターゲット CAD を選んでください。";
    bringSelfToFront();
    s_.platform.dialogs->showMessage(
        state == cad::TargetState::NotRegistered
            ? shownTarget(name, targetProgID) +
                  u"はこのコンピューターに登録されていません。\nその CAD がインストールされていないか、オートメーション"
                  u"を持たない製品（AutoCAD LT など）です。\n" +
                  choose
            : shownTarget(name, targetProgID) + u"が起動していません。\nCAD を起動して図面を開いてから、もう一度" +
                  command + u"してください。\n" + choose,
        MessageBoxKind::Error);
    return false;
}

namespace {

// What the CAD application or the system said goes to the user as the detail
// of a sentence that tells what became of the command.
template <typename F>
void explainingFailure(const char16_t* what, F&& command) {
    try {
        command();
    } catch (const Error& e) {
        throw Error(what + e.message());
    }
}

}  // namespace

void VivazQDLForm::stopCommand() {
    if (stoppable_) {
        stopRequested_ = true;
    }
}

void VivazQDLForm::runStoppable(const char16_t* name, const char16_t* failure, void (VivazQDLForm::*command)()) {
    runCommand([&] {
        struct Running {
            VivazQDLForm& f;
            Running(VivazQDLForm& form, const char16_t* name) : f(form) {
                f.stoppable_ = name;
                f.stopRequested_ = false;
                f.StopButton.setEnabled(true);
            }
            ~Running() {
                f.StopButton.setEnabled(false);
                f.stoppable_ = nullptr;
                f.stopRequested_ = false;
            }
        } running(*this, name);
        explainingFailure(failure, [&] { (this->*command)(); });
    });
}

void VivazQDLForm::closeIfAsked() {
    if (closeWhenStopped_ && !commandRunning()) {
        closeWhenStopped_ = false;
        if (s_.closeWindow) {
            s_.closeWindow();
        }
    }
}

void VivazQDLForm::Button1Click() {
    runStoppable(u"取得", u"取得できませんでした。CAD とのやり取りでエラーが起きました。\n", &VivazQDLForm::runGet);
}

void VivazQDLForm::runGet() {
    const bool running = findRunningTarget(u"取得");
    // A Get refills the grid from the drawing: edits not yet written would go.
    if (running && hasUnsavedEdits() &&
        !s_.platform.dialogs->askYesNo(
            u"図面にまだ書き込んでいない変更があります。\n取得すると、これらの変更は失われます。取得しますか？")) {
        return;
    }
    CheckBox1.setChecked(false);
    if (running) {
        Dispatch app = s_.cad->attach(targetProgID);
        bringCadToFront(app);
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        const cad::DocumentKey document = cad::documentKey(doc);
        const std::u16string caption = Caption();
        setCaption(document.shown());
        FetchWindow window(*this, app, document);
        // A stopped Get leaves the table as it was: the grid, and the records behind it.
        const TQdlLists listsBefore = lists;
        const cad::DocumentKey documentBefore = listsDocument_;
        const cad::FetchResult fetched = cad::fetchTable(doc, lists, window, *s_.platform.clock, fastPathOf(app));
        if (fetched.stopped) {
            lists = listsBefore;
            listsDocument_ = documentBefore;
            setCaption(caption);
            Memo1.add(u"[取得] " + format("中止しました (%d / %d 個目まで読みました)。", fetched.read, fetched.picked) +
                      u"表は取得前のままです。");
        } else {
            if (fetched.picked > 0) {
                ProgressBar1.setPosition(0);
                Memo1.add(format("%.3f sec", fetched.elapsedMs / 1000.0));
            }
            finishGet(doc);
        }
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
    runStoppable(u"更新", u"更新が途中で止まりました。それまでに書き込んだ変更は図面に残っています。\n",
                 &VivazQDLForm::runUpdate);
}

void VivazQDLForm::runUpdate() {
    const PendingMarksRefresh marks{*this};
    if (findRunningTarget(u"更新")) {
        Dispatch app = s_.cad->attach(targetProgID);
        bringCadToFront(app);
        // The progress and 中止 in view while the pass runs; Esc comes here.
        bringSelfToFront();
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        UpdateWindow window(*this);
        const bool rows = table.rowsChanged();
        cad::UpdateResult r;
        try {
            r = cad::updateTable(doc, listsDocument_, lists, textIndex_, table, window, fastPathOf(app),
                                 {rowGrowth(), tolerance()});
        } catch (const cad::RowsUnfinished& e) {
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
            if (r.stoppedAfter >= 0) {
                Memo1.add(u"[更新] " + format("中止しました (%d / %d セルまで)。", r.stoppedAfter, window.cells()) +
                          u"残りの変更は次の更新で書き込みます。");
            }
            s_.platform.windows->setForegroundWindow(app.get(u"HWND").toUInt64());
            doc.call(u"Regen", {Variant(std::int32_t{0})});
        }
    }
    ProgressBar1.setPosition(0);
    bringSelfToFront();
}

}  // namespace qx
