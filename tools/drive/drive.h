// Driving the programs' windows from another process, as an operator would: start a program,
// find its window and controls, click, type, read texts and message boxes. Used by the
// end-to-end tests and by the demo.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace drive {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

// Polls until the condition holds or the time is up; true if it held.
bool WaitFor(const std::function<bool()>& condition, Duration timeout = 5000ms);

// A started program; ended (by its handle) when this goes away.
class Program {
public:
    Program() = default;
    Program(const std::wstring& commandLine, const std::wstring& directory = L"");
    ~Program();
    Program(Program&& other) noexcept;
    Program& operator=(Program&& other) noexcept;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    bool Running() const;
    // The exit code once the program has ended by itself; nothing if it still runs after the timeout.
    std::optional<DWORD> WaitForExit(Duration timeout = 10000ms) const;
    void End();
    // The program's visible top-level window whose caption begins with the prefix.
    HWND WaitForWindow(const std::wstring& captionPrefix, Duration timeout = 10000ms) const;
    // Whether it started, runs or ended, and how: for the message of a check that found no window.
    std::string State() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The directory of the running test or tool program, with a trailing backslash.
std::wstring OwnDirectory();

// Under Wine: starts a Unix program (such as /bin/bash with a script). Wine cannot wait for one,
// so the caller awaits its effect instead.
bool StartUnixProgram(std::wstring commandLine);
// A path of the Unix file system as Wine's drive Z: names it.
std::wstring FromUnixPath(const std::string& path);
// The other way: a path of drive Z: as the Unix file system names it; empty for any other path.
std::wstring ToUnixPath(const std::wstring& path);

// The system DPI for programs started from now on (Wine reads it at a program's start).
void SetSystemDpi(DWORD dpi);

std::wstring Text(HWND window);  // WM_GETTEXT, which reads another process's edit controls too
void SetText(HWND window, const std::wstring& text);
std::wstring ClassName(HWND window);
bool Enabled(HWND window);
// The rectangle of a control in its parent's client coordinates.
RECT ClientRectIn(HWND control, HWND parent);

// A control's place in a form's twips table.
struct TwipsPlace {
    int id, left, top, width, height;
};
// Where a form's window, made at the DPI, does not lie as its twips tables say: its client area
// and each control, one line for each difference; empty when all lie where they should.
std::string LayoutDifferences(HWND window, SIZE clientTwips, std::span<const TwipsPlace> controls, unsigned dpi);

// Posted, so that a handler that opens a modal box does not block us.
void Click(HWND button);
void PressEnter(HWND control);
void TypeChars(HWND control, const std::wstring& chars);
void SelectComboItem(HWND combo, int index);

// Waits until the window has processed everything posted to it so far.
bool Settle(HWND window, Duration timeout = 5000ms);

// A message box of the process: visible #32770 windows owned by that process.
struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
    bool hasIcon = false;
};
std::vector<HWND> MessageBoxes(DWORD processId);
MessageBoxInfo WaitForMessageBox(DWORD processId, Duration timeout = 5000ms);
MessageBoxInfo ReadMessageBox(HWND box);
void CloseMessageBox(HWND box);  // presses its OK button
bool WaitNoMessageBox(DWORD processId, Duration timeout = 5000ms);

}  // namespace drive
