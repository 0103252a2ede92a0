#include "widgets/widgets.h"

#include <algorithm>

#include "core/text.h"
#include "platform/platform.h"

namespace qx {

void Control::setEnabled(bool on) {
    if (enabled_ != on) {
        enabled_ = on;
        changed();
    }
}

void Control::setVisible(bool on) {
    if (visible_ != on) {
        visible_ = on;
        changed();
    }
}

void CheckBox::setChecked(bool on) {
    if (checked_ == on) {
        return;
    }
    checked_ = on;
    changed();
    if (onClick) {
        onClick();
    }
}

void Edit::setText(std::u16string t) {
    if (text_ == t) {
        return;
    }
    text_ = std::move(t);
    changed();
}

void Memo::clear() {
    lines_.clear();
    caretLine_ = topLine_ = 0;
    ++replacements_;
    changed();
}

void Memo::add(std::u16string line) {
    lines_.push_back(std::move(line));
    caretLine_ = static_cast<int>(lines_.size()) - 1;  // appending leaves the caret at the end
    changed();
}

void Memo::setText(const std::u16string& text) {
    lines_ = splitLines(text);
    caretLine_ = std::max(static_cast<int>(lines_.size()) - 1, 0);
    topLine_ = 0;
    ++replacements_;
    changed();
}

void Memo::scrollTo(int top, int caret) {
    topLine_ = std::max(top, 0);
    caretLine_ = std::max(caret, 0);
    ++scrollRequests_;
    changed();
}

std::u16string Memo::text() const {
    std::u16string out;
    for (const auto& l : lines_) {
        out += l;
        out += u"\r\n";
    }
    return out;
}

void ListBox::setItemIndex(int i) {
    if (i < -1 || i >= static_cast<int>(items_.size())) {
        throw Error(u"リストのインデックスが範囲外です (" + decimalText(i) + u")");
    }
    index_ = i;
    changed();
}

int ListBox::add(std::u16string item) {
    auto pos = items_.end();
    if (Sorted) {
        auto cmp = less ? less : [](const std::u16string& a, const std::u16string& b) { return a < b; };
        pos = std::upper_bound(items_.begin(), items_.end(), item, cmp);
    }
    const int at = static_cast<int>(pos - items_.begin());
    insertAt(at, std::move(item));
    return at;
}

void ListBox::insertAt(int i, std::u16string item) {
    if (i < 0 || i > static_cast<int>(items_.size())) {
        throw Error(u"リストのインデックスが範囲外です (" + decimalText(i) + u")");
    }
    items_.insert(items_.begin() + i, std::move(item));
    if (index_ >= i) {
        ++index_;
    }
    changed();
}

void ListBox::replaceAt(int i, std::u16string item) {
    if (i < 0 || i >= static_cast<int>(items_.size())) {
        throw Error(u"リストのインデックスが範囲外です (" + decimalText(i) + u")");
    }
    items_[i] = std::move(item);
    changed();
}

void ListBox::removeAt(int i) {
    if (i < 0 || i >= static_cast<int>(items_.size())) {
        throw Error(u"リストのインデックスが範囲外です (" + decimalText(i) + u")");
    }
    items_.erase(items_.begin() + i);
    if (index_ == i) {
        index_ = -1;
    } else if (index_ > i) {
        --index_;
    }
    changed();
}

void ListBox::clear() {
    items_.clear();
    index_ = -1;
    changed();
}

void StatusBar::setPanelText(std::size_t i, std::u16string t) {
    if (i >= Panels.size()) {
        throw Error(u"ステータスバーのパネルがありません");
    }
    if (Panels[i].Text != t) {
        Panels[i].Text = std::move(t);
        changed();
    }
}

void ProgressBar::setMax(int m) {
    max_ = m;
    position_ = std::min(position_, max_);
    changed();
}

void ProgressBar::setPosition(int p) {
    position_ = std::clamp(p, 0, std::max(max_, 0));
    changed();
}

void Form::setCaption(std::u16string c) {
    caption_ = std::move(c);
    changed();
}

ModalResult Form::ShowModal() {
    modalResult_ = ModalResult::None;
    setVisible(true);
    ModalResult r = runModal ? runModal(*this) : ModalResult::Cancel;
    if (modalResult_ != ModalResult::None) {
        r = modalResult_;
    }
    modalResult_ = r;
    setVisible(false);
    return r;
}

void Form::closeModal(ModalResult r) {
    modalResult_ = r;
}

}  // namespace qx
