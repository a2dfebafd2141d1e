// loadkit_shot <Loadkit.exe> <destination> <rectangle file>: starts the installer, runs the file
// copy into the destination, writes the window's screen rectangle ("WxH+X+Y", frame included)
// to the file once the window shows the outcome, and keeps it there until the file is removed.
#include "installer/deploy/control_ids.h"
#include "tools/drive/drive.h"

#include <cstdio>
#include <string>
#include <thread>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fwprintf(stderr, L"usage: loadkit_shot <Loadkit.exe> <destination> <rectangle file>\n");
        return 2;
    }
    drive::Program loadkit(L"\"" + std::wstring(argv[1]) + L"\"");
    HWND window = loadkit.WaitForWindow(loadkit_ids::kCaption);
    if (!window) return 1;
    drive::SetText(GetDlgItem(window, loadkit_ids::kText1), argv[2]);
    drive::Click(GetDlgItem(window, loadkit_ids::kCommand1));
    if (!drive::Settle(window)) return 1;
    // Painted at once, then given a moment to reach the display.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    RECT rect;
    GetWindowRect(window, &rect);
    FILE* out = _wfopen(argv[3], L"w");
    if (!out) return 1;
    fprintf(out, "%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    fclose(out);
    // The picture is taken from outside: the display, not this program, holds the frame's pixels.
    drive::WaitFor([&] { return GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES; }, drive::Duration(60000));
    return 0;
}
