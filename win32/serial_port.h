// A COM port as the serial control: 9600,n,8,1, binary, 1024/512-byte driver buffers.
// The owner's thread reads, since a reply is shown soonest where it is read: the owner waits for
// ReadEvent() together with its other work and then calls TakeRead, which takes at once all the
// driver holds, keeps the next read pending and tells the owner through onReceive.
// A modal loop that takes only some messages (a held title-bar button) keeps a window's thread
// from the event. Given onUntaken, a watcher thread calls it when a completed read stays untaken
// for a moment; a window sends itself a message there, which every message loop delivers, and
// calls TakeRead on it.
#pragma once

#include "common/serial_control.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace win32 {

class SerialPort final : public SerialControl {
public:
    explicit SerialPort(std::function<void()> onReceive, std::function<void()> onUntaken = {});
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    std::string Settings() const override { return "9600,n,8,1"; }
    bool PortOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    bool SetPortOpen(bool open) override;
    bool SetCommPort(int number) override;
    bool Output(std::string_view bytes) override;
    std::string Input() override;
    bool LineFailed() const override { return failed_; }

    // Set while a completed read waits for TakeRead.
    HANDLE ReadEvent() const { return readDone_; }
    // Takes the completed read, if there is one. Like every call here, on the owner's thread.
    void TakeRead();

    // Received bytes kept for the owner; past this the port stops reading until the owner
    // fetches. The line has no flow control, so what it brings meanwhile is lost once the
    // driver's buffer is full: at 9600 baud, after the owner has not fetched for over a quarter
    // of an hour.
    static constexpr size_t kMaxQueued = 1 << 20;
    // How long a completed read waits for the owner's own loop before the watcher calls
    // onUntaken: far less than the driver's buffer lasts at the line's rate (about a second).
    static constexpr DWORD kUntakenMs = 50;

private:
    bool Open();
    void Close();
    bool StartRead();
    void ReadOn();
    bool ReadQueued(char* buffer, DWORD size, DWORD& got);
    void Watch();

    std::function<void()> onReceive_;
    std::function<void()> onUntaken_;
    int commPort_ = 1;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE readDone_ = nullptr;
    HANDLE ioDone_ = nullptr;  // the owner's own waits: writes and the rest of a read
    HANDLE stop_ = nullptr;
    OVERLAPPED read_{};
    char first_ = 0;
    bool reading_ = false;
    bool failed_ = false;
    std::string queued_;
    std::atomic<unsigned> taken_{0};  // reads taken so far, for the watcher
    std::thread watcher_;
};

}  // namespace win32
