// Win32 implementations of the platform services.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/platform.h"

namespace qx::win32 {

class Win32Clipboard : public Clipboard {
public:
    explicit Win32Clipboard(void* ownerHwnd = nullptr) : owner_(ownerHwnd) {}
    void setText(const std::u16string& text) override;
    std::u16string getText() override;

private:
    void* owner_;
};

class Win32Dialogs : public Dialogs {
public:
    void showMessage(const std::u16string& text, MessageBoxKind kind) override;
    bool askYesNo(const std::u16string& text) override;
    void* owner = nullptr;
};

class Win32Pump : public MessagePump {
public:
    void processMessages() override;
    // A message the program takes itself instead of dispatching it (true: taken).
    std::function<bool(const MSG&)> takes;

private:
    long long lastPass_ = 0;  // performance counter at the last look at the queue
};

class Win32Clock : public Clock {
public:
    std::uint32_t tickCount() override;
    void sleep(std::uint32_t ms) override;
};

class Win32Profile : public Profile {
public:
    std::u16string readString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                              const std::u16string& def) override;
    void writeString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override;
};

class Win32ExeInfo : public ExeInfo {
public:
    std::u16string exePath() override;
    std::u16string exeFolder() override;
};

class Win32Folders : public Folders {
public:
    bool canWrite(const std::u16string& folder) override;
    std::u16string appDataFolder() override;
    bool makeFolder(const std::u16string& folder) override;
};

class Win32Screen : public Screen {
public:
    ScreenSize primarySize() override;
};

class Win32WindowManager : public WindowManager {
public:
    bool isIconic(std::uint64_t hwnd) override;
    void openIcon(std::uint64_t hwnd) override;
    void setForegroundWindow(std::uint64_t hwnd) override;
    std::uint64_t foregroundWindow() override;
    void keybdEvent(std::uint8_t vk, std::uint32_t flags) override;
};

class Win32FileSystem : public FileSystem {
public:
    bool exists(const std::u16string& path) override;
    std::string readAll(const std::u16string& path) override;
    void writeAll(const std::u16string& path, const std::string& bytes) override;
};

}  // namespace qx::win32

namespace qx {

// LCMapStringW for LOCALE_SYSTEM_DEFAULT.
class Win32WidthMap : public WidthMap {
public:
    std::u16string toHalfWidth(const std::u16string& s) override;
    std::u16string toFullWidth(const std::u16string& s) override;
};

// The user's locale and the ANSI code page (CP_ACP).
class Win32Locale : public Locale {
public:
    int compareNoCase(const std::u16string& a, const std::u16string& b) override;
    std::optional<double> parseDouble(const std::u16string& s) override;
    // Throws Error when the bytes are not valid in the code page.
    std::u16string decodeAnsi(const std::string& bytes) override;
    // Throws Error when a character has no form in the code page.
    std::string encodeAnsi(const std::u16string& text) override;
};

}  // namespace qx
