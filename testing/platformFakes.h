// In-memory stand-ins for the platform services, for native tests.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace qx::fake {

class FakeClipboard : public Clipboard {
public:
    void setText(const std::u16string& t) override;
    std::u16string getText() override { return text; }
    std::u16string text;
    int busyFor = 0;  // the next busyFor setText calls find the clipboard busy
    int setAttempts = 0;
};

class FakeDialogs : public Dialogs {
public:
    void showMessage(const std::u16string& t, MessageBoxKind kind) override { shown.emplace_back(t, kind); }
    bool askYesNo(const std::u16string& t) override {
        asked.push_back(t);
        return answer;
    }
    std::vector<std::pair<std::u16string, MessageBoxKind>> shown;
    std::vector<std::u16string> asked;
    bool answer = true;
};

class FakePump : public MessagePump {
public:
    void processMessages() override;
    std::function<void()> onPump;  // what "pending messages" do, if anything
    int calls = 0;
};

class FakeClock : public Clock {
public:
    std::uint32_t tickCount() override {
        const std::uint32_t t = now;
        now += stepPerTick;
        return t;
    }
    void sleep(std::uint32_t ms) override;
    std::uint32_t now = 1000;
    std::uint32_t stepPerTick = 0;  // added after every tickCount read when non-zero
    std::vector<std::uint32_t> sleeps;
};

class FakeProfile : public Profile {
public:
    std::u16string readString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                              const std::u16string& def) override;
    void writeString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override;
    using Key = std::pair<std::u16string, std::u16string>;  // section, key
    std::map<std::u16string, std::map<Key, std::u16string>> files;
    std::vector<Key> writeOrder;
    bool failWrites = false;
    std::u16string failKey;  // only writes of this key fail
};

class FakeExeInfo : public ExeInfo {
public:
    std::u16string exePath() override { return folder + name; }
    std::u16string exeFolder() override { return folder; }
    std::u16string folder = u"C:\\QuadcelX\\";
    std::u16string name = u"QuadrelX.exe";
};

class FakeFolders : public Folders {
public:
    bool canWrite(const std::u16string& folder) override { return !readOnly.count(folder); }
    std::u16string appDataFolder() override { return appData; }
    bool makeFolder(const std::u16string& folder) override {
        made.push_back(folder);
        return true;
    }
    std::set<std::u16string> readOnly;
    std::u16string appData = u"C:\\Users\\user\\AppData\\Roaming\\";
    std::vector<std::u16string> made;
};

class FakeScreen : public Screen {
public:
    ScreenSize primarySize() override { return size; }
    ScreenSize size{1920, 1080};
};

class FakeLocale : public Locale {
public:
    int compareNoCase(const std::u16string& a, const std::u16string& b) override;
    std::optional<double> parseDouble(const std::u16string& s) override;
    // Latin-1 stands in for the ANSI code page.
    std::u16string decodeAnsi(const std::string& bytes) override;
    std::string encodeAnsi(const std::u16string& text) override;
};

class FakeWindowManager : public WindowManager {
public:
    bool isIconic(std::uint64_t hwnd) override { return iconic.count(hwnd) != 0; }
    void openIcon(std::uint64_t hwnd) override;
    void setForegroundWindow(std::uint64_t hwnd) override;
    std::uint64_t foregroundWindow() override { return foreground; }
    void keybdEvent(std::uint8_t vk, std::uint32_t flags) override;
    std::set<std::uint64_t> iconic;
    std::uint64_t foreground = 0;
    bool refuseForeground = false;  // another program keeps the foreground
    std::vector<std::string> events;
};

class FakeFileSystem : public FileSystem {
public:
    bool exists(const std::u16string& path) override { return files.count(path) != 0; }
    std::string readAll(const std::u16string& path) override;
    void writeAll(const std::u16string& path, const std::string& bytes) override;
    std::map<std::u16string, std::string> files;
    std::set<std::u16string> unreadable, unwritable;
    int writes = 0;
};

// All fakes together, wired into a Platform.
struct FakePlatform {
    FakeClipboard clipboard;
    FakeDialogs dialogs;
    FakePump pump;
    FakeClock clock;
    FakeExeInfo exe;
    FakeScreen screen;
    FakeLocale locale;
    FakeWindowManager windows;
    FakeFileSystem files;
    FakeProfile profile;
    FakeFolders folders;
    WidthMap* widths = nullptr;  // set by tests that need one
    Platform platform();
};

}  // namespace qx::fake
