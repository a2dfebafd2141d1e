// A COM port as the serial control: 9600,n,8,1, binary. A reader thread keeps one read pending
// while the port is open and takes at once all that the driver holds when a byte is in; it keeps
// the bytes for Input and calls onReceive, on the reader thread, when there are new ones for an
// owner that has taken all the earlier ones. A window hands that on to its own thread with
// SendNotifyMessage, which every message loop delivers, modal ones included. Everything else is
// called on the owner's thread.
#pragma once

#include "common/serial_control.h"

#include <windows.h>

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

    // Received bytes kept for the owner; past this the reader waits until the owner fetches. The
    // line has no flow control, so what it brings meanwhile is lost once the driver's buffer is
    // full: at 9600 baud, after the owner has not fetched for over a quarter of an hour.
    static constexpr size_t kMaxKept = 1 << 20;

private:
    bool Open();
    void Close();
    void Read();  // the reader thread
    bool ReadAvailable(std::string& bytes, HANDLE done);
    // Keeps the bytes of one read for the owner; false when the reader is to stop.
    bool Keep(const std::string& bytes, bool failed);

    std::function<void()> onReceive_;
    int commPort_ = 1;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE written_ = nullptr;  // the owner's writes
    HANDLE stop_ = nullptr;     // tells the reader to end
    HANDLE fetched_ = nullptr;  // set by Input, for a reader waiting at the bound
    std::thread reader_;

    mutable std::mutex mutex_;  // guards what follows, shared by the reader and the owner
    std::string kept_;
    bool failed_ = false;
    bool told_ = false;  // the owner was told of bytes it has not fetched yet
};

}  // namespace win32
