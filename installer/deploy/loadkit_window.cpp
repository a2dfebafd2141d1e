#include "loadkit_window.h"

#include "installer/deploy/control_ids.h"
#include "win32/message_box.h"
#include "win32/text.h"

#include <commctrl.h>

using namespace loadkit_ids;

namespace {

const DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
const int kClientWidth = 4365, kClientHeight = 2265;
// The log box's bottom edge plus the margin that the controls keep on the left.
const int kLogBottom = 3000 + 975 + 480;

// In tab order, which is the creation order. Label1 names the destination box for screen
// readers; the log box, which a screen reader would name after Label1 too, has a name of its own.
const win32::ControlSpec kControls[] = {
    {kCommand1, WC_BUTTONW, L"文件复制", kButton, 480, 1200, 975, 375},
    {kCommand2, WC_BUTTONW, L"安装驱动", kButton, 1680, 1200, 975, 375},
    {kCommand3, WC_BUTTONW, L"卸载驱动", kButton, 2880, 1200, 975, 375},
    {kLabel1, WC_STATICW, L"安装目录：", SS_LEFT | SS_NOPREFIX, 480, 360, 2415, 375},
    {kText1, WC_EDITW, L"C:\\Velmo", ES_AUTOHSCROLL | WS_TABSTOP, 480, 720, 3375, 270, nullptr, 0,
     WS_EX_CLIENTEDGE},
    {kText2, WC_EDITW, L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP, 480, 3000,
     3375, 975, nullptr, 0, WS_EX_CLIENTEDGE, L"日志"},
    // Failure texts hold any characters: no '&' prefixes.
    {kLabel2, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, 480, 1800, 3375, 375},
};

}  // namespace

LoadkitWindow::LoadkitWindow()
    : Form(kCaption, kClientWidth, kClientHeight, kIcon, kControls),
      programs_(*this),
      form_(*this, files_, programs_) {}

void LoadkitWindow::OnCreated() { form_.Form_Load(); }

void LoadkitWindow::OnCommand(int id, int notification) {
    if (notification != BN_CLICKED) return;
    switch (id) {
    case kCommand1: form_.Command1_Click(); break;
    case kCommand2: form_.Command2_Click(); break;
    case kCommand3: form_.Command3_Click(); break;
    }
}

std::string LoadkitWindow::DestinationText() const { return win32::Narrow(ItemText(kText1)); }

std::string LoadkitWindow::LogText() const { return win32::Narrow(ItemText(kText2)); }

void LoadkitWindow::SetLogText(std::string_view text) { SetItemText(kText2, win32::Widen(text)); }

void LoadkitWindow::SetStatus(std::string_view text) { SetItemText(kLabel2, win32::Widen(text)); }

void LoadkitWindow::Repaint() {
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void LoadkitWindow::ShowWholeLog() { EnsureClientHeight(kLogBottom); }

void LoadkitWindow::ShowMessage(std::string_view prompt, std::string_view title) {
    win32::ShowMessageBox(Hwnd(), prompt, title, MB_OK);
}
