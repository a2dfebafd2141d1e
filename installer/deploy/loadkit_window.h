// Loadkit's window: the controls of the twips table, routed to the installer's handlers.
#pragma once

#include "installer/deploy/loadkit_form.h"
#include "installer/deploy/win32_file_system.h"
#include "installer/driver/win32_program_start.h"
#include "win32/form.h"

class LoadkitWindow final : public win32::Form, private LoadkitForm::Controls {
public:
    LoadkitWindow();

private:
    void OnCreated() override;
    void OnCommand(int id, int notification) override;

    std::string DestinationText() const override;
    std::string LogText() const override;
    void SetLogText(std::string_view text) override;
    void SetStatus(std::string_view text) override;
    void Repaint() override;
    void ShowWholeLog() override;
    void ShowMessage(std::string_view prompt, std::string_view title) override;

    Win32FileSystem files_;
    Win32ProgramStart programs_;
    LoadkitForm form_;
};
