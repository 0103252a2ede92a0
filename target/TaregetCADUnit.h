// The target dialog: keeps the list of target applications in the target list
// file and hands the chosen one to the main window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "target/targetList.h"
#include "widgets/widgets.h"

namespace qx {

class TTargetCADForm : public Form {
public:
    // The main window's side of the dialog.
    struct Host {
        std::u16string applicationTitle = u"QuadcelX";
        std::function<std::u16string()> targetProgID;  // the current target
        // OK: the main window's new caption and target.
        std::function<void(const std::u16string& caption, const std::u16string& progId)> takeTarget;
    };

    TTargetCADForm(FileSystem& files, Locale& locale, ExeInfo& exe, Host host);

    struct Label {
        std::u16string Caption;
    };

    ListBox ListBox1;  // whole lines of the file, sorted by the locale's collation
    Label Label1, Label2;
    Edit Edit1;                                       // name
    Edit Edit2;                                       // identifier
    Button SpeedButton1, SpeedButton2, SpeedButton3;  // 追加, 削除, 変更
    Button Button1, Button2;                          // OK, 取り消し

    // Reads the list, then runs the modal loop. Hides Form::ShowModal because
    // the list must be read at every showing; a failed read shows nothing.
    ModalResult ShowModal();
    void FormShow();
    void ListBox1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    // Enter in either box runs 変更 and is consumed. Serves Edit1 and Edit2.
    bool Edit1KeyDown(int key);
    void Button1Click();
    void Button2Click() { closeModal(ModalResult::Cancel); }

    std::u16string listPath() { return targetListPath(exe_); }
    // The encoding the list is written in: that of the last successful read.
    TextEncoding encoding() const { return encoding_; }

private:
    void select(int i);  // -1 selects nothing; an entry fills the boxes
    std::u16string lineFromBoxes() const { return Edit1.Text() + u"\t" + Edit2.Text(); }
    void writeList();

    FileSystem& files_;
    Locale& locale_;
    ExeInfo& exe_;
    Host host_;
    TextEncoding encoding_ = TextEncoding::Ansi;
    // The last read found the file unreadable: its content is not in the list,
    // so writing the list would destroy it.
    bool lastReadFailed_ = false;
};

}  // namespace qx
