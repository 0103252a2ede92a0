#include "target/TaregetCADUnit.h"

namespace qx {

namespace {
constexpr int kEnter = 13;
}

TTargetCADForm::TTargetCADForm(FileSystem& files, Locale& locale, ExeInfo& exe, Host host)
    : files_(files), locale_(locale), exe_(exe), host_(std::move(host)) {
    setCaption(u"ターゲット CAD");
    Width = 315;
    Height = 307;
    ListBox1.Sorted = true;
    ListBox1.less = [this](const std::u16string& a, const std::u16string& b) {
        return locale_.compareNoCase(a, b) < 0;
    };
    Label1.Caption = u"名称 （説明）";
    Label2.Caption = u"ProgID （クラス文字列）";
    SpeedButton1.Caption = u"追加";
    SpeedButton2.Caption = u"削除";
    SpeedButton3.Caption = u"変更";
    Button1.Caption = u"OK";
    Button2.Caption = u"取り消し";

    ListBox1.onClick = [this] { ListBox1Click(); };
    SpeedButton1.onClick = [this] { SpeedButton1Click(); };
    SpeedButton2.onClick = [this] { SpeedButton2Click(); };
    SpeedButton3.onClick = [this] { SpeedButton3Click(); };
    Button1.onClick = [this] { Button1Click(); };
    Button2.onClick = [this] { Button2Click(); };
    Edit1.onKeyDown = [this](int key) { return Edit1KeyDown(key); };
    Edit2.onKeyDown = [this](int key) { return Edit1KeyDown(key); };
}

ModalResult TTargetCADForm::ShowModal() {
    FormShow();
    return Form::ShowModal();
}

void TTargetCADForm::FormShow() {
    const std::u16string path = listPath();
    if (!files_.exists(path)) {
        lastReadFailed_ = false;  // nothing there that a write could destroy
        return;
    }
    TargetListText read;
    try {
        read = readTargetList(files_, locale_, path);
    } catch (const Error&) {
        lastReadFailed_ = true;  // the list stays as it was
        throw;
    }
    lastReadFailed_ = false;
    encoding_ = read.encoding;
    ListBox1.clear();
    for (auto& line : read.lines) {
        ListBox1.add(std::move(line));
    }
    if (const auto match = findTarget(ListBox1.Items(), host_.targetProgID ? host_.targetProgID() : std::u16string())) {
        select(static_cast<int>(match->line));
    }
}

void TTargetCADForm::select(int i) {
    ListBox1.setItemIndex(i);
    if (i >= 0) {
        ListBox1Click();
    }
}

void TTargetCADForm::ListBox1Click() {
    const int i = ListBox1.ItemIndex();
    if (i < 0) {
        return;
    }
    TargetEntry e = splitTargetEntry(ListBox1.Items()[static_cast<std::size_t>(i)]);
    Edit1.setText(std::move(e.name));
    Edit2.setText(std::move(e.progId));
}

void TTargetCADForm::SpeedButton1Click() {
    const std::u16string line = lineFromBoxes();
    ListBox1.add(line);
    // The first equal entry, ignoring case: not always the one just added.
    const auto& items = ListBox1.Items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (locale_.compareNoCase(items[i], line) == 0) {
            select(static_cast<int>(i));
            break;
        }
    }
    writeList();
}

void TTargetCADForm::SpeedButton2Click() {
    const int p = ListBox1.ItemIndex();
    Edit1.setText(u"");
    Edit2.setText(u"");
    if (!ListBox1.Items().empty()) {
        if (p < 0) {
            throw Error(u"削除する項目が選ばれていません。リストから項目を選んでから削除してください。");
        }
        ListBox1.removeAt(p);
        const int n = static_cast<int>(ListBox1.Items().size());
        select(p + 1 < n ? p : p - 1);  // p - 1 is -1, nothing, when the first went
    }
    writeList();
}

void TTargetCADForm::SpeedButton3Click() {
    const int p = ListBox1.ItemIndex();
    if (p < 0) {
        throw Error(u"変更する項目が選ばれていません。リストから項目を選んでから変更してください。");
    }
    // Stays at its place even out of order; the next read sorts it.
    ListBox1.replaceAt(p, lineFromBoxes());
    writeList();
}

bool TTargetCADForm::Edit1KeyDown(int key) {
    if (key != kEnter) {
        return false;
    }
    SpeedButton3Click();
    return true;
}

void TTargetCADForm::Button1Click() {
    if (host_.takeTarget) {
        host_.takeTarget(targetCaption(host_.applicationTitle, Edit1.Text()), Edit2.Text());
    }
    closeModal(ModalResult::OK);
}

void TTargetCADForm::writeList() {
    const std::u16string path = listPath();
    if (lastReadFailed_ && files_.exists(path)) {
        throw Error(u"ターゲット CAD のリスト " + path +
                    u" は読めなかったため、上書きしません。ファイルを直すか、別の名前に変えてください。");
    }
    writeTargetList(files_, locale_, path, ListBox1.Items(), encoding_);
    lastReadFailed_ = false;
}

}  // namespace qx
