#include "console_form.h"

#include "console/commands/command_words.h"
#include "console/commands/frame_number.h"
#include "console/window/port_list.h"

using namespace device_link;

namespace {

const char kPortError[] = "Serial Port Error!";
const char kPortErrorTitle[] = "Prompt";

}  // namespace

// Window and port.

void ConsoleForm::Form_Load() {
    controls_.SetCaption("Quarn(UART) - " + port_.Settings());
    ports_ = port_list::Ports(port_.SystemPorts());
    std::vector<std::string> entries;
    for (int port : ports_) entries.push_back(port_list::EntryText(port));
    controls_.SetPortList(entries);
    controls_.SelectNoPort();
    controls_.SetFrameText("0150");
    controls_.EnableCommands(false);
}

void ConsoleForm::OpenPort_Click() {
    controls_.ClearReplyDisplay();
    if (port_.PortOpen()) port_.SetPortOpen(false);
    portRemoved_ = false;
    int position = controls_.SelectedPort();
    int port = position >= 0 && position < static_cast<int>(ports_.size()) ? ports_[position] : 0;
    if (!port_.SetCommPort(port) || !port_.SetPortOpen(true)) {
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
    portRemoved_ = false;
    controls_.EnableCommands(false);
    controls_.ShowMessage(kPortError, kPortErrorTitle);
}

// Device link.

void ConsoleForm::SendFrame(std::string_view command) {
    if (!port_.Output(BuildFrame(command))) LosePort();
}

void ConsoleForm::MSComm1_OnComm() {
    // A device-error box keeps the window's messages flowing, so a further event can arrive
    // while the handler waits in it. Its bytes wait for the window's next turn: they are taken
    // strictly in arrival order, and no handler runs inside another.
    if (receiving_) return;
    receiving_ = true;
    for (char byte : port_.Input())
        if (rxLine_.Take(byte)) ShowReply();
    receiving_ = false;
    // A lost line is reported once all that came before is shown.
    if (port_.PortOpen() && (port_.LineFailed() || portRemoved_) && port_.InBufferCount() == 0) LosePort();
}

void ConsoleForm::Form_PortRemoved(std::string_view name) {
    if (!port_.PortOpen() || port_list::PortNumber(name) != port_.CommPort()) return;
    portRemoved_ = true;
    MSComm1_OnComm();
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
