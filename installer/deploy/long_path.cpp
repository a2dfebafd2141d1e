#include "long_path.h"

namespace {

const std::wstring::size_type kUsualPathLimit = 248;

}  // namespace

std::wstring FileCallPath(const std::wstring& path, const std::wstring& fullPath) {
    if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\") || fullPath.size() < kUsualPathLimit)
        return path;
    if (fullPath.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return L"\\\\?\\" + fullPath;
}
