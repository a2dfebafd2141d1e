#include "cable.h"

#include "tools/drive/drive.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace cable {
namespace {

std::wstring FromUnix(const char* path) {
    std::wstring windows = L"Z:";
    for (const char* p = path; *p; ++p) windows += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return windows;
}

// Wine starts Unix programs too, but cannot wait for them: the effect is awaited instead.
bool Run(const std::string& arguments, int port, bool up) {
    const char* tools = std::getenv("QUARN_TOOLS");
    const char* session = std::getenv("QUARN_SESSION");
    if (!tools || !session) return false;
    std::wstring line = L"/bin/bash " + std::wstring(tools, tools + std::strlen(tools)) + L"/cable ";
    line += std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::wstring marker = FromUnix(session) + L"\\cables\\" + std::to_wstring(port) + L".up";
    return drive::WaitFor([&] { return (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) == up; },
                          drive::Duration(10000));
}

}  // namespace

bool Connect(int a, int b) { return Pull(a) && Pull(b) && Run("connect " + std::to_string(a) + " " + std::to_string(b), b, true); }

bool Pull(int a) { return Run("pull " + std::to_string(a), a, false); }

}  // namespace cable
