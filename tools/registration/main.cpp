// wdreg_gui.exe -inf <INF file> install|uninstall: installs or removes a driver package and shows
// the outcome in its window; the exit code tells it too.
#include "tools/registration/registration.h"
#include "tools/registration/win32_driver_store.h"
#include "win32/form.h"
#include "win32/text.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

const int kOutcome = 100;
const UINT kWork = WM_APP + 1;

const win32::ControlSpec kControls[] = {
    {kOutcome, WC_EDITW, L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 240, 240, 6720,
     1680, nullptr, 0, WS_EX_CLIENTEDGE},
    {IDCANCEL, WC_BUTTONW, L"Close", BS_DEFPUSHBUTTON | WS_TABSTOP, 5880, 2100, 1080, 375},
};

std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i) arguments.push_back(win32::Narrow(words[i]));
    LocalFree(words);
    return arguments;
}

class RegistrationWindow final : public win32::Form {
public:
    RegistrationWindow() : Form(L"Driver package registration", 7200, 2715, 1, kControls) {}
    int ExitCode() const { return report_.exitCode; }

private:
    // The work starts once the window shows, so that the platform's own prompts have an owner.
    void OnCreated() override { PostMessageW(Hwnd(), kWork, 0, 0); }

    void OnCommand(int id, int) override {
        if (id == IDCANCEL) DestroyWindow(Hwnd());
    }

    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != kWork) return false;
        SetItemText(kOutcome, L"Working…");
        UpdateWindow(Hwnd());
        report_ = Register(Arguments(), store_);
        SetItemText(kOutcome, win32::Widen(report_.text));
        result = 0;
        return true;
    }

    Win32DriverStore store_;
    Report report_{"", 0};
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RegistrationWindow window;
    if (!window.Create(instance, showCommand)) return 1;
    window.Run();
    return window.ExitCode();
}
