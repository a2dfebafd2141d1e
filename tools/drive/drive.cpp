#include "drive.h"

#include "win32/text.h"

#include <cstdio>
#include <thread>

namespace drive {
namespace {

const UINT kReadTimeoutMs = 2000;

struct Search {
    DWORD processId;
    std::function<bool(HWND)> match;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window) && search.match(window)) search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD processId, std::function<bool(HWND)> match) {
    Search search{processId, std::move(match), {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, Duration timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
}

Program::Program(const std::wstring& commandLine, const std::wstring& directory) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

Program::~Program() { End(); }

Program::Program(Program&& other) noexcept : process_(other.process_), id_(other.id_) {
    other.process_ = nullptr;
}

Program& Program::operator=(Program&& other) noexcept {
    if (this != &other) {
        End();
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
    }
    return *this;
}

bool Program::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Program::WaitForExit(Duration timeout) const {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

void Program::End() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = nullptr;
}

HWND Program::WaitForWindow(const std::wstring& captionPrefix, Duration timeout) const {
    HWND window = nullptr;
    WaitFor(
        [&] {
            auto found = TopLevelWindows(id_, [&](HWND w) { return Text(w).starts_with(captionPrefix); });
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        timeout);
    return window;
}

std::string Program::State() const {
    if (!process_) return "not started";
    if (Running()) return "running";
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return "ended, exit code unknown";
    char state[40];
    std::snprintf(state, sizeof state, "ended with exit code 0x%08lX", static_cast<unsigned long>(code));
    return state;
}

std::wstring OwnDirectory() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

bool StartUnixProgram(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

std::wstring FromUnixPath(const std::string& path) {
    std::wstring windows = L"Z:" + win32::Widen(path);
    for (wchar_t& c : windows)
        if (c == L'/') c = L'\\';
    return windows;
}

std::wstring ToUnixPath(const std::wstring& path) {
    if (!path.starts_with(L"Z:\\")) return {};
    std::wstring unixPath = path.substr(2);
    for (wchar_t& c : unixPath)
        if (c == L'\\') c = L'/';
    return unixPath;
}

void SetSystemDpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        kReadTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

void SetText(HWND window, const std::wstring& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        kReadTimeoutMs, &result);
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

bool Enabled(HWND window) { return IsWindowEnabled(window); }

RECT ClientRectIn(HWND control, HWND parent) {
    RECT rect{};  // empty for a control that is not there
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string LayoutDifferences(HWND window, SIZE clientTwips, std::span<const TwipsPlace> controls, unsigned dpi) {
    auto pixels = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };
    std::string differences;
    auto compare = [&](const char* what, int id, const RECT& is, RECT should) {
        if (EqualRect(&is, &should)) return;
        char line[160];
        std::snprintf(line, sizeof line, "%s %d: %ld,%ld %ldx%ld instead of %ld,%ld %ldx%ld\n", what, id, is.left,
                      is.top, is.right - is.left, is.bottom - is.top, should.left, should.top,
                      should.right - should.left, should.bottom - should.top);
        differences += line;
    };
    RECT client;
    GetClientRect(window, &client);
    compare("client area", 0, client, {0, 0, pixels(clientTwips.cx), pixels(clientTwips.cy)});
    for (const TwipsPlace& place : controls) {
        int left = pixels(place.left), top = pixels(place.top);
        compare("control", place.id, ClientRectIn(GetDlgItem(window, place.id), window),
                {left, top, left + pixels(place.width), top + pixels(place.height)});
    }
    return differences;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void PressEnter(HWND control) {
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(control, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

void TypeChars(HWND control, const std::wstring& chars) {
    for (wchar_t c : chars) PostMessageW(control, WM_CHAR, c, 1);
}

void SelectComboItem(HWND combo, int index) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(combo, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &result);
}

bool Settle(HWND window, Duration timeout) {
    // A posted probe is handled after everything posted before it. An edit control's text limit
    // is a harmless value to probe with: post a new one, wait until it reads back.
    static UINT probe = 0x7FFF0000;
    HWND edit = ClassName(window) == L"Edit" ? window : FindWindowExW(window, nullptr, L"Edit", nullptr);
    if (!edit) return false;
    UINT value = ++probe;
    PostMessageW(edit, EM_SETLIMITTEXT, value, 0);
    return WaitFor(
        [&] {
            DWORD_PTR limit = 0;
            SendMessageTimeoutW(edit, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &limit);
            return limit == value;
        },
        timeout);
}

std::vector<HWND> MessageBoxes(DWORD processId) {
    return TopLevelWindows(processId, [](HWND w) { return ClassName(w) == L"#32770"; });
}

MessageBoxInfo ReadMessageBox(HWND box) {
    MessageBoxInfo info{box, Text(box), L"", false};
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) != L"Static") continue;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &icon);
            info.hasIcon = info.hasIcon || icon != 0;
        } else if (std::wstring text = Text(child); text.size() > info.text.size()) {
            info.text = text;
        }
    }
    return info;
}

MessageBoxInfo WaitForMessageBox(DWORD processId, Duration timeout) {
    MessageBoxInfo info;
    WaitFor(
        [&] {
            auto boxes = MessageBoxes(processId);
            if (boxes.empty()) return false;
            info = ReadMessageBox(boxes.front());
            return true;
        },
        timeout);
    return info;
}

void CloseMessageBox(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok) ok = FindWindowExW(box, nullptr, L"Button", nullptr);
    Click(ok);
}

bool WaitNoMessageBox(DWORD processId, Duration timeout) {
    return WaitFor([&] { return MessageBoxes(processId).empty(); }, timeout);
}

}  // namespace drive
