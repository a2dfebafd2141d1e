#include "serial_port.h"

#include <cwchar>

namespace win32 {

SerialPort::SerialPort(std::function<void()> onReceive)
    : onReceive_(std::move(onReceive)),
      written_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      fetched_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

SerialPort::~SerialPort() {
    Close();
    CloseHandle(written_);
    CloseHandle(stop_);
    CloseHandle(fetched_);
}

bool SerialPort::SetCommPort(int number) {
    if (number < 1 || number > 255 || PortOpen()) return false;
    commPort_ = number;
    return true;
}

bool SerialPort::SetPortOpen(bool open) {
    if (!open) {
        Close();
        return true;
    }
    return !PortOpen() && Open();
}

bool SerialPort::Open() {
    // The device path, so that COM10 and above open too.
    wchar_t path[16];
    swprintf(path, 16, L"\\\\.\\COM%d", commPort_);
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;

    // The buffer sizes are a request that some USB and virtual port drivers refuse; the port works
    // with the driver's own sizes then.
    SetupComm(handle, 1024, 512);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    // No read timeouts: a read waits for its bytes. A write that the line cannot take in two
    // seconds counts as failed rather than hanging the window.
    COMMTIMEOUTS timeouts{0, 0, 0, 2, 2000};
    bool ready = GetCommState(handle, &dcb);
    if (ready) {
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = TRUE;
        dcb.fErrorChar = TRUE;  // a byte with a parity error arrives as '?'
        dcb.ErrorChar = '?';
        dcb.fNull = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        ready = SetCommState(handle, &dcb) && SetCommTimeouts(handle, &timeouts);
    }
    if (!ready) {
        CloseHandle(handle);
        return false;
    }

    handle_ = handle;
    kept_.clear();
    failed_ = told_ = false;
    ResetEvent(stop_);
    reader_ = std::thread(&SerialPort::Read, this);
    return true;
}

// The reader ends its own pending read before the handle goes: closing a port under a pending
// read stalls.
void SerialPort::Close() {
    if (!PortOpen()) return;
    SetEvent(stop_);
    reader_.join();
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool SerialPort::Output(std::string_view bytes) {
    if (!PortOpen()) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = written_;
    DWORD sent = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &sent, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &overlapped, &sent, TRUE))
            return false;
    }
    return sent == bytes.size();
}

std::string SerialPort::Input() {
    std::string bytes;
    std::lock_guard lock(mutex_);
    bytes.swap(kept_);
    told_ = false;
    SetEvent(fetched_);
    return bytes;
}

bool SerialPort::LineFailed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

// One pending read of one byte, without timeouts: it ends when a byte is in, or with an error
// when the line is gone. Then the rest of what the driver holds, which is there already.
void SerialPort::Read() {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
        std::string bytes(1, '\0');
        OVERLAPPED read{};
        read.hEvent = done;
        DWORD got = 0;
        bool ok = ReadFile(handle_, bytes.data(), 1, nullptr, &read) || GetLastError() == ERROR_IO_PENDING;
        if (ok) {
            HANDLE stopOrDone[] = {stop_, done};
            if (WaitForMultipleObjects(2, stopOrDone, FALSE, INFINITE) == WAIT_OBJECT_0) {
                CancelIoEx(handle_, &read);
                GetOverlappedResult(handle_, &read, &got, TRUE);
                break;
            }
            ok = GetOverlappedResult(handle_, &read, &got, FALSE) && got == 1;
        }
        // What came before a failure is kept too.
        if (!ok) bytes.clear();
        else ok = ReadAvailable(bytes, done);
        if (!Keep(bytes, !ok)) break;
    }
    CloseHandle(done);
}

bool SerialPort::ReadAvailable(std::string& bytes, HANDLE done) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return false;
    if (status.cbInQue == 0) return true;
    size_t had = bytes.size();
    bytes.resize(had + status.cbInQue);
    OVERLAPPED read{};
    read.hEvent = done;
    DWORD got = 0;
    bool ok = (ReadFile(handle_, &bytes[had], status.cbInQue, nullptr, &read) || GetLastError() == ERROR_IO_PENDING) &&
              GetOverlappedResult(handle_, &read, &got, TRUE);
    bytes.resize(had + got);  // only what was read
    return ok;
}

bool SerialPort::Keep(const std::string& bytes, bool failed) {
    bool tell;
    {
        std::lock_guard lock(mutex_);
        kept_ += bytes;
        failed_ = failed;
        tell = !told_;
        told_ = true;
    }
    if (tell) onReceive_();
    if (failed) return false;
    HANDLE stopOrFetched[] = {stop_, fetched_};
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (kept_.size() < kMaxKept) return true;
        }
        if (WaitForMultipleObjects(2, stopOrFetched, FALSE, INFINITE) == WAIT_OBJECT_0) return false;
    }
}

}  // namespace win32
