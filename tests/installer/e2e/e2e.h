// What the end-to-end tests share: the built medium, a fresh work directory per test, and small
// file helpers that take long paths too.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

// Set by main from the command line: the built medium and the directory the tests work in.
extern std::wstring medium;
extern std::wstring work;

// Which registration tool a laid-out medium holds.
enum class Tool { Real, Recorder, None };

// The running test's own directory, work\<suite>.<test>, emptied when the test first asks.
std::wstring TestDirectory();
// Creates the directory and every missing parent.
void MakeDirectories(const std::wstring& path);
bool Exists(const std::wstring& path);
std::string ReadAll(const std::wstring& path);
void WriteAll(const std::wstring& path, const std::string& bytes);
void CopyInto(const std::wstring& file, const std::wstring& directory, const std::wstring& name = L"");

// Lays out a copy of the built medium: the program files in `root`, the installer and the
// driver files in root\installerDir. Returns the installer directory.
std::wstring LayMedium(const std::wstring& root, const std::wstring& installerDir, Tool tool);

// The files of the medium's two directories.
const std::vector<std::wstring>& DriverFiles();
const std::vector<std::wstring>& ProgramFiles();

// Every directory and file below `root` with its contents (a directory's is "<dir>"), leaving
// out the tree at `except`: what a run may not have changed.
std::map<std::wstring, std::string> Snapshot(const std::wstring& root, const std::wstring& except);

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator);

}  // namespace e2e
