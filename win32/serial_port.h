// A COM port as the serial control: 9600,n,8,1, binary, 1024/512-byte driver buffers. One reader
// thread keeps one overlapped read pending and queues what arrives; the owner is told through
// onReceive (called on the reader thread, once until the next Input) and fetches on its own thread.
#pragma once

#include "common/serial_control.h"

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace win32 {

class SerialPort final : public SerialControl {
public:
    explicit SerialPort(std::function<void()> onReceive);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    std::string Settings() const override { return "9600,n,8,1"; }
    bool PortOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    bool SetPortOpen(bool open) override;
    bool SetCommPort(int number) override;
    bool Output(std::string_view bytes) override;
    std::string Input() override;
    bool LineFailed() const override;

    // Received bytes kept for the owner beyond the driver's buffer; past this the reader waits
    // for the owner to fetch, so the driver and the line hold the rest instead of losing it.
    static constexpr size_t kMaxQueued = 1 << 20;

private:
    bool Open();
    void Close();
    void ReadLoop();
    bool ReadSome(char* buffer, DWORD size, DWORD& got);

    std::function<void()> onReceive_;
    int commPort_ = 1;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr;
    HANDLE readDone_ = nullptr;
    HANDLE writeDone_ = nullptr;
    std::thread reader_;

    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::string queued_;
    bool notified_ = false;
    bool failed_ = false;
    bool stopping_ = false;
};

}  // namespace win32
