#include "installer/deploy/loadkit_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    LoadkitWindow window;
    if (!window.Create(instance, showCommand)) return 1;
    return window.Run();
}
