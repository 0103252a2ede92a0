// Portable models of the simple controls the forms use. Each holds the
// control's state and raises its notifications; a Win32 peer shows it and
// turns window messages into calls on the model.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

// Every model can tell its peer that its state changed.
class Control {
public:
    virtual ~Control() = default;
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    bool Visible() const { return visible_; }
    void setVisible(bool on);
    std::function<void()> onChanged;  // the peer refreshes

protected:
    void changed() {
        if (onChanged) {
            onChanged();
        }
    }

private:
    bool enabled_ = true;
    bool visible_ = true;
};

class Button : public Control {
public:
    std::u16string Caption;
    std::u16string Hint;
    std::function<void()> onClick;
    std::function<void()> onRightMouseDown;
    void click() {
        if (Enabled() && onClick) {
            onClick();
        }
    }
};

class CheckBox : public Control {
public:
    std::u16string Caption;
    bool Checked() const { return checked_; }
    // Raises onClick on every change of state, as a user's click would.
    void setChecked(bool on);
    std::function<void()> onClick;

private:
    bool checked_ = false;
};

class Edit : public Control {
public:
    const std::u16string& Text() const { return text_; }
    void setText(std::u16string t);
    std::function<bool(int key)> onKeyDown;  // returns true when it consumed the key

private:
    std::u16string text_;
};

// A multi-line text box; the log.
class Memo : public Control {
public:
    const std::vector<std::u16string>& Lines() const { return lines_; }
    void clear();
    void add(std::u16string line);
    // Replaces the whole content; CR LF, LF or CR separate lines.
    void setText(const std::u16string& text);
    std::u16string text() const;  // lines joined by CR LF, each ending in one
    // Counts clear and setText: while it stays the same, lines were only added.
    std::uint64_t replacements() const { return replacements_; }

    // The view: its first visible line and the line that holds the caret
    // (from 0). The peer reports what it shows; scrollTo asks it to show them.
    int topLine() const { return topLine_; }
    int caretLine() const { return caretLine_; }
    void scrollTo(int top, int caret);
    std::uint64_t scrollRequests() const { return scrollRequests_; }
    void viewShown(int top, int caret) {
        topLine_ = top;
        caretLine_ = caret;
    }

private:
    std::vector<std::u16string> lines_;
    std::uint64_t replacements_ = 0, scrollRequests_ = 0;
    int topLine_ = 0, caretLine_ = 0;
};

class ListBox : public Control {
public:
    const std::vector<std::u16string>& Items() const { return items_; }
    int ItemIndex() const { return index_; }  // -1: nothing selected
    void setItemIndex(int i);
    // A sorted list keeps its items in order by `less` (the platform's collation).
    bool Sorted = false;
    std::function<bool(const std::u16string&, const std::u16string&)> less;
    int add(std::u16string item);  // returns the position it took
    void insertAt(int i, std::u16string item);
    void replaceAt(int i, std::u16string item);
    void removeAt(int i);
    void clear();
    std::function<void()> onClick;  // the user chose an item

private:
    std::vector<std::u16string> items_;
    int index_ = -1;
};

class StatusBar : public Control {
public:
    struct Panel {
        std::u16string Text;
        int Width = 0;  // at 96 dpi; at least as wide as Widest needs
        enum class Align { Left, Center } Alignment = Align::Left;
        std::u16string Widest;  // the longest text the panel shows
    };
    std::vector<Panel> Panels;
    void setPanelText(std::size_t i, std::u16string t);
};

class ProgressBar : public Control {
public:
    int Max() const { return max_; }
    int Position() const { return position_; }
    void setMax(int m);
    void setPosition(int p);

private:
    int max_ = 100;
    int position_ = 0;
};

class MenuItem : public Control {
public:
    std::u16string Name;
    std::u16string Caption;  // "-" is a separator
    bool Checked = false;    // shown with a check mark
    std::function<void(MenuItem&)> onClick;
    void click() {
        if (Enabled() && onClick) {
            onClick(*this);
        }
    }
};

enum class ModalResult { None, OK, Cancel };

// A top-level window. ShowModal hands the modal loop to the peer (or a test).
class Form : public Control {
public:
    Form() { setVisible(false); }
    const std::u16string& Caption() const { return caption_; }
    void setCaption(std::u16string c);
    int Left = 0, Top = 0, Width = 0, Height = 0;
    ModalResult ShowModal();
    void closeModal(ModalResult r);  // ends the modal loop with r
    ModalResult modalResult() const { return modalResult_; }
    // Runs the modal loop until closeModal; returns the result.
    std::function<ModalResult(Form&)> runModal;

private:
    std::u16string caption_;
    ModalResult modalResult_ = ModalResult::None;
};

}  // namespace qx
