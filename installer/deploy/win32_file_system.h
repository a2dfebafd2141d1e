// The copy plan's file system on Win32.
#pragma once

#include "installer/deploy/file_system.h"

class Win32FileSystem final : public FileSystem {
public:
    Win32FileSystem();
    std::string OwnDirectory() const override;
    Failure MakeDirectory(const std::string& path, const AccessList& list) override;
    PathFacts Describe(const std::string& path) override;
    void SetAccessList(const std::string& path, const AccessList& list) override;
    Failure Copy(const std::string& from, const std::string& to) override;

private:
    std::wstring operatorSid_;  // the user of the program's token, as SID text ("S-1-5-21-...")
};
