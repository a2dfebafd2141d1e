// The operator's commands: every one clears the reply display and ends in one frame.
#include "console/commands/frame_number.h"
#include "console/window/console_form.h"

void ConsoleForm::SendFrameNumber(double step) {
    controls_.SetReplyText("");
    double value = frame_number::LeadingValue(controls_.FrameText()) + step;
    controls_.SetFrameText(frame_number::Format(frame_number::ToFrameNumber(value)));
    SendFrame("FRM" + controls_.FrameText());
}

void ConsoleForm::Command1_Click() { SendFrameNumber(+1.0); }
void ConsoleForm::Command2_Click() { SendFrameNumber(-1.0); }
void ConsoleForm::Command3_Click() { SendFrameNumber(0.0); }

void ConsoleForm::Text2_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command3_Click();
}

void ConsoleForm::Command4_Click() { SendFixed("FRMASK"); }
void ConsoleForm::Command5_Click() { SendFixed("QID"); }
void ConsoleForm::Command8_Click() { SendFixed("SEQ0"); }
void ConsoleForm::Command9_Click() { SendFixed("SEQ1"); }
void ConsoleForm::Command10_Click() { SendFixed("SEQ2"); }
void ConsoleForm::Command11_Click() { SendFixed("SEQ3"); }

void ConsoleForm::SendFixed(std::string_view command) {
    controls_.SetReplyText("");
    SendFrame(command);
}
