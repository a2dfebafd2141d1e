// The serial communications control as the console window uses it. The Win32 port implements it;
// the native tests implement it with a fake.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class SerialControl {
public:
    virtual ~SerialControl() = default;

    // Line settings as "baud,parity letter,data bits,stop bits", such as "9600,n,8,1".
    virtual std::string Settings() const = 0;
    // The names of the system's serial ports as its device map lists them now, such as "COM17",
    // in no particular order.
    virtual std::vector<std::string> SystemPorts() const = 0;
    virtual bool PortOpen() const = 0;
    // Opening fails when the port does not exist or is in use; closing always succeeds.
    virtual bool SetPortOpen(bool open) = 0;
    virtual int CommPort() const = 0;
    // Port number for the next open; 0 (nothing selected) is refused.
    virtual bool SetCommPort(int number) = 0;
    // Queues all bytes for sending, in order, in one call; false when the line has failed.
    virtual bool Output(std::string_view bytes) = 0;
    // The oldest of the received bytes not fetched yet, a batch of at most kInputLen, so that
    // handling one stays short; the rest wait for the next calls.
    virtual std::string Input() = 0;
    static constexpr std::size_t kInputLen = 256;
    // The number of received bytes not fetched yet.
    virtual std::size_t InBufferCount() const = 0;
    // True once the line failed under the receive side (an adapter pulled while open). The bytes
    // that came before the failure can still be fetched.
    virtual bool LineFailed() const = 0;
};
