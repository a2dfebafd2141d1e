#include "loadkit_form.h"

namespace {

const char kDriverDir[] = "\\Driver";
const char* const kDriverFiles[] = {"\\VL_USB.INF", "\\VL_USB.cat", "\\WINDRVR6.SYS", "\\wdreg_gui.exe",
                                    "\\Loadkit.exe"};
const char* const kProgramFiles[] = {"\\WD_UTILS.DLL", "\\Quarn.exe", "\\Portlens.exe", "\\COMDLG32.OCX",
                                     "\\MSCOMM32.OCX"};
// SYSTEM and Administrators full control, the operator modify, Users read and execute.
const AccessList kProtectedList = {{Account::System, Rights::FullControl},
                                   {Account::Administrators, Rights::FullControl},
                                   {Account::Operator, Rights::Modify},
                                   {Account::Users, Rights::ReadAndExecute}};
const char kDestinationName[] = "The destination directory";
const char kDriverDirName[] = "The Driver directory";
const char kNothingCopied[] = ": nothing is copied into it.";
const char kCompleted[] = "Compeleted!";
const char kNoDestination[] = "No destination directory was given.";
const char kNoParent[] = "The installer's directory has no parent directory.";

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// The directory above: the last path element and its separator removed, whatever its length.
// A root ("E:\", "\\server\share", "\\?\UNC\server\share") has none.
Failure ParentDirectory(std::string& directory) {
    size_t separator = directory.find_last_of('\\');
    size_t server = directory.starts_with("\\\\?\\UNC\\") ? 8 : 2;
    bool root = separator == std::string::npos || separator + 1 == directory.size() ||
                (directory.starts_with("\\\\") && directory.find('\\', server) == separator);
    if (root) return kNoParent;
    directory.erase(separator);
    return {};
}

// Why a directory that was there already must not receive the files; nullptr if it may. What is
// no directory at all is left to the copies, which say what fails; a volume without access lists
// has nothing to check.
const char* Distrust(const PathFacts& found) {
    if (found.kind == PathKind::ReparsePoint) return " is a junction or another reparse point";
    if (found.kind != PathKind::Directory || !found.keepsAccessLists) return nullptr;
    if (found.owner == Owner::SomeoneElse) return " is owned by another user";
    if (found.othersMayWrite) return " can be changed by other users";
    return nullptr;
}

// A directory of a trusted owner that others may change and the operator may protect, as an
// earlier version left its installation. A directory that others cannot change keeps its list
// (the protected one would let every user read a private folder), and so does a drive's root,
// whose new list would reach everything on the drive.
bool Mendable(const PathFacts& found) {
    return found.kind == PathKind::Directory && found.keepsAccessLists && !found.volumeRoot &&
           found.owner != Owner::SomeoneElse && found.othersMayWrite && found.operatorMayChangeList;
}

}  // namespace

void LoadkitForm::ClearLogAndStatus() {
    controls_.SetLogText("");
    controls_.SetStatus("");
    controls_.Repaint();
}

// The failure rule: the description and CR LF go to the end of the log box.
void LoadkitForm::Log(const Failure& failure) {
    if (failure) controls_.SetLogText(controls_.LogText() + *failure + "\r\n");
}

// Makes the directory `destDir_` with the protected list. One that is there already is mended if
// need be and then checked: false, and a line that says why, if the files must not go into it.
bool LoadkitForm::MakeDirectoryStep(const char* name) {
    Failure made = files_.MakeDirectory(destDir_, kProtectedList);
    if (!made) return true;
    Log(made);
    PathFacts found = files_.Describe(destDir_);
    if (Mendable(found)) {
        files_.SetAccessList(destDir_, kProtectedList);
        found = files_.Describe(destDir_);
    }
    const char* why = Distrust(found);
    if (why) Log(name + std::string(why) + kNothingCopied);
    return !why;
}

void LoadkitForm::CopyStep(const char* file) { Log(files_.Copy(sourceDir_ + file, destDir_ + file)); }

// The copy plan: every step is guarded by itself, and the plan goes on after a failed one.
void LoadkitForm::Command1_Click() {
    ClearLogAndStatus();
    sourceDir_ = files_.OwnDirectory();
    destDir_ = controls_.DestinationText();
    // A blank destination would put the files into the root of the current drive.
    if (IsBlank(destDir_)) {
        Log(kNoDestination);
        controls_.ShowWholeLog();
        return;
    }
    bool destinationTrusted = MakeDirectoryStep(kDestinationName);
    destDir_ += kDriverDir;
    // Nothing goes into a refused destination, not even a Driver directory.
    bool driverTrusted = destinationTrusted && MakeDirectoryStep(kDriverDirName);
    if (driverTrusted)
        for (const char* file : kDriverFiles) CopyStep(file);
    // Without a parent, the program files are taken from the installer's own directory.
    Log(ParentDirectory(sourceDir_));
    destDir_.erase(destDir_.size() - (sizeof kDriverDir - 1));
    if (destinationTrusted)
        for (const char* file : kProgramFiles) CopyStep(file);
    controls_.SetStatus(kCompleted);
    // A failed step must not hide behind "Compeleted!": the whole log comes into view.
    if (!controls_.LogText().empty()) controls_.ShowWholeLog();
}
