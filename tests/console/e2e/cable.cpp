#include "cable.h"

#include "tools/drive/drive.h"
#include "win32/text.h"

#include <cstdlib>
#include <string>

namespace cable {
namespace {

std::wstring Marker(int port) {
    const char* session = std::getenv("QUARN_SESSION");
    return drive::FromUnixPath(session ? session : "") + L"\\cables\\" + std::to_wstring(port) + L".up";
}

// The cable script is a Unix program: its effect, the marker of the cable, is awaited.
bool Run(const std::string& arguments, int port, bool up) {
    const char* tools = std::getenv("QUARN_TOOLS");
    if (!tools || !std::getenv("QUARN_SESSION")) return false;
    if (!drive::StartUnixProgram(L"/bin/bash \"" + win32::Widen(tools) + L"/cable\" " + win32::Widen(arguments)))
        return false;
    const std::wstring marker = Marker(port);
    return drive::WaitFor([&] { return (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) == up; },
                          drive::Duration(10000));
}

}  // namespace

// One script does it all, pulling what was at either port first: a pull of its own, started
// before, could reach the cable only after the new one is up, and pull it. The old marker goes
// first, so that only the new cable's is awaited.
bool Connect(int a, int b) {
    DeleteFileW(Marker(b).c_str());
    return Run("connect " + std::to_string(a) + " " + std::to_string(b), b, true);
}

bool Pull(int a) { return Run("pull " + std::to_string(a), a, false); }

}  // namespace cable
