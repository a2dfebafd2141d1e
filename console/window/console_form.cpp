#include "console_form.h"

#include "console/commands/command_words.h"
#include "console/commands/frame_number.h"

using namespace device_link;

namespace {

const char kPortError[] = "Serial Port Error!";
const char kPortErrorTitle[] = "Prompt";

}  // namespace

// Window and port.

void ConsoleForm::Form_Load() {
    controls_.SetCaption("Quarn(UART) - " + port_.Settings());
    controls_.SelectNoPort();
    controls_.SetFrameText("0150");
    controls_.EnableCommands(false);
}

void ConsoleForm::OpenPort_Click() {
    controls_.ClearReplyDisplay();
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

// Device link.

void ConsoleForm::SendFrame(std::string_view command) {
    if (!port_.Output(BuildFrame(command))) LosePort();
}

void ConsoleForm::MSComm1_OnComm() {
    // A device-error box keeps the window's messages flowing, so a further event can arrive
    // while the handler waits in it. The running handler fetches those bytes itself once the box
    // is closed: bytes are taken strictly in arrival order, and no handler runs inside another.
    if (receiving_) return;
    receiving_ = true;
    for (std::string bytes = port_.Input(); !bytes.empty(); bytes = port_.Input())
        for (char byte : bytes)
            if (rxLine_.Take(byte)) ShowReply();
    receiving_ = false;
    if (port_.PortOpen() && port_.LineFailed()) LosePort();
}

void ConsoleForm::ShowReply() {
    controls_.SetReplyDisplay(rxLine_);
    if (auto code = DeviceErrorCode(rxLine_.Text())) ShowDeviceError(*code);
    if (auto frame = FrameNumber(rxLine_.Text())) controls_.SetFrameText(*frame);
}

void ConsoleForm::ShowDeviceError(char code) { controls_.ShowMessage(DeviceErrorMessage(code), kDeviceErrorTitle); }

// Commands: each clears the reply display and ends in one frame.

void ConsoleForm::SendFrameNumber(double step) {
    controls_.ClearReplyDisplay();
    double value = frame_number::LeadingValue(controls_.FrameText()) + step;
    controls_.SetFrameText(frame_number::Format(frame_number::ToFrameNumber(value)));
    SendFrame(command_words::SelectFrame(controls_.FrameText()));
}

void ConsoleForm::SendFixed(std::string_view command) {
    controls_.ClearReplyDisplay();
    SendFrame(command);
}

void ConsoleForm::Command1_Click() { SendFrameNumber(+1.0); }
void ConsoleForm::Command2_Click() { SendFrameNumber(-1.0); }
void ConsoleForm::Command3_Click() { SendFrameNumber(0.0); }
void ConsoleForm::Command4_Click() { SendFixed(command_words::kAskFrame); }
void ConsoleForm::Command5_Click() { SendFixed(command_words::kQueryId); }
void ConsoleForm::Command8_Click() { SendFixed(command_words::kSequence0); }
void ConsoleForm::Command9_Click() { SendFixed(command_words::kSequence1); }
void ConsoleForm::Command10_Click() { SendFixed(command_words::kSequence2); }
void ConsoleForm::Command11_Click() { SendFixed(command_words::kSequence3); }

void ConsoleForm::Text2_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command3_Click();
}
