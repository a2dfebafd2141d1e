// The console window's side of the device link: sending frames, receiving replies.
#include "console/window/console_form.h"

using namespace device_link;

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
        rxLine_.Feed(bytes, [this] { ShowReply(); });
    receiving_ = false;
    if (port_.PortOpen() && port_.LineFailed()) LosePort();
}

void ConsoleForm::ShowReply() {
    std::string_view line = rxLine_.Text();
    controls_.SetReplyText(line);
    if (auto code = DeviceErrorCode(line)) ShowDeviceError(*code);
    if (auto frame = FrameNumber(line)) controls_.SetFrameText(*frame);
}

void ConsoleForm::ShowDeviceError(char code) { controls_.ShowMessage(DeviceErrorMessage(code), kDeviceErrorTitle); }
