// The file-system operations of the copy plan. The Win32 side implements them; the native tests
// implement them with a fake. Paths are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The platform's description of why an operation failed; nothing when it succeeded.
using Failure = std::optional<std::string>;

// An access list: who may do what in a directory, each entry for the directory and for the files
// and folders below it. The operator is the user who runs the program.
enum class Account { System, Administrators, Operator, Users };
enum class Rights { FullControl, Modify, ReadAndExecute };
struct Grant {
    Account account;
    Rights rights;
    bool operator==(const Grant&) const = default;
};
using AccessList = std::vector<Grant>;

// What stands at a path, as far as trusting it with the files goes. Only a directory is described
// beyond its kind; an owner or a list that cannot be read is someone else's, letting others write.
enum class PathKind { NotADirectory, Directory, ReparsePoint };  // NotADirectory: a file, or nothing
enum class Owner { Operator, Administrators, System, TrustedInstaller, SomeoneElse };
struct PathFacts {
    PathKind kind = PathKind::NotADirectory;
    bool volumeRoot = false;       // the root directory of its drive or share
    bool keepsAccessLists = true;  // its volume keeps access lists (FAT and some shares do not)
    Owner owner = Owner::SomeoneElse;
    // Someone besides the operator, Administrators, SYSTEM and TrustedInstaller may write to the
    // directory, change or delete it, or write to what is made in it.
    bool othersMayWrite = true;
    bool operatorMayChangeList = false;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The directory of the running program file: no trailing separator, except for a drive's
    // root directory (such as "E:\").
    virtual std::string OwnDirectory() const = 0;
    // Creates that one directory with `list` and nothing inherited from above (where the volume
    // keeps access lists); fails if it exists, if its parent is missing or if the path is empty
    // or invalid.
    virtual Failure MakeDirectory(const std::string& path, const AccessList& list) = 0;
    // What stands at `path`; a reparse point itself, never what it leads to.
    virtual PathFacts Describe(const std::string& path) = 0;
    // Gives the real directory at `path` `list` in place of its own and what it inherited, for
    // everything below it too; Describe tells what it then is.
    virtual void SetAccessList(const std::string& path, const AccessList& list) = 0;
    // Copies the content, replacing an existing destination file, even a read-only one, and
    // leaves the copy writable.
    virtual Failure Copy(const std::string& from, const std::string& to) = 0;
};
