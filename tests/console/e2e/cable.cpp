#include "cable.h"

#include "tools/drive/drive.h"
#include "win32/text.h"

#include <cstdlib>
#include <string>

namespace cable {
namespace {

// The cable script is a Unix program: its effect, the marker of the cable, is awaited.
bool Run(const std::string& arguments, int port, bool up) {
    const char* tools = std::getenv("QUARN_TOOLS");
    const char* session = std::getenv("QUARN_SESSION");
    if (!tools || !session) return false;
    if (!drive::StartUnixProgram(L"/bin/bash \"" + win32::Widen(tools) + L"/cable\" " + win32::Widen(arguments)))
        return false;
    std::wstring marker = drive::FromUnixPath(session) + L"\\cables\\" + std::to_wstring(port) + L".up";
    return drive::WaitFor([&] { return (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) == up; },
                          drive::Duration(10000));
}

}  // namespace

bool Connect(int a, int b) { return Pull(a) && Pull(b) && Run("connect " + std::to_string(a) + " " + std::to_string(b), b, true); }

bool Pull(int a) { return Run("pull " + std::to_string(a), a, false); }

}  // namespace cable
