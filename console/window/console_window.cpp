#include "console_window.h"

#include "console/window/console_layout.h"
#include "console/window/control_ids.h"
#include "win32/message_box.h"
#include "win32/text.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>

using namespace console_ids;

namespace {

// Sent by the port's reader thread when bytes have arrived for a window that has fetched all the
// earlier ones; every message loop delivers it.
const UINT kBytesArrived = WM_APP + 1;

const int kCommandControls[] = {kCommand1, kCommand2, kCommand3,  kCommand4,  kCommand5,
                                kCommand8, kCommand9, kCommand10, kCommand11, kText2};

// The reply line as the system's ANSI code page reads the board's bytes. Each run of them between
// two markers is read on its own: in a double-byte code page a byte before a marker must not take
// the marker's "[" as its second half, nor a byte 5B after a lead byte be taken for a marker. A
// NUL would end the control's text; it shows as its symbol.
std::wstring DisplayText(const device_link::ReplyLine& line) {
    std::string_view text = line.Text();
    std::wstring shown;
    std::size_t from = 0;
    for (std::size_t marker : line.Markers()) {
        shown += win32::AnsiToWide(text.substr(from, marker - from));
        from = marker + device_link::ReplyLine::kMarkerLength;
        shown += win32::AnsiToWide(text.substr(marker, from - marker));
    }
    shown += win32::AnsiToWide(text.substr(from));
    std::replace(shown.begin(), shown.end(), L'\0', L'\u2400');
    return shown;
}

}  // namespace

ConsoleWindow::ConsoleWindow()
    : Form(kCaptionPrefix, console_layout::kClientWidth, console_layout::kClientHeight, kIcon, console_layout::kControls),
      port_([this] { SendNotifyMessageW(notified_, kBytesArrived, 0, 0); }),
      form_(*this, port_) {}

void ConsoleWindow::OnCreated() {
    notified_ = Hwnd();
    SetWindowSubclass(Item(kText2), FrameBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
    form_.Form_Load();
}

void ConsoleWindow::OnCommand(int id, int notification) {
    if (notification != BN_CLICKED) return;
    switch (id) {
    case kOpenPort: form_.OpenPort_Click(); break;
    case kCommand1: form_.Command1_Click(); break;
    case kCommand2: form_.Command2_Click(); break;
    case kCommand3: form_.Command3_Click(); break;
    case kCommand4: form_.Command4_Click(); break;
    case kCommand5: form_.Command5_Click(); break;
    case kCommand8: form_.Command8_Click(); break;
    case kCommand9: form_.Command9_Click(); break;
    case kCommand10: form_.Command10_Click(); break;
    case kCommand11: form_.Command11_Click(); break;
    }
}

bool ConsoleWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == kBytesArrived) {
        form_.MSComm1_OnComm();
        result = 0;
        return true;
    }
    // Windows tells every top-level window of a port that went away, whatever its driver does
    // with a pending read; the default processing follows.
    if (message == WM_DEVICECHANGE && wParam == DBT_DEVICEREMOVECOMPLETE && lParam &&
        reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype == DBT_DEVTYP_PORT)
        form_.Form_PortRemoved(win32::Narrow(reinterpret_cast<const DEV_BROADCAST_PORT_W*>(lParam)->dbcp_name));
    return false;
}

// Bytes that one event did not take in are taken a batch at a time, between the window's other
// messages.
bool ConsoleWindow::OnIdle() {
    if (port_.InBufferCount() == 0) return false;
    form_.MSComm1_OnComm();
    return true;
}

// The frame box takes Enter for itself: the dialog manager must not swallow it, and the edit
// control must not beep at it.
LRESULT CALLBACK ConsoleWindow::FrameBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR self) {
    auto* window = reinterpret_cast<ConsoleWindow*>(self);
    switch (message) {
    case WM_GETDLGCODE:
        if (lParam && reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
            return DefSubclassProc(box, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_CHAR:
        if (IsWindowEnabled(window->Hwnd()) && IsWindowEnabled(box))
            window->form_.Text2_KeyPress(static_cast<int>(wParam));
        if (wParam == '\r') return 0;
        break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

void ConsoleWindow::SetCaption(std::string_view text) { SetWindowTextW(Hwnd(), win32::Widen(text).c_str()); }

void ConsoleWindow::SetPortList(const std::vector<std::string>& entries) {
    HWND combo = Item(kCombo1);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Widen(entry).c_str()));
}

// Its text, "Port Select", stands in the box while no entry is selected.
void ConsoleWindow::SelectNoPort() {
    SendMessageW(Item(kCombo1), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextW(Item(kCombo1), L"Port Select");
}

int ConsoleWindow::SelectedPort() const {
    return static_cast<int>(SendMessageW(Item(kCombo1), CB_GETCURSEL, 0, 0));
}

std::string ConsoleWindow::FrameText() const { return win32::Narrow(ItemText(kText2)); }

void ConsoleWindow::SetFrameText(std::string_view text) { SetItemText(kText2, win32::Widen(text)); }

void ConsoleWindow::SetReplyDisplay(const device_link::ReplyLine& line) { SetItemText(kLabel1, DisplayText(line)); }

void ConsoleWindow::ClearReplyDisplay() { SetItemText(kLabel1, L""); }

void ConsoleWindow::EnableCommands(bool enabled) {
    for (int id : kCommandControls) EnableWindow(Item(id), enabled);
    // Keep the keyboard on the window when the control that had it is disabled. Not yet shown,
    // the window has no keyboard to keep: setting the focus would activate it before its time.
    HWND focus = GetFocus();
    if (!enabled && IsWindowVisible(Hwnd()) && (!focus || !IsWindowEnabled(focus)))
        SetFocus(GetNextDlgTabItem(Hwnd(), nullptr, FALSE));
}

void ConsoleWindow::ShowMessage(std::string_view prompt, std::string_view title) {
    win32::ShowMessageBox(Hwnd(), prompt, title, MB_OK | MB_ICONINFORMATION);
}
