// Quarn.exe on the installation medium: a labelled stand-in for the board's sibling program,
// which this build does not make.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"This Quarn.exe is a stand-in made by the Quarn build; the board program itself is not part of it.",
                L"Quarn.exe (stand-in)", MB_OK | MB_ICONINFORMATION);
    return 0;
}
