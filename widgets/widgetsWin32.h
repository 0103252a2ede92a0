// Win32 peers of the simple widget models, and the top-level window that
// hosts them: placing at 96 dpi scaled to the window's DPI, anchors, fonts,
// WM_COMMAND routing, modal loops, and one error guard around every handler.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/winOwners.h"
#include "widgets/widgets.h"
#include "widgets/windowWin32.h"

namespace qx::win32 {

// Every window procedure of the program runs its handlers through this:
// an error that a handler does not catch is shown (by the report that is set,
// else in a message box), and the program goes on.
void setErrorReport(std::function<void(const std::u16string& message)> report);
void guarded(const std::function<void()>& handler);

// A window's text.
std::u16string windowText(HWND hwnd);

enum Anchor : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };

// One child control: its place at 96 dpi, anchors and font.
class Peer {
public:
    virtual ~Peer() = default;
    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }
    RECT place{};  // left, top, right, bottom in 96-dpi client pixels
    unsigned anchors = kLeft | kTop;
    FontSpec font;
    // A WM_COMMAND notification for this control.
    virtual void command(WORD) {}
    // The model changed: show it.
    virtual void sync() {}
    // Stays behind the controls that overlap it.
    virtual bool staysBehindSiblings() const { return false; }
    // The width, in device pixels, that shows all of what the control holds
    // in its font (selected into dc); 0: its designed width is right.
    virtual int fitWidth(HDC) const { return 0; }
    bool cutBack = false;  // a later control overlaps it: its window region leaves that part out

protected:
    friend class FormWindow;
    // Creates the window; the host places it and sets its font afterwards.
    HWND create(HWND parent, int id, const wchar_t* cls, const std::u16string& text, DWORD style, DWORD exStyle = 0);
    // Messages to the control itself (subclassed); return true when handled.
    virtual bool handleOwnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    void subclass();
    HWND hwnd_ = nullptr;
    int id_ = 0;

private:
    SubclassHandler ownMessages_;
};

class ButtonPeer : public Peer {
public:
    ButtonPeer(Button& model, bool flat = false) : m_(model), flat_(flat) {}
    ~ButtonPeer() override { m_.onChanged = nullptr; }
    void build(HWND parent, int id);
    void command(WORD code) override;
    void sync() override;
    int fitWidth(HDC dc) const override;
    HWND tooltip = nullptr;

private:
    bool handleOwnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override;
    Button& m_;
    bool flat_;
};

class CheckBoxPeer : public Peer {
public:
    explicit CheckBoxPeer(CheckBox& model) : m_(model) {}
    ~CheckBoxPeer() override { m_.onChanged = nullptr; }
    void build(HWND parent, int id);
    void command(WORD code) override;
    void sync() override;
    int fitWidth(HDC dc) const override;

private:
    CheckBox& m_;
};

struct EditOptions {
    bool rightAligned = false;
    bool imeOff = false;
    bool password = false;
    bool widensToText = false;  // laid out wide enough for the text it holds
};

class EditPeer : public Peer {
public:
    EditPeer(Edit& model, EditOptions options = {}) : m_(model), o_(options) {}
    ~EditPeer() override { m_.onChanged = nullptr; }
    void build(HWND parent, int id);
    void command(WORD code) override;
    void sync() override;
    int fitWidth(HDC dc) const override;

private:
    bool handleOwnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override;
    Edit& m_;
    EditOptions o_;
    bool syncing_ = false;
};

// The read-only log: appends new lines and shows the end, or shows where the
// model asks it to.
class MemoPeer : public Peer {
public:
    explicit MemoPeer(Memo& model) : m_(model) {}
    ~MemoPeer() override { m_.onChanged = nullptr; }
    void build(HWND parent, int id);
    void sync() override;

private:
    Memo& m_;
    std::size_t shown_ = 0;  // lines sent since the content was last replaced
    std::uint64_t shownReplacements_ = 0, shownScrollRequests_ = 0;
};

class ProgressPeer : public Peer {
public:
    explicit ProgressPeer(ProgressBar& model) : m_(model) {}
    ~ProgressPeer() override { m_.onChanged = nullptr; }
    void build(HWND parent, int id);
    void sync() override;

private:
    ProgressBar& m_;
    int shownMax_ = -1, shownFilled_ = -1;
    DWORD shownAt_ = 0;
};

class StatusBarPeer : public Peer {
public:
    explicit StatusBarPeer(StatusBar& model) : m_(model) {}
    ~StatusBarPeer() override;
    void build(HWND parent, int id);
    void sync() override;
    void resized();  // the host's size changed

private:
    bool handleOwnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override;
    void show();
    StatusBar& m_;
    double scale_ = 1;
    std::vector<std::u16string> shown_;
    DWORD shownAt_ = 0;
    bool timer_ = false;
};

class ListBoxPeer : public Peer {
public:
    ListBoxPeer(ListBox& model, int itemHeight = 0) : m_(model), itemHeight_(itemHeight) {}
    ~ListBoxPeer() override { m_.onChanged = nullptr; }
    void build(HWND parent, int id);
    void command(WORD code) override;
    void sync() override;
    int fitWidth(HDC dc) const override;
    std::function<void()> onDblClick;
    std::function<bool(int key)> onKeyDown;  // true: consumed

private:
    bool handleOwnMessage(UINT msg, WPARAM, LPARAM, LRESULT&) override;
    void setTabStop();
    ListBox& m_;
    int itemHeight_;
    int tabPixels_ = 0;
    std::vector<std::u16string> shown_;
};

class LabelPeer : public Peer {
public:
    explicit LabelPeer(std::u16string text) : text_(std::move(text)) {}
    void build(HWND parent, int id);
    int fitWidth(HDC dc) const override;

private:
    std::u16string text_;
};

// A lowered bevel behind a group of controls (they stay children of the form,
// so their notifications reach it).
class PanelPeer : public Peer {
public:
    void build(HWND parent, int id);
    bool staysBehindSiblings() const override { return true; }
};

struct FormStyle {
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    UINT classStyle = 0;
    int clientWidth = 0, clientHeight = 0;  // at 96 dpi
    bool outerSize = false;                 // the two sizes are the window's outer size
    FontSpec font;
};

// A top-level window over a Form model.
class FormWindow : public Window {
public:
    FormWindow(Form& model, FormStyle style, HWND owner = nullptr);
    ~FormWindow() override;

    Form& model() { return m_; }
    double scale() const { return dpi_ / 96.0; }
    int scaled(int px) const { return MulDiv(px, dpi_, 96); }

    // Adds a child control at its 96-dpi place.
    template <typename P, typename... Args>
    P& add(RECT place, unsigned anchors, FontSpec font, Args&&... args) {
        auto peer = std::make_unique<P>(std::forward<Args>(args)...);
        P& p = *peer;
        p.place = place;
        p.anchors = anchors;
        p.font = font;
        p.build(hwnd_, static_cast<int>(100 + peers_.size()));
        adopt(std::move(peer));
        return p;
    }
    // Places every child for the current client size and DPI. A control
    // whose text needs more than its designed width gets it, and the controls
    // beside it on its right move over; the window grows when its design size
    // no longer holds them (the design size is the least it has).
    void layout();
    // Shows the window modally over owner until the model's closeModal.
    ModalResult runModal(HWND owner);
    // Centres the window over another window, or the primary screen when null.
    void centreOver(HWND other);
    // The window's own messages; return true when handled.
    std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> onMessage;
    // The close box: Cancel for a modal window, else onClose.
    std::function<void()> onClose;
    // The control that has the keyboard focus when the window is activated
    // for the first time; afterwards the one that had it when it was left.
    HWND defaultFocus = nullptr;

protected:
private:
    void adopt(std::unique_ptr<Peer> peer);
    void giveWayToLaterControls();
    void applyFont(Peer& p);
    void syncCaption();
    std::vector<RECT> fittedPlaces(int dw, int dh, int& neededWidth);
    SIZE minimumWindowSize() const;
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override;

    Form& m_;
    FormStyle style_;
    int dpi_ = 96;
    int minClientWidth_ = 0;  // device pixels, after fitting
    bool modal_ = false;
    HWND focus_ = nullptr;  // the focused control when the window was last left
    std::vector<std::unique_ptr<Peer>> peers_;
    std::vector<win::GdiObject<HFONT>> fonts_;
};

// The DPI of a window (96 where the system cannot tell).
int windowDpi(HWND hwnd);

}  // namespace qx::win32
