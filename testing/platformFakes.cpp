#include "testing/platformFakes.h"
#include "core/text.h"

namespace qx::fake {

void FakeClipboard::setText(const std::u16string& t) {
    ++setAttempts;
    if (busyFor > 0) {
        --busyFor;
        throw ClipboardBusy();
    }
    text = t;
}

void FakePump::processMessages() {
    ++calls;
    if (onPump) {
        onPump();
    }
}

void FakeClock::sleep(std::uint32_t ms) {
    sleeps.push_back(ms);
    now += ms;
}

std::u16string FakeProfile::readString(const std::u16string& file, const std::u16string& section,
                                       const std::u16string& key, const std::u16string& def) {
    auto f = files.find(file);
    if (f == files.end()) {
        return def;
    }
    auto v = f->second.find({section, key});
    return v == f->second.end() ? def : v->second;
}

void FakeProfile::writeString(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                              const std::u16string& value) {
    if (failWrites || (!failKey.empty() && key == failKey)) {
        throw Error(u"cannot write " + file);
    }
    files[file][{section, key}] = value;
    writeOrder.emplace_back(section, key);
}

static char16_t foldAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

int FakeLocale::compareNoCase(const std::u16string& a, const std::u16string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = foldAscii(a[i]), y = foldAscii(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::optional<double> FakeLocale::parseDouble(const std::u16string& s) {
    return parseDecimal(s, u".");  // as a locale with a decimal dot
}

std::u16string FakeLocale::decodeAnsi(const std::string& bytes) {
    std::u16string out;
    for (char c : bytes) {
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
}

std::string FakeLocale::encodeAnsi(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out += c < 0x100 ? static_cast<char>(c) : '?';
    }
    return out;
}

void FakeWindowManager::openIcon(std::uint64_t hwnd) {
    iconic.erase(hwnd);
    events.push_back("OpenIcon");
}

void FakeWindowManager::setForegroundWindow(std::uint64_t hwnd) {
    events.push_back("SetForegroundWindow");
    if (!refuseForeground) {
        foreground = hwnd;
    }
}

void FakeWindowManager::keybdEvent(std::uint8_t vk, std::uint32_t flags) {
    events.push_back("keybd " + std::to_string(vk) + " " + std::to_string(flags));
}

std::string FakeFileSystem::readAll(const std::u16string& path) {
    if (unreadable.count(path) || !files.count(path)) {
        throw Error(u"cannot read " + path);
    }
    return files[path];
}

void FakeFileSystem::writeAll(const std::u16string& path, const std::string& bytes) {
    if (unwritable.count(path)) {
        throw Error(u"cannot write " + path);
    }
    files[path] = bytes;
    ++writes;
}

Platform FakePlatform::platform() {
    Platform p;
    p.clipboard = &clipboard;
    p.dialogs = &dialogs;
    p.pump = &pump;
    p.clock = &clock;
    p.exe = &exe;
    p.screen = &screen;
    p.widths = widths;
    p.locale = &locale;
    p.windows = &windows;
    p.files = &files;
    p.profile = &profile;
    p.folders = &folders;
    return p;
}

}  // namespace qx::fake
