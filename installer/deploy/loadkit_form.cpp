#include "loadkit_form.h"

namespace {

const char kDriverDir[] = "\\Driver";
const char* const kDriverFiles[] = {"\\VL_USB.INF", "\\VL_USB.cat", "\\WINDRVR6.SYS", "\\wdreg_gui.exe",
                                    "\\Loadkit.exe"};
const char* const kProgramFiles[] = {"\\WD_UTILS.DLL", "\\Quarn.exe", "\\Portlens.exe", "\\COMDLG32.OCX",
                                     "\\MSCOMM32.OCX"};
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
    Log(files_.MakeDirectory(destDir_));
    destDir_ += kDriverDir;
    Log(files_.MakeDirectory(destDir_));
    for (const char* file : kDriverFiles) CopyStep(file);
    // Without a parent, the program files are taken from the installer's own directory.
    Log(ParentDirectory(sourceDir_));
    destDir_.erase(destDir_.size() - (sizeof kDriverDir - 1));
    for (const char* file : kProgramFiles) CopyStep(file);
    controls_.SetStatus(kCompleted);
    // A failed step must not hide behind "Compeleted!": the whole log comes into view.
    if (!controls_.LogText().empty()) controls_.ShowWholeLog();
}
