#include "app/unregisterWin32.h"

#include <windows.h>

#include <vector>

#include "cad/fastPath.h"
#include "core/winOwners.h"
#include "core/winText.h"

namespace qx::win32 {

namespace {
constexpr char16_t kRoot[] = u"HKEY_CURRENT_USER\\Software\\Classes\\";

bool keyExists(const std::u16string& path) {
    win::UniqueKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, win::wideView(u"Software\\Classes\\" + path), 0, KEY_READ, key.out()) ==
           ERROR_SUCCESS;
}
}  // namespace

int unregisterForUser(Dialogs& dialogs) {
    const std::vector<std::u16string> keys{cad::kFastPathProgId, std::u16string(u"CLSID\\") + cad::kFastPathClsid};
    std::u16string removed, failed;
    for (const auto& path : keys) {
        if (!keyExists(path)) {
            continue;
        }
        const LSTATUS rc = RegDeleteTreeW(HKEY_CURRENT_USER, win::wideView(u"Software\\Classes\\" + path));
        if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
            removed += u"\n  " + (kRoot + path);
        } else {
            failed += u"\n  " + (kRoot + path) + u"\n  (" + win::systemMessage(static_cast<DWORD>(rc)) + u")";
        }
    }
    if (!failed.empty()) {
        std::u16string text = u"QuadcelX の登録を削除できませんでした。" + failed;
        if (!removed.empty()) {
            text += u"\n\n削除したもの:" + removed;
        }
        dialogs.showMessage(text, MessageBoxKind::Error);
        return 1;
    }
    dialogs.showMessage(removed.empty()
                            ? u"このユーザーには QuadcelX の登録がありません。削除するものはありませんでした。"
                            : u"QuadcelX の登録を削除しました。\n\n削除したもの:" + removed,
                        MessageBoxKind::Information);
    return 0;
}

}  // namespace qx::win32
