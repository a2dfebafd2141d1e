// wdreg_gui.exe -inf <INF file> install|uninstall: installs or removes the board's driver package
// and says in its window what it is doing and what came of it; the exit code tells it too.
#include "installer/registration/registration.h"
#include "installer/registration/win32_driver_platform.h"
#include "win32/form.h"
#include "win32/system_dll.h"
#include "win32/text.h"

#include <commctrl.h>
#include <shellapi.h>

#include <thread>

namespace {

const int kOutcome = 100;
const UINT kStart = WM_APP + 1;
const UINT kStep = WM_APP + 2;  // sent by the work: lParam is the step's text
const UINT kDone = WM_APP + 3;

const win32::ControlSpec kControls[] = {
    {kOutcome, WC_EDITW, L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 240, 240, 6720,
     2520, nullptr, 0, WS_EX_CLIENTEDGE},
    // Not before the work has ended; made so, not disabled afterwards, so that no click comes between.
    {IDCANCEL, WC_BUTTONW, L"Close", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, 5880, 2940, 1080, 375},
};

std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i) arguments.push_back(win32::Narrow(words[i]));
    LocalFree(words);
    return arguments;
}

// The driver work runs on a thread of its own, so that the window stays responsive and shows each
// step. The window cannot be closed before the work has ended.
class RegistrationWindow final : public win32::Form {
public:
    explicit RegistrationWindow(bool dllsFromSystem32Only)
        : Form(L"Driver package registration", 7200, 3555, 1, kControls), platform_(*this, dllsFromSystem32Only) {}
    ~RegistrationWindow() override {
        if (work_.joinable()) work_.join();
    }
    int ExitCode() const { return report_.exitCode; }

private:
    // The work starts once the window shows, so that whatever Windows shows has an owner.
    void OnCreated() override { PostMessageW(Hwnd(), kStart, 0, 0); }

    void OnCommand(int id, int) override {
        if (id == IDCANCEL) DestroyWindow(Hwnd());
    }

    bool OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
        result = 0;
        switch (message) {
        case kStart: StartWork(); return true;
        case kStep: SetItemText(kOutcome, reinterpret_cast<const wchar_t*>(lParam)); return true;
        case kDone: ShowOutcome(); return true;
        case WM_CLOSE: return work_.joinable();  // not while the work runs
        default: return false;
        }
    }

    void StartWork() {
        work_ = std::thread([this] {
            report_ = Register(Arguments(), platform_, [this](const std::string& step) {
                std::wstring text = win32::Widen(step);
                SendMessageW(Hwnd(), kStep, 0, reinterpret_cast<LPARAM>(text.c_str()));
            });
            PostMessageW(Hwnd(), kDone, 0, 0);
        });
    }

    // A failure must not stay unseen in the minimized window that the installer started.
    void ShowOutcome() {
        work_.join();
        SetItemText(kOutcome, win32::Widen(report_.text));
        EnableWindow(Item(IDCANCEL), TRUE);
        if (report_.exitCode == 0) return;
        if (IsIconic(Hwnd())) ShowWindow(Hwnd(), SW_RESTORE);
        FLASHWINFO flash{sizeof flash, Hwnd(), FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }

    Win32DriverPlatform platform_;
    std::thread work_;
    Report report_{"", 0};
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RegistrationWindow window(win32::LoadDllsFromSystem32Only());
    if (!window.Create(instance, showCommand)) return 1;
    window.Run();
    return window.ExitCode();
}
