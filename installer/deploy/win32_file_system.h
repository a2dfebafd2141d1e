// The copy plan's file system on Win32.
#pragma once

#include "installer/deploy/file_system.h"

class Win32FileSystem final : public FileSystem {
public:
    std::string OwnDirectory() const override;
    Failure MakeDirectory(const std::string& path) override;
    Failure Copy(const std::string& from, const std::string& to) override;
};
