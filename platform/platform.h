// Platform services the portable core asks of the operating system. Each has
// a Win32 implementation (platformWin32.cpp) and an in-memory fake
// (platformFakes.h) for native tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/error.h"

namespace qx {

// The clipboard could not be opened (another program holds it).
class ClipboardBusy : public Error {
public:
    ClipboardBusy() : Error(u"clipboard busy") {}
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Throws ClipboardBusy when the clipboard cannot be opened, Error otherwise.
    virtual void setText(const std::u16string& text) = 0;
    // Empty when the clipboard holds no text.
    virtual std::u16string getText() = 0;
};

enum class MessageBoxKind { Information, Error };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box with one OK button, titled with the application title.
    virtual void showMessage(const std::u16string& text, MessageBoxKind kind) = 0;
    // A modal warning with Yes and No, No the default; true for Yes.
    virtual bool askYesNo(const std::u16string& text) = 0;
};

class MessagePump {
public:
    virtual ~MessagePump() = default;
    // Dispatches the window messages that are pending, then returns.
    virtual void processMessages() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tickCount() = 0;  // milliseconds, wraps at 2^32
    virtual void sleep(std::uint32_t ms) = 0;
};

// Private INI profile files, one key of one section at a time.
class Profile {
public:
    virtual ~Profile() = default;
    virtual std::u16string readString(const std::u16string& file, const std::u16string& section,
                                      const std::u16string& key, const std::u16string& def) = 0;
    // Throws Error when the file cannot be written.
    virtual void writeString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                             const std::u16string& value) = 0;
};

// Where the executable lives.
class ExeInfo {
public:
    virtual ~ExeInfo() = default;
    virtual std::u16string exePath() = 0;    // full path of the executable
    virtual std::u16string exeFolder() = 0;  // its folder, with a trailing separator
};

// Where a file may be written, for settings beside a read-only program.
class Folders {
public:
    virtual ~Folders() = default;
    // Whether a new file can be made in the folder (one with a trailing separator).
    virtual bool canWrite(const std::u16string& folder) = 0;
    // The user's application-data folder with a trailing separator; empty when unknown.
    virtual std::u16string appDataFolder() = 0;
    // Makes the folder and those above it; false when it is not there afterwards.
    virtual bool makeFolder(const std::u16string& folder) = 0;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
};

class Screen {
public:
    virtual ~Screen() = default;
    virtual ScreenSize primarySize() = 0;
};

// Full-width / half-width mapping (LCMapStringW on Windows).
class WidthMap {
public:
    virtual ~WidthMap() = default;
    virtual std::u16string toHalfWidth(const std::u16string& s) = 0;
    virtual std::u16string toFullWidth(const std::u16string& s) = 0;
};

// Locale-aware comparisons and the ANSI code page.
class Locale {
public:
    virtual ~Locale() = default;
    // <0, 0, >0 like strcmp, ignoring case, by the user's locale.
    virtual int compareNoCase(const std::u16string& a, const std::u16string& b) = 0;
    // Decimal number in the user's locale format; nullopt when not a number.
    virtual std::optional<double> parseDouble(const std::u16string& s) = 0;
    virtual std::u16string decodeAnsi(const std::string& bytes) = 0;
    virtual std::string encodeAnsi(const std::u16string& text) = 0;
};

// Window management of another process's window (the CAD application).
class WindowManager {
public:
    virtual ~WindowManager() = default;
    virtual bool isIconic(std::uint64_t hwnd) = 0;
    virtual void openIcon(std::uint64_t hwnd) = 0;
    virtual void setForegroundWindow(std::uint64_t hwnd) = 0;
    virtual std::uint64_t foregroundWindow() = 0;
    virtual void keybdEvent(std::uint8_t vk, std::uint32_t flags) = 0;
};

// Whole files, for the target list.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool exists(const std::u16string& path) = 0;
    // Throws Error when the file cannot be read or written.
    virtual std::string readAll(const std::u16string& path) = 0;
    virtual void writeAll(const std::u16string& path, const std::string& bytes) = 0;
};

// Everything at once, as the forms receive it.
struct Platform {
    Clipboard* clipboard = nullptr;
    Dialogs* dialogs = nullptr;
    MessagePump* pump = nullptr;
    Clock* clock = nullptr;
    ExeInfo* exe = nullptr;
    Screen* screen = nullptr;
    WidthMap* widths = nullptr;
    Locale* locale = nullptr;
    WindowManager* windows = nullptr;
    FileSystem* files = nullptr;
    Profile* profile = nullptr;
    Folders* folders = nullptr;  // none: the settings stay beside the executable
};

}  // namespace qx
