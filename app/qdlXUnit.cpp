#include "app/qdlXUnit.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "core/text.h"
#include "editor/gridEditing.h"

namespace qx {

namespace {
constexpr char16_t kSection[] = u"AcadQDL";
constexpr char16_t kTargetSection[] = u"Target";
}  // namespace

std::optional<std::int32_t> parseInteger(const std::u16string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == u' ') {
        ++b;
    }
    while (e > b && s[e - 1] == u' ') {
        --e;
    }
    std::string narrow;
    for (std::size_t i = b; i < e; ++i) {
        if (s[i] > 0x7F) {
            return std::nullopt;
        }
        narrow += static_cast<char>(s[i]);
    }
    // from_chars takes no plus sign; dropping one must not let "+-5" through.
    if (narrow.size() > 1 && narrow[0] == '+' && narrow[1] != '-') {
        narrow.erase(0, 1);
    }
    std::int32_t v = 0;
    const auto [ptr, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), v);
    if (narrow.empty() || ec != std::errc() || ptr != narrow.data() + narrow.size()) {
        return std::nullopt;
    }
    return v;
}

std::u16string settingsPathFor(const std::u16string& exePath) {
    const auto slash = exePath.find_last_of(u"\\/");
    const auto dot = exePath.find_last_of(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) {
        return exePath + u".ini";
    }
    return exePath.substr(0, dot) + u".ini";
}

SettingsFiles settingsFilesFor(const std::u16string& exePath, Folders* folders) {
    const std::u16string beside = settingsPathFor(exePath);
    const auto slash = beside.find_last_of(u"\\/");
    const std::u16string folder = slash == std::u16string::npos ? u"" : beside.substr(0, slash + 1);
    if (!folders || folders->canWrite(folder)) {
        return {beside, {beside}};
    }
    const std::u16string appData = folders->appDataFolder();
    if (appData.empty()) {
        return {beside, {beside}};  // nowhere better: closing says it cannot write
    }
    const std::u16string own = appData + u"QuadcelX\\" + beside.substr(slash + 1);
    return {own, {own, beside}};
}

std::optional<std::u16string> captionFromTargetList(const std::vector<std::u16string>& lines,
                                                    const std::u16string& progId) {
    if (const auto match = findTarget(lines, progId)) {
        return targetCaption(kApplicationTitle, std::u16string_view(lines[match->line]).substr(0, match->tab));
    }
    return std::nullopt;
}

VivazQDLForm::VivazQDLForm(Services services) : s_(std::move(services)) {
    StringGrid1.setModel(table);
    setCaption(kDesignedCaption);
    Width = 594;  // 578 x 349 client area in a sizeable frame; the peer sets the real size
    Height = 388;
    Button1.Caption = u"取得";
    Button1.Hint = u"右クリックで CAD 変更";
    Button2.Caption = u"更新 (Ctrl+Enter) ";
    Button2.setEnabled(false);
    StopButton.Caption = u"中止";
    StopButton.Hint = u"Esc キーでも中止できます";
    StopButton.setEnabled(false);
    StopButton.onClick = [this] { stopCommand(); };
    SpeedButton1.Caption = u"UNDO";
    CheckBox1.Caption = u"1行目固定";
    CheckBox2.Caption = u"Enter:[→]";
    CheckBox3.Caption = u"Enter:[↓]";
    CheckBox4.Caption = u"a -> A";
    Edit1.setText(u"0.1");
    CheckBox1.onClick = [this] { CheckBox1Click(); };
    CheckBox2.onClick = [this] { CheckBox2Click(); };
    CheckBox3.onClick = [this] { CheckBox3Click(); };
    // Panel 0 shows a cell's object ID, 16 hexadecimal digits at most.
    StatusBar1.Panels = {{u"", 120, StatusBar::Panel::Align::Left, idPanelText(-1)},
                         {u"", 120, StatusBar::Panel::Align::Center, u"新規作成不可"},
                         {u"入力候補表示 = [Ctrl+Space] / DblClick", 250, StatusBar::Panel::Align::Center, u""}};
    buildMenu();
}

VivazQDLForm::~VivazQDLForm() {
    FUndoCells.reset();
    if (filterRegistered_ && s_.revokeFilter) {
        s_.revokeFilter();
    }
}

void VivazQDLForm::buildMenu() {
    const std::pair<const char16_t*, const char16_t*> items[] = {
        {u"CAD1", u"ターゲット CAD"},
        {u"N22", u"-"},
        {u"N6", u"更新"},
        {u"N5", u"-"},
        {u"N1", u"カット ( Ctrl + X )"},
        {u"N2", u"コピー ( Ctrl + C )"},
        {u"N3", u"ペースト ( Ctrl + V )"},
        {u"N4", u"-"},
        {u"UNDO1", u"UNDO ( Ctrl + Z )"},
        {u"N7", u"-"},
        {u"N21", u"置換"},
        {u"N25", u"-"},
        {u"ROWUP1", u"上に行を挿入 ( Ctrl + Shift + + )"},
        {u"ROWDOWN1", u"下に行を挿入"},
        {u"ROWDEL1", u"行を削除 ( Ctrl + - )"},
        {u"RENUM1", u"選択した列に連番を振る"},
        {u"GROWUP1", u"表は上へ伸びる ( 1 が最下行 )"},
        {u"N20", u"-"},
        {u"N8", nullptr},
        {u"N9", nullptr},
        {u"N10", u"-"},
        {u"N11", nullptr},
        {u"N12", nullptr},
        {u"N13", nullptr},
        {u"N14", nullptr},
        {u"N15", u"-"},
        {u"N16", nullptr},
        {u"N17", nullptr},
        {u"N18", nullptr},
        {u"N19", nullptr},
        {u"N23", u"-"},
        {u"N24", u"バージョン情報"},
    };
    PopupMenu1.resize(std::size(items));
    for (std::size_t i = 0; i < std::size(items); ++i) {
        PopupMenu1[i].Name = items[i].first;
        // The width conversions take their captions from their own table.
        PopupMenu1[i].Caption = items[i].second ? items[i].second : widthMenuEntryFor(items[i].first)->caption;
    }
    menuItem(u"N6").setEnabled(false);
    menuItem(u"UNDO1").setEnabled(false);
    menuItem(u"N24").onClick = [this](MenuItem&) { N24Click(); };
    menuItem(u"N6").onClick = [this](MenuItem&) { N6Click(); };
    menuItem(u"UNDO1").onClick = [this](MenuItem&) { UNDO1Click(); };
    menuItem(u"N1").onClick = [this](MenuItem&) { N1Click(); };
    menuItem(u"N2").onClick = [this](MenuItem&) { N2Click(); };
    menuItem(u"N3").onClick = [this](MenuItem&) { N3Click(); };
    for (const auto& entry : widthMenuEntries)
        menuItem(std::u16string(entry.name)).onClick = [this](MenuItem& item) { N8Click(item); };
    menuItem(u"N21").onClick = [this](MenuItem&) { N21Click(); };
    menuItem(u"CAD1").onClick = [this](MenuItem&) { CAD1Click(); };
    menuItem(u"ROWUP1").onClick = [this](MenuItem&) { insertRow(false); };
    menuItem(u"ROWDOWN1").onClick = [this](MenuItem&) { insertRow(true); };
    menuItem(u"ROWDEL1").onClick = [this](MenuItem&) { deleteRows(); };
    menuItem(u"RENUM1").onClick = [this](MenuItem&) { renumberColumn(); };
    menuItem(u"GROWUP1").onClick = [this](MenuItem& item) { item.Checked = !item.Checked; };
    Button1.onRightMouseDown = [this] { CAD1Click(); };
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
    SpeedButton1.onClick = [this] { SpeedButton1Click(); };
    StringGrid1.onSelectCell = [this](int c, int r) { StringGrid1SelectCell(c, r); };
    StringGrid1.onClick = [this] { StringGrid1Click(); };
    StringGrid1.onGetEditText = [this](int c, int r) { StringGrid1GetEditText(c, r); };
    StringGrid1.onSetEditText = [this](int c, int r) { StringGrid1SetEditText(c, r); };
}

MenuItem& VivazQDLForm::menuItem(const std::u16string& name) {
    for (auto& m : PopupMenu1) {
        if (m.Name == name) {
            return m;
        }
    }
    throw Error(u"menu item " + name + u" does not exist");
}

SettingsFiles VivazQDLForm::settingsFiles() {
    return settingsFilesFor(s_.platform.exe->exePath(), s_.platform.folders);
}

void VivazQDLForm::FormCreate() {
    targetProgID = kDefaultProgID;
    startCol = startRow = -1;
    Memo1.clear();

    Profile& ini = *s_.platform.profile;
    const std::vector<std::u16string> files = settingsFiles().read;
    // The last file's value is the default of the one before it.
    auto readString = [&](const char16_t* section, const char16_t* key, std::u16string def) {
        for (auto f = files.rbegin(); f != files.rend(); ++f) {
            def = ini.readString(*f, section, key, def);
        }
        return def;
    };
    const ScreenSize screen = s_.platform.screen->primarySize();
    auto readInt = [&](const char16_t* key, std::int32_t def) {
        return parseInteger(readString(kSection, key, decimalText(def))).value_or(def);
    };
    auto readBool = [&](const char16_t* key) {
        const auto v = parseInteger(readString(kSection, key, u"0"));
        return v.value_or(0) != 0;
    };
    Left = readInt(u"Left", (screen.width - Width) / 2);
    Top = readInt(u"Top", (screen.height - Height) / 2);
    // In 64 bits: a stored position may be anything up to the largest integer.
    if (std::int64_t{Left} + Width > screen.width) {
        Left = screen.width - Width;
    }
    if (std::int64_t{Top} + Height > screen.height) {
        Top = screen.height - Height;
    }
    CheckBox2.setChecked(readBool(u"chk2"));
    CheckBox3.setChecked(readBool(u"chk3"));
    CheckBox4.setChecked(readBool(u"chk4"));
    Edit1.setText(readString(kSection, u"edt1", u"0.1"));
    // "FastPath=0", set by hand, keeps every automation call in QuadcelX's
    // own process; the key is only read, so it stays as the user wrote it.
    fastPathEnabled = parseInteger(readString(kSection, u"FastPath", u"1")).value_or(1) != 0;
    targetProgID = readString(kTargetSection, u"ProgID", targetProgID);
    menuItem(u"GROWUP1").Checked = readBool(u"RowsGrowUp");

    buildCaption();
    if (s_.registerFilter) {
        s_.registerFilter();
        filterRegistered_ = true;
    }
    FUndoCells = std::make_unique<TUndoCells>();
    if (!makeInputList && s_.inputList) {
        makeInputList = [this] {
            // The grid sits at (0, 41) of the window's client area.
            return qx::makeInputList(StringGrid1, *s_.inputList, *s_.platform.locale, *s_.platform.screen,
                                     cellScreenPos(StringGrid1, 0, 41, s_.gridClientToScreen));
        };
    }
}

void VivazQDLForm::buildCaption() {
    if (!s_.readTargetList) {
        return;
    }
    try {
        if (auto c = captionFromTargetList(s_.readTargetList(), targetProgID)) {
            setCaption(*c);
        }
    } catch (const Error& e) {
        // An unreadable list must not stop the window from opening; the
        // designed caption stays and the log says why.
        Memo1.add(e.message());
    }
}

void VivazQDLForm::offerBlockUndo() {
    menuItem(u"UNDO1").setEnabled(true);
}

void VivazQDLForm::N1Click() {
    runCommand([this] {
        copyToClipboard(StringGrid1, Memo1, s_.platform);
        clearCells(StringGrid1, StringGrid2, blockUndoState);
        offerBlockUndo();
    });
}

void VivazQDLForm::N2Click() {
    copyToClipboard(StringGrid1, Memo1, s_.platform);
}

void VivazQDLForm::N3Click() {
    runCommand([this] {
        pasteCells(StringGrid1, StringGrid2, blockUndoState, *s_.platform.clipboard);
        offerBlockUndo();
    });
}

void VivazQDLForm::N8Click(const MenuItem& item) {
    if (auto routine = widthRoutineForItem(item.Name)) {
        runCommand([&] {
            applyWidthConversion(*routine, StringGrid1, StringGrid2, StringGrid1.Selection(), *s_.platform.widths,
                                 s_.platform.pump);
            offerBlockUndo();
        });
    }
}

void VivazQDLForm::N21Click() {
    if (s_.replaceForm) {
        runCommand([this] {
            if (runReplace(*s_.replaceForm, StringGrid1, StringGrid2, StringGrid1.Selection(),
                           blockUndoState.undoSel)) {
                offerBlockUndo();
            }
        });
    }
}

void VivazQDLForm::CAD1Click() {
    if (s_.targetForm) {
        s_.targetForm->ShowModal();
    }
}

bool VivazQDLForm::hasUnsavedEdits() const {
    if (table.rowsChanged()) {
        return true;
    }
    for (int r = 1; r < StringGrid1.RowCount(); ++r) {
        for (int c = 1; c < StringGrid1.ColCount(); ++c) {
            if (pendingChangeAt(c, r) != CellChange::None) {
                return true;
            }
        }
    }
    return false;
}

bool VivazQDLForm::FormCloseQuery() {
    if (commandRunning()) {
        // Tearing the window down would pull the grid and the lists from under the command.
        const std::u16string question =
            stoppable_ ? std::u16string(u"「") + stoppable_ + u"」を実行中です。\n中止して終了しますか？"
                       : u"コマンドを実行中です。\n終わったら終了しますか？";
        if (s_.platform.dialogs->askYesNo(question)) {
            closeWhenStopped_ = true;
            stopCommand();
        }
        return false;
    }
    return !hasUnsavedEdits() ||
           s_.platform.dialogs->askYesNo(
               u"図面にまだ書き込んでいない変更があります。\n終了すると、これらの変更は失われます。終了しますか？");
}

void VivazQDLForm::FormClose() {
    Profile& ini = *s_.platform.profile;
    const std::u16string file = settingsFiles().write;
    if (s_.platform.folders && file != settingsPathFor(s_.platform.exe->exePath())) {
        // The profile functions make the file, not its folder. A failure shows below.
        s_.platform.folders->makeFolder(file.substr(0, file.find_last_of(u'\\') + 1));
    }
    auto b = [](bool on) { return std::u16string(on ? u"1" : u"0"); };
    // Every key is tried, so one failure loses no other; the window closes anyway.
    bool failed = false;
    auto write = [&](const char16_t* section, const char16_t* key, const std::u16string& value) {
        try {
            ini.writeString(file, section, key, value);
        } catch (const Error&) {
            failed = true;
        }
    };
    write(kSection, u"Left", decimalText(Left));
    write(kSection, u"Top", decimalText(Top));
    write(kSection, u"chk2", b(CheckBox2.Checked()));
    write(kSection, u"chk3", b(CheckBox3.Checked()));
    write(kSection, u"chk4", b(CheckBox4.Checked()));
    write(kSection, u"edt1", Edit1.Text());
    write(kSection, u"RowsGrowUp", b(menuItem(u"GROWUP1").Checked));
    write(kTargetSection, u"ProgID", targetProgID);
    if (failed) {
        s_.platform.dialogs->showMessage(u"設定ファイルに書き込めませんでした:\n" + file, MessageBoxKind::Error);
    }
}

void VivazQDLForm::CheckBox1Click() {
    if (StringGrid1.RowCount() < 3) {
        CheckBox1.setChecked(false);  // re-enters once with the box off
        StringGrid1.setFixedRows(1);
        return;
    }
    StringGrid1.setFixedRows(CheckBox1.Checked() ? 2 : 1);
}

void VivazQDLForm::CheckBox2Click() {
    if (CheckBox2.Checked()) {
        CheckBox3.setChecked(false);
    }
}

void VivazQDLForm::CheckBox3Click() {
    if (CheckBox3.Checked()) {
        CheckBox2.setChecked(false);
    }
}

std::u16string VivazQDLForm::aboutText() {
    return u"QuadrelX.exe 2023.08.10\n© QuadcelX の開発者たち";
}

void VivazQDLForm::N24Click() {
    s_.platform.dialogs->showMessage(aboutText(), MessageBoxKind::Information);
}

double VivazQDLForm::tolerance() {
    return s_.platform.locale->parseDouble(Edit1.Text()).value_or(0.1);
}

}  // namespace qx
