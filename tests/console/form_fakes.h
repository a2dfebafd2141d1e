// A fake console window and a fake serial control, recording what the handlers did.
#pragma once

#include "common/serial_control.h"
#include "console/window/console_form.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct Message {
    std::string prompt, title;
    bool operator==(const Message&) const = default;
};

class FakeControls : public ConsoleForm::Controls {
public:
    std::string caption;
    std::vector<std::string> portList;
    int selected = 5;
    std::string frameText;
    std::string replyText = "stale";
    bool commandsEnabled = true;
    int enableCalls = 0;
    std::vector<std::string> replyHistory;
    std::vector<std::string> frameHistory;
    std::vector<Message> messages;
    // Runs while a box is "open", as the window's messages go on under it.
    std::function<void()> whileBoxOpen;

    void SetCaption(std::string_view text) override { caption = text; }
    void SetPortList(const std::vector<std::string>& entries) override { portList = entries; }
    void SelectNoPort() override { selected = -1; }
    int SelectedPort() const override { return selected; }
    std::string FrameText() const override { return frameText; }
    void SetFrameText(std::string_view text) override {
        frameText = text;
        frameHistory.emplace_back(text);
    }
    void SetReplyDisplay(const device_link::ReplyLine& line) override {
        replyText = line.Text();
        replyHistory.push_back(replyText);
    }
    void ClearReplyDisplay() override {
        replyText.clear();
        replyHistory.push_back(replyText);
    }
    void EnableCommands(bool enabled) override {
        commandsEnabled = enabled;
        ++enableCalls;
    }
    void ShowMessage(std::string_view prompt, std::string_view title) override {
        messages.push_back({std::string(prompt), std::string(title)});
        if (whileBoxOpen) whileBoxOpen();
    }
};

class FakePort : public SerialControl {
public:
    std::vector<std::string> systemPorts = {"COM1"};
    bool open = false;
    int commPort = 1;
    std::vector<int> existing = {3, 16};
    std::vector<int> opened;  // port numbers, in order
    int closes = 0;
    std::vector<std::string> writes;
    bool writeFails = false;
    bool lineFailed = false;
    std::deque<std::string> arrivals;  // what each Input returns, in order

    std::string Settings() const override { return "9600,n,8,1"; }
    std::vector<std::string> SystemPorts() const override { return systemPorts; }
    bool PortOpen() const override { return open; }
    bool SetPortOpen(bool value) override {
        if (!value) {
            if (open) ++closes;
            open = false;
            return true;
        }
        if (open || std::find(existing.begin(), existing.end(), commPort) == existing.end()) return false;
        open = true;
        lineFailed = false;
        opened.push_back(commPort);
        return true;
    }
    int CommPort() const override { return commPort; }
    bool SetCommPort(int number) override {
        if (number == 0 || open) return false;
        commPort = number;
        return true;
    }
    bool Output(std::string_view bytes) override {
        if (!open || writeFails) return false;
        writes.emplace_back(bytes);
        return true;
    }
    std::string Input() override {
        if (arrivals.empty()) return {};
        std::string bytes = arrivals.front();
        arrivals.pop_front();
        return bytes;
    }
    std::size_t InBufferCount() const override {
        std::size_t count = 0;
        for (const std::string& bytes : arrivals) count += bytes.size();
        return count;
    }
    bool LineFailed() const override { return lineFailed; }
};

// A form over the fakes, loaded and connected on Com3 unless told otherwise.
struct Console {
    FakeControls controls;
    FakePort port;
    ConsoleForm form{controls, port};

    explicit Console(bool connect = true, std::vector<std::string> systemPorts = {"COM1"}) {
        port.systemPorts = std::move(systemPorts);
        form.Form_Load();
        if (connect) {
            controls.selected = 2;
            form.OpenPort_Click();
        }
        controls.messages.clear();
        controls.replyHistory.clear();
        controls.frameHistory.clear();
    }
    void Receive(std::string bytes) {
        port.arrivals.push_back(std::move(bytes));
        form.MSComm1_OnComm();
    }
    // The window's turns while received bytes wait and no message does.
    void Turns() {
        while (port.InBufferCount() > 0) form.MSComm1_OnComm();
    }
};
