// loadkit_e2e_tests <medium> <work directory> [GoogleTest options]
#include "e2e.h"

#include "tools/drive/drive.h"
#include "win32/text.h"

namespace e2e {

std::wstring medium;
std::wstring work;

namespace {

// Paths past MAX_PATH need the extended form.
std::wstring Extended(const std::wstring& path) {
    return path.size() > 2 && path[1] == L':' ? L"\\\\?\\" + path : path;
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Extended(path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(Extended(child).c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only medium's files
                DeleteFileW(Extended(child).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(Extended(path).c_str());
}

}  // namespace

std::wstring TestDirectory() {
    static const testing::TestInfo* emptied = nullptr;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::wstring directory = work + L"\\" + win32::Widen(test->test_suite_name()) + L"." + win32::Widen(test->name());
    if (test != emptied) {
        emptied = test;
        RemoveTree(directory);
        MakeDirectories(directory);
    }
    return directory;
}

void MakeDirectories(const std::wstring& path) {
    for (size_t separator = path.find(L'\\', 3); separator != std::wstring::npos;
         separator = path.find(L'\\', separator + 1))
        CreateDirectoryW(Extended(path.substr(0, separator)).c_str(), nullptr);
    CreateDirectoryW(Extended(path).c_str(), nullptr);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::wstring& path) {
    HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(cannot open)";
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << win32::Narrow(path);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void CopyInto(const std::wstring& file, const std::wstring& directory, const std::wstring& name) {
    std::wstring target = directory + L"\\" + (name.empty() ? file.substr(file.find_last_of(L'\\') + 1) : name);
    ASSERT_TRUE(CopyFileW(Extended(file).c_str(), Extended(target).c_str(), FALSE)) << win32::Narrow(file);
}

const std::vector<std::wstring>& DriverFiles() {
    static const std::vector<std::wstring> files = {L"VL_USB.INF", L"VL_USB.cat", L"WINDRVR6.SYS", L"wdreg_gui.exe",
                                                    L"Loadkit.exe"};
    return files;
}

const std::vector<std::wstring>& ProgramFiles() {
    static const std::vector<std::wstring> files = {L"WD_UTILS.DLL", L"Quarn.exe", L"Portlens.exe", L"COMDLG32.OCX",
                                                    L"MSCOMM32.OCX"};
    return files;
}

std::wstring LayMedium(const std::wstring& root, const std::wstring& installerDir, Tool tool) {
    std::wstring installer = installerDir.empty() ? root : root + L"\\" + installerDir;
    MakeDirectories(installer);
    for (const auto& file : ProgramFiles()) CopyInto(medium + L"\\" + file, root);
    for (const auto& file : DriverFiles()) {
        if (file != L"wdreg_gui.exe") CopyInto(medium + L"\\Driver\\" + file, installer);
    }
    if (tool == Tool::Real) CopyInto(medium + L"\\Driver\\wdreg_gui.exe", installer);
    if (tool == Tool::Recorder) CopyInto(drive::OwnDirectory() + L"record_tool.exe", installer, L"wdreg_gui.exe");
    return installer;
}

std::map<std::wstring, std::string> Snapshot(const std::wstring& root, const std::wstring& except) {
    std::map<std::wstring, std::string> entries;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Extended(root + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        std::wstring name = found.cFileName, path = root + L"\\" + name;
        if (name == L"." || name == L".." || _wcsicmp(path.c_str(), except.c_str()) == 0) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries[path] = "<dir>";
            entries.merge(Snapshot(path, except));
        } else {
            entries[path] = ReadAll(path);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::wstring::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    if (start < text.size()) parts.push_back(text.substr(start));
    return parts;
}

}  // namespace e2e

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        fwprintf(stderr, L"usage: loadkit_e2e_tests <medium> <work directory> [GoogleTest options]\n");
        return 2;
    }
    e2e::medium = argv[1];
    e2e::work = argv[2];
    e2e::MakeDirectories(e2e::work);
    return RUN_ALL_TESTS();
}
