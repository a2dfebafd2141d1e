// The console window's handlers, over a small interface to its controls and to the serial
// control, so that they run the same on the Win32 window and on the tests' fakes.
#pragma once

#include "common/serial_control.h"
#include "console/link/protocol.h"

#include <string>
#include <string_view>
#include <vector>

class ConsoleForm {
public:
    // The controls the handlers use. Texts are UTF-8.
    class Controls {
    public:
        virtual ~Controls() = default;
        virtual void SetCaption(std::string_view text) = 0;
        virtual void SetPortList(const std::vector<std::string>& entries) = 0;  // Combo1
        virtual void SelectNoPort() = 0;
        virtual int SelectedPort() const = 0;  // list position in Combo1, -1 when none
        virtual std::string FrameText() const = 0;  // Text2
        virtual void SetFrameText(std::string_view text) = 0;
        // Label1 shows the line: its markers as they are, the board's bytes as characters of the
        // system's ANSI code page.
        virtual void SetReplyDisplay(const device_link::ReplyLine& line) = 0;
        virtual void ClearReplyDisplay() = 0;
        // The nine command buttons, then Text2.
        virtual void EnableCommands(bool enabled) = 0;
        // A modal box with an information icon and an OK button; returns when it is closed.
        virtual void ShowMessage(std::string_view prompt, std::string_view title) = 0;
    };

    ConsoleForm(Controls& controls, SerialControl& port) : controls_(controls), port_(port) {}

    // Window and port.
    void Form_Load();
    void OpenPort_Click();

    // Device link. Each event handles one batch of the received bytes; while more wait, the
    // window runs it again whenever no message waits.
    void MSComm1_OnComm();
    // The system reports a port's device gone (an adapter pulled), by the port's name.
    void Form_PortRemoved(std::string_view name);

    // Commands.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command11_Click();
    void Text2_KeyPress(int keyAscii);

private:
    void SendFrame(std::string_view command);
    void ShowReply();  // at each ETX: the line on the reply display, then its meaning
    void ShowDeviceError(char code);
    void SendFrameNumber(double step);
    void SendFixed(std::string_view command);
    void LosePort();

    Controls& controls_;
    SerialControl& port_;
    std::vector<int> ports_;  // the port number of each entry of Combo1
    device_link::ReplyLine rxLine_;
    bool receiving_ = false;
    bool portRemoved_ = false;  // the open port's device is gone
};
