#include "console_form.h"

namespace {

const char kPortError[] = "Serial Port Error!";
const char kPortErrorTitle[] = "Prompt";

}  // namespace

void ConsoleForm::Form_Load() {
    controls_.SetCaption("Quarn(UART) - " + port_.Settings());
    controls_.SelectNoPort();
    controls_.SetFrameText("0150");
    controls_.EnableCommands(false);
}

void ConsoleForm::OpenPort_Click() {
    controls_.SetReplyText("");
    if (port_.PortOpen()) port_.SetPortOpen(false);
    if (!port_.SetCommPort(controls_.SelectedPort() + 1) || !port_.SetPortOpen(true)) {
        controls_.EnableCommands(false);
        controls_.ShowMessage(kPortError, kPortErrorTitle);
        return;
    }
    controls_.EnableCommands(true);
}

// The line went away under an open port (a failed write, an adapter pulled): back to Idle, and
// the operator may open a port again.
void ConsoleForm::LosePort() {
    port_.SetPortOpen(false);
    controls_.EnableCommands(false);
    controls_.ShowMessage(kPortError, kPortErrorTitle);
}
