#include "app/programWin32.h"

#include <commctrl.h>

#include "cad/com/fastPathRegistration.h"
#include "cad/com/messageFilter.h"
#include "cad/fastPath.h"
#include "core/winText.h"
#include "target/targetList.h"

namespace qx::win32 {

win::ComApartment Program::initialiseThread() {
    win::ComApartment apartment;
    if (apartment) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
    }
    return apartment;
}

Program::Program(cad::CadConnector* cad) {
    VivazQDLForm::Services s;
    s.platform = platform();
    // Held here as well as by COM while registered, so it goes even when the
    // form never registers it.
    filter_ = win::ComPtr<cad::com::TMessageFilter>::share(new cad::com::TMessageFilter);
    s.registerFilter = [filter = filter_.get()] { filter->RegisterFilter(); };
    s.revokeFilter = [filter = filter_.get()] { filter->RevokeFilter(); };
    s.readTargetList = [this] { return readTargetListLines(files, locale, targetListPath(exe)); };
    s.cad = cad ? cad : &connector;
    s.ownHandle = [this] { return reinterpret_cast<std::uint64_t>(mainWindow->hwnd()); };
    s.setMinimized = [this](bool minimized) { ShowWindow(mainWindow->hwnd(), minimized ? SW_MINIMIZE : SW_RESTORE); };
    s.inputList = &inputList;
    s.replaceForm = &replace;
    s.gridClientToScreen = [this](int& x, int& y) { return mainWindow->gridToScreen(x, y); };
    // The fast path's DLL ships beside the executable; the CAD application
    // finds it through the user's registration, which needs no administrator.
    s.registerFastPath = [this] {
        const std::u16string dll = exe.exeFolder() + cad::kFastPathDll;
        if (GetFileAttributesW(win::wideView(dll)) != INVALID_FILE_ATTRIBUTES)
            cad::com::registerFastPath(HKEY_CURRENT_USER, win::wideView(dll));
    };
    target = std::make_unique<TTargetCADForm>(
        files, locale, exe,
        TTargetCADForm::Host{kApplicationTitle, [this] { return form->targetProgID; },
                             [this](const std::u16string& caption, const std::u16string& id) {
                                 form->setCaption(caption);
                                 form->targetProgID = id;
                             }});
    s.targetForm = target.get();
    s.closeWindow = [this] { PostMessageW(mainWindow->hwnd(), WM_CLOSE, 0, 0); };
    // Esc in the main window stops a running Get or Update; the pump is the
    // only loop that runs meanwhile.
    pump.takes = [this](const MSG& m) {
        if (m.message != WM_KEYDOWN || m.wParam != VK_ESCAPE || !form || !form->commandRunning() || !mainWindow) {
            return false;
        }
        const HWND main = mainWindow->hwnd();
        if (m.hwnd != main && !IsChild(main, m.hwnd)) {
            return false;
        }
        form->stopCommand();
        return true;
    };
    form = std::make_unique<VivazQDLForm>(s);

    setErrorReport([this](const std::u16string& message) { dialogs.showMessage(message, MessageBoxKind::Error); });
    mainWindow = std::make_unique<MainWindow>(*form);
    dialogs.owner = mainWindow->hwnd();
    replaceDialog = std::make_unique<ReplaceDialog>(replace, mainWindow->hwnd());
    inputListPopup = std::make_unique<InputListPopup>(inputList, mainWindow->hwnd());
    targetDialog = std::make_unique<TargetDialog>(*target, mainWindow->hwnd());
}

Program::~Program() {
    targetDialog.reset();
    inputListPopup.reset();
    replaceDialog.reset();
    mainWindow.reset();
    form.reset();  // frees the undo stack, then revokes the filter
    setErrorReport(nullptr);
}

Platform Program::platform() {
    Platform p;
    p.clipboard = &clipboard;
    p.dialogs = &dialogs;
    p.pump = &pump;
    p.clock = &clock;
    p.exe = &exe;
    p.screen = &screen;
    p.widths = &widths;
    p.locale = &locale;
    p.windows = &windowManager;
    p.files = &files;
    p.profile = &profile;
    p.folders = &folders;
    return p;
}

void Program::start(int showCommand) {
    guarded([&] { form->FormCreate(); });
    mainWindow->show(showCommand);
    // Closing asks first when edits would be lost; then the settings are
    // written and the window goes.
    mainWindow->setOnClose([this] {
        bool close = true;
        guarded([&] { close = form->FormCloseQuery(); });
        if (!close) {
            return;
        }
        guarded([&] { form->FormClose(); });
        DestroyWindow(mainWindow->hwnd());
    });
}

int Program::run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(mainWindow->hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace qx::win32
