// The serial communications control as the console window uses it. The Win32 port implements it;
// the native tests implement it with a fake.
#pragma once

#include <string>
#include <string_view>

class SerialControl {
public:
    virtual ~SerialControl() = default;

    // Line settings as "baud,parity letter,data bits,stop bits", such as "9600,n,8,1".
    virtual std::string Settings() const = 0;
    virtual bool PortOpen() const = 0;
    // Opening fails when the port does not exist or is in use; closing always succeeds.
    virtual bool SetPortOpen(bool open) = 0;
    // Port number for the next open; 0 (nothing selected) is refused.
    virtual bool SetCommPort(int number) = 0;
    // Queues all bytes for sending, in order, in one call; false when the line has failed.
    virtual bool Output(std::string_view bytes) = 0;
    // All bytes received since the last call; empties the receive buffer.
    virtual std::string Input() = 0;
    // True once the line failed under the receive side (an adapter pulled while open).
    virtual bool LineFailed() const = 0;
};
