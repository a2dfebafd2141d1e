// Which paths the file calls get in the extended form. Wine takes long paths in the usual form
// too, so the end-to-end tests cannot tell; Windows fails them.
#include "installer/deploy/long_path.h"

#include <gtest/gtest.h>

namespace {

// A full path of `length` characters on drive C:.
std::wstring DeepPath(std::wstring::size_type length) {
    std::wstring path = L"C:\\";
    while (path.size() < length) path += path.size() % 100 == 99 ? L'\\' : L'd';
    return path;
}

TEST(FileCallPath, AShortPathGoesAsTyped) {
    EXPECT_EQ(FileCallPath(L"C:\\Velmo", L"C:\\Velmo"), L"C:\\Velmo");
    // The platform normalises a short path itself: blanks, doubled separators and all.
    EXPECT_EQ(FileCallPath(L" C:\\安装 目录\\\\Driver", L"C:\\安装 目录\\Driver"), L" C:\\安装 目录\\\\Driver");
    EXPECT_EQ(FileCallPath(L"Velmo", L"M:\\Setup\\Velmo"), L"Velmo");
    EXPECT_EQ(FileCallPath(L"A:\\Velmo", L""), L"A:\\Velmo");  // no full path: as typed
}

TEST(FileCallPath, TheLimitIsCountedOnTheFullPath) {
    EXPECT_EQ(FileCallPath(L"x", DeepPath(247)), L"x");
    EXPECT_EQ(FileCallPath(L"x", DeepPath(248)), L"\\\\?\\" + DeepPath(248));
    // A short relative path deep in the current directory.
    std::wstring full = DeepPath(300) + L"\\Velmo";
    EXPECT_EQ(FileCallPath(L"Velmo", full), L"\\\\?\\" + full);
}

TEST(FileCallPath, ALongShareGoesInTheExtendedUncForm) {
    std::wstring share = L"\\\\server\\share\\" + std::wstring(250, L'd');
    EXPECT_EQ(FileCallPath(share, share), L"\\\\?\\UNC\\server\\share\\" + std::wstring(250, L'd'));
}

TEST(FileCallPath, ExtendedAndDevicePathsStayAsTheyAre) {
    std::wstring extended = L"\\\\?\\" + DeepPath(300);
    EXPECT_EQ(FileCallPath(extended, extended), extended);
    std::wstring device = L"\\\\.\\" + DeepPath(300);
    EXPECT_EQ(FileCallPath(device, device), device);
}

}  // namespace
