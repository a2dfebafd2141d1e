// A COM port as the serial control: 9600,n,8,1, binary. While the port is open a reader thread
// keeps one read pending, of up to kReadSize bytes, that ends as soon as bytes are in; it keeps
// them for Input and calls onReceive, on the reader thread, when bytes arrive for an owner that
// has fetched all the earlier ones. A window hands that on to its own thread with
// SendNotifyMessage, which every message loop delivers, modal ones included. Everything else is
// called on the owner's thread, and nothing waits without bound: a reader whose cancelled read
// the driver does not give back within kCloseWait is left to end on its own, with the port's
// handle and all that its reads and writes use, and the port counts as closed.
#pragma once

#include "common/serial_control.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace win32 {

class SerialPort final : public SerialControl {
public:
    explicit SerialPort(std::function<void()> onReceive);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    std::string Settings() const override { return "9600,n,8,1"; }
    std::vector<std::string> SystemPorts() const override;
    bool PortOpen() const override { return line_ != nullptr; }
    bool SetPortOpen(bool open) override;
    int CommPort() const override { return commPort_; }
    bool SetCommPort(int number) override;
    bool Output(std::string_view bytes) override;
    std::string Input() override;
    std::size_t InBufferCount() const override;
    bool LineFailed() const override;

    static constexpr DWORD kReadSize = 4096;
    // Received bytes kept for the owner; past this the reader waits until the owner fetches. The
    // line has no flow control, so what it brings meanwhile is lost once the driver's buffer is
    // full: at 9600 baud, after the owner has not fetched for over a quarter of an hour.
    static constexpr size_t kMaxKept = 1 << 20;
    static constexpr DWORD kCloseWait = 3000;  // ms

private:
    struct Line;  // the open port, shared by the owner and the reader
    bool Open();
    void Close();
    static void Read(std::shared_ptr<Line> line);  // the reader thread

    std::function<void()> onReceive_;
    int commPort_ = 1;
    std::shared_ptr<Line> line_;
    std::thread reader_;
};

}  // namespace win32
