// The grid's in-place editor: an EDIT child over the current cell that shows
// the model's editor text and hands the user's typing back to the model.
#include "widgets/stringGridWin32.h"

#include <commctrl.h>

#include <algorithm>

#include "core/winText.h"
#include "platform/platform.h"
#include "platform/platformWin32.h"
#include "widgets/keyCodes.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

using win::wideView;

std::u16string editText(const std::u16string& value) {
    std::u16string out;
    out.reserve(value.size());
    for (const char16_t ch : value) {
        if (ch == u'\n') {
            out += u'\r';  // an edit box breaks lines at CR LF
        }
        out += ch;
    }
    return out;
}

std::u16string valueOfEditText(std::u16string text) {
    std::erase(text, u'\r');
    return text;
}

void GridControl::createEditor() {
    // Multi-line, so that a value of several lines can be edited (Alt+Enter breaks a line).
    edit_ =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_LEFT | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, 0, 0, 0,
                        0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)), GetModuleHandleW(nullptr), nullptr);
    if (!edit_) {
        throw Error(u"グリッドの編集欄を作れません: " + win::systemMessage(GetLastError()));
    }
    editMessages_ = [this](HWND e, UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT result = 0;
        runGuarded([&] { result = handleEdit(e, msg, wp, lp); });
        return result;
    };
    subclassWindow(edit_, editMessages_);
}

void GridControl::syncEditor() {
    if (!edit_) {
        return;
    }
    if (!m_.EditorMode()) {
        if (editorShown_) {
            hideEdit();
        }
        return;
    }
    const int c = m_.Col(), r = m_.Row();
    if (editorShown_ && (c != editorCol_ || r != editorRow_)) {
        // The current cell moved away under an open editor (a selection set from outside):
        // the edited cell already holds the text, so close without writing it elsewhere.
        m_.editorTakeUp();
        m_.hideEditor();
        return;
    }
    // A text set into the cell from outside reaches the open editor.
    if (m_.validCell(c, r) && m_.Cells(c, r) != m_.editorText()) {
        m_.editorTakeUp();
    }
    const std::u16string& text = m_.editorText();
    if (!editorShown_) {
        editorShown_ = true;
        editorCol_ = c;
        editorRow_ = r;
        settingEditText_ = true;
        SetWindowTextW(edit_, wideView(editText(text)));
        settingEditText_ = false;
        SendMessageW(edit_, EM_SETSEL, 0, -1);
        SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
        placeEditor();
        if (GetFocus() == hwnd_) {
            SetFocus(edit_);
        }
        return;
    }
    if (valueOfEditText(windowText(edit_)) != text) {
        const std::u16string shown = editText(text);
        settingEditText_ = true;
        SetWindowTextW(edit_, wideView(shown));
        settingEditText_ = false;
        SendMessageW(edit_, EM_SETSEL, shown.size(), shown.size());
    }
    placeEditor();
}

void GridControl::placeEditor() {
    if (!editorShown_ || !edit_) {
        return;
    }
    const RECT rc = cellRect(editorCol_, editorRow_);
    if (IsRectEmpty(&rc)) {
        // Scrolled out of view: keep the editor and its focus, out of sight.
        SetWindowPos(edit_, HWND_TOP, -32000, -32000, 10, 10, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return;
    }
    // The same vertical place as the cell's painted text.
    const int h = rc.bottom - rc.top;
    const auto lines = 1 + std::count(m_.editorText().begin(), m_.editorText().end(), u'\n');
    const int offset = std::max(0, (h - static_cast<int>(lines) * lineHeight_) / 2);
    SetWindowPos(edit_, HWND_TOP, rc.left, rc.top + offset, rc.right - rc.left, h - offset,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void GridControl::hideEdit() {
    editorShown_ = false;
    editorCol_ = editorRow_ = -1;
    const bool hadFocus = GetFocus() == edit_;
    ShowWindow(edit_, SW_HIDE);
    if (hadFocus) {
        SetFocus(hwnd_);
    }
}

char16_t GridControl::keyPressed(char16_t ch) const {
    const unsigned held = modifiers();
    return onKeyPress ? onKeyPress(ch, held & 4, held & 1) : ch;
}

void GridControl::typed(char16_t ch) {
    if (editorShown_ && m_.EditorMode()) {
        // A character that still reached the grid belongs to the open editor.
        SendMessageW(edit_, WM_CHAR, ch, 0);
        return;
    }
    const char16_t key = keyPressed(ch);
    if (key == 0 || !o_.editing) {
        return;
    }
    if (key == Key::Enter) {
        m_.toggleEditor();
        return;
    }
    if (key == Key::Back) {
        // Backspace on a closed editor: the cell's text goes, the editor stays open.
        m_.showEditor();
        m_.editorChange(u"");
        return;
    }
    if (key < Key::Space || key == Key::CtrlBack) {
        return;  // Escape, Tab and the Ctrl letters type nothing
    }
    m_.typeChar(key);
    if (editorShown_) {
        const LRESULT n = GetWindowTextLengthW(edit_);
        SendMessageW(edit_, EM_SETSEL, n, n);
    }
}

bool GridControl::openEditorForIme() {
    if (!o_.editing) {
        return false;
    }
    if (!m_.EditorMode()) {
        m_.showEditor();  // all of the old text selected: the composition replaces it
    }
    if (editorShown_ && GetFocus() != edit_) {
        SetFocus(edit_);
    }
    return editorShown_;
}

LRESULT GridControl::handleEdit(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB |
                   DefSubclassProc(edit, msg, wp, lp);
        case WM_KEYDOWN:
            // Up, down and the page keys leave the cell; left and right stay in the text.
            switch (wp) {
                case VK_UP:
                case VK_DOWN:
                case VK_PRIOR:
                case VK_NEXT:
                    keyDown(static_cast<UINT>(wp));
                    return 0;
                case VK_TAB:
                    if (o_.tabs) {
                        keyDown(VK_TAB);
                        return 0;
                    }
                    break;
                default:
                    break;
            }
            break;
        case WM_CHAR:
            editTyped(edit, static_cast<char16_t>(wp), lp);
            return 0;
        case WM_SYSKEYDOWN:
            if (wp == VK_RETURN) {
                // Alt+Enter breaks the line, as in a spreadsheet.
                SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
                return 0;
            }
            break;
        case WM_SYSCHAR:
            if (wp == VK_RETURN) {
                return 0;  // the line break is made; no beep
            }
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            // The editor handles the key first, then the grid's key-release handler sees it.
            const LRESULT r = DefSubclassProc(edit, msg, wp, lp);
            std::uint16_t key = static_cast<std::uint16_t>(wp);
            if (onKeyUp) {
                onKeyUp(key, modifiers());
            }
            return r;
        }
        case WM_UNDO:
        case EM_UNDO:
            return m_.editorUndo() ? TRUE : FALSE;
        case WM_LBUTTONDBLCLK: {
            const LRESULT r = DefSubclassProc(edit, msg, wp, lp);
            if (onDblClick) {
                onDblClick();
            }
            return r;
        }
        default:
            break;
    }
    return DefSubclassProc(edit, msg, wp, lp);
}

void GridControl::editTyped(HWND edit, char16_t ch, LPARAM lp) {
    const char16_t key = keyPressed(ch);
    if (key == 0) {
        return;
    }
    if (key == Key::Enter) {
        m_.toggleEditor();  // closes this editor, or opens one on the cell the handler moved to
        return;
    }
    if (!editorShown_ || !m_.EditorMode()) {
        return;  // the handler closed the editor
    }
    switch (key) {
        case Key::Escape:  // the key-press handler undoes; the editor stays open
        case Key::Tab:
        case Key::LineFeed:
            return;
        case Key::CtrlZ:  // the editor's own single step
            m_.editorUndo();
            return;
        default:
            DefSubclassProc(edit, WM_CHAR, key, lp);
    }
}

}  // namespace qx::win32
