// Portlens's window: the controls of the twips table, routed to the console's handlers.
#pragma once

#include "console/window/console_form.h"
#include "win32/form.h"
#include "win32/serial_port.h"

class ConsoleWindow final : public win32::Form, private ConsoleForm::Controls {
public:
    ConsoleWindow();

private:
    void OnCreated() override;
    void OnCommand(int id, int notification) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnIdle() override;
    static LRESULT CALLBACK FrameBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self);

    void SetCaption(std::string_view text) override;
    void SetPortList(const std::vector<std::string>& entries) override;
    void SelectNoPort() override;
    int SelectedPort() const override;
    std::string FrameText() const override;
    void SetFrameText(std::string_view text) override;
    void SetReplyDisplay(const device_link::ReplyLine& line) override;
    void ClearReplyDisplay() override;
    void EnableCommands(bool enabled) override;
    void ShowMessage(std::string_view prompt, std::string_view title) override;

    HWND notified_ = nullptr;  // set before the port can open, and kept: the reader thread reads it
    win32::SerialPort port_;
    ConsoleForm form_;
};
