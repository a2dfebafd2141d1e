// The file-system operations of the copy plan. The Win32 side implements them; the native tests
// implement them with a fake. Paths are UTF-8.
#pragma once

#include <optional>
#include <string>

// The platform's description of why an operation failed; nothing when it succeeded.
using Failure = std::optional<std::string>;

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The directory of the running program file: no trailing separator, except for a drive's
    // root directory (such as "E:\").
    virtual std::string OwnDirectory() const = 0;
    // Creates that one directory; fails if it exists, if its parent is missing or if the path is
    // empty or invalid.
    virtual Failure MakeDirectory(const std::string& path) = 0;
    // Copies the content, replacing an existing destination file, even a read-only one, and
    // leaves the copy writable.
    virtual Failure Copy(const std::string& from, const std::string& to) = 0;
};
