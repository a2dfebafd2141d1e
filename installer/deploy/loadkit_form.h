// The installer window's handlers, over a small interface to its controls, the file system and
// the start of a program, so that they run the same on the Win32 window and on the tests' fakes.
#pragma once

#include "installer/deploy/file_system.h"
#include "installer/driver/program_start.h"

#include <string>
#include <string_view>

class LoadkitForm {
public:
    // The controls the handlers use. Texts are UTF-8.
    class Controls {
    public:
        virtual ~Controls() = default;
        virtual std::string DestinationText() const = 0;  // Text1
        virtual std::string LogText() const = 0;          // Text2
        virtual void SetLogText(std::string_view text) = 0;
        virtual void SetStatus(std::string_view text) = 0;  // Label2
        // Redraws the window and its controls at once.
        virtual void Repaint() = 0;
        // Grows the window, if need be, so that the whole log box is in view.
        virtual void ShowWholeLog() = 0;
        // A modal box with an OK button and no icon; returns when it is closed.
        virtual void ShowMessage(std::string_view prompt, std::string_view title) = 0;
    };

    LoadkitForm(Controls& controls, FileSystem& files, ProgramStart& programs)
        : controls_(controls), files_(files), programs_(programs) {}

    // The window is ready as its table lays it out: nothing to do.
    void Form_Load() {}
    // File copy.
    void Command1_Click();
    // Driver install and uninstall.
    void Command2_Click();
    void Command3_Click();

private:
    void ClearLogAndStatus();
    void Log(const Failure& failure);
    bool MakeDirectoryStep(const char* name);
    void CopyStep(const char* file);
    bool StartTool(const CommandLine& command);

    Controls& controls_;
    FileSystem& files_;
    ProgramStart& programs_;
    std::string sourceDir_;
    std::string destDir_;
    double taskId_ = 0;
};
