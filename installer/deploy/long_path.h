// The path that goes to the platform's file calls: as typed, or in the extended form when it is long.
#pragma once

#include <string>

// `path` as typed, and the full path that the platform makes of it (empty if it could not). The
// usual form ends at MAX_PATH (248 characters for a directory), counted on the full path: a short
// relative path may lie deep in the current directory. A longer path goes in the extended form,
// which takes the full path as it stands; a path already in the extended or the device form is
// left as it is.
std::wstring FileCallPath(const std::wstring& path, const std::wstring& fullPath);
