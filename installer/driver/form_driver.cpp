#include "installer/deploy/loadkit_form.h"

namespace {

// SW_SHOWMINIMIZED: the tool's window opens minimized and activated.
const int kMinimized = 2;
const char kWarning[] = "Warning!";

}  // namespace

// One failure path for the whole command: a box, nothing in the log, the status left empty.
bool LoadkitForm::StartTool(const CommandLine& command) {
    Failure failure = programs_.Start(command, kMinimized, taskId_);
    if (failure) controls_.ShowMessage(*failure, kWarning);
    return !failure;
}

void LoadkitForm::Command2_Click() {
    ClearLogAndStatus();
    sourceDir_ = files_.OwnDirectory();
    if (!StartTool(InstallCommand(sourceDir_))) return;
    controls_.SetStatus(taskId_ != 0 ? "Driver Finished!" : "Driver Faiure!");
}

void LoadkitForm::Command3_Click() {
    ClearLogAndStatus();
    sourceDir_ = files_.OwnDirectory();
    StartTool(UninstallCommand(sourceDir_));
}
