// A short scripted session of Portlens against the simulated board, for a machine without a
// screen: portlens_demo REPLY.png ERROR.png (Unix paths of the two screenshots)
// It opens Com3 (the board is on COM9 at the other end of the cable), steps, sets and asks the
// frame, asks the board's identity, lets the board report a device error, prints what the
// window showed after each step and has the screen saved after the frame replies and while the
// error box is up.
#include "console/window/control_ids.h"
#include "tools/board/board_client.h"
#include "tools/drive/drive.h"
#include "win32/text.h"

#include <cstdio>
#include <string>

using namespace console_ids;
using namespace drive;

namespace {

void Print(const std::wstring& text) {
    std::fputs(win32::Narrow(text).c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}


// Starts ImageMagick's import, a Unix program, and waits until the picture is written.
bool SaveScreen(const std::string& unixPath) {
    if (!StartUnixProgram(L"/usr/bin/import -window root \"" + win32::Widen(unixPath) + L"\"")) return false;
    std::wstring path = FromUnixPath(unixPath);
    // Wine cannot wait for a Unix process: wait until the file has stopped growing.
    LONGLONG last = -1;
    return WaitFor(
        [&] {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
            LONGLONG size = (LONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            bool done = size > 0 && size == last;
            last = size;
            Sleep(200);
            return done;
        },
        20000ms);
}

class Demo {
public:
    explicit Demo(HWND window) : window_(window) {}

    HWND Item(int id) const { return GetDlgItem(window_, id); }

    void Show(const std::wstring& step) const {
        Print(L"  " + step);
        Print(L"    frame box: " + Text(Item(kText2)) + L"   reply: " + Text(Item(kLabel1)) +
              (Enabled(Item(kCommand1)) ? L"   (connected)" : L"   (idle)"));
    }

    // Clicks and waits for the board's answer to show.
    void Press(int id, const std::wstring& step) const {
        Click(Item(id));
        WaitFor([&] { return !Text(Item(kLabel1)).empty(); });
        Settle(Item(kText2));
        Show(step);
    }

private:
    HWND window_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: portlens_demo REPLY.png ERROR.png\n");
        return 2;
    }
    board::BoardClient board(9);
    if (!board.Ready()) {
        std::fprintf(stderr, "the simulated board could not open COM9\n");
        return 1;
    }
    Program portlens(L"\"" + OwnDirectory() + L"Portlens.exe\"");
    HWND window = portlens.WaitForWindow(kCaptionPrefix);
    if (!window) {
        std::fprintf(stderr, "Portlens did not open its window\n");
        return 1;
    }
    Demo demo(window);
    Print(L"Portlens: " + Text(window));
    demo.Show(L"started");

    SelectComboItem(demo.Item(kCombo1), 2);
    Click(demo.Item(kOpenPort));
    Settle(demo.Item(kText2));
    demo.Show(L"Com3 selected, \"Open Serial Port\"");
    if (!Enabled(demo.Item(kCommand1))) {
        std::fprintf(stderr, "Com3 did not open\n");
        return 1;
    }

    demo.Press(kCommand1, L"\"+\"");
    demo.Press(kCommand1, L"\"+\"");
    demo.Press(kCommand2, L"\"-\"");
    SetText(demo.Item(kText2), L"42");
    demo.Press(kCommand3, L"typed 42, \"=\"");
    demo.Press(kCommand4, L"\"?\"");
    bool saved = SaveScreen(argv[1]);
    demo.Press(kCommand5, L"\"QID\"");

    board.Command("error 2");
    MessageBoxInfo box = WaitForMessageBox(portlens.Id());
    demo.Show(L"the board reports device error 2");
    Print(L"    message box \"" + box.title + L"\": " + box.text);
    Sleep(500);  // the window behind the box repaints first
    saved = SaveScreen(argv[2]) && saved;
    Print(saved ? L"  screen saved" : L"  the screen could not be saved");
    CloseMessageBox(box.window);
    WaitNoMessageBox(portlens.Id());
    demo.Show(L"message box closed");
    return box.window && saved ? 0 : 1;
}
