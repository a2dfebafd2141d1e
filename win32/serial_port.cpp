#include "serial_port.h"

#include <cwchar>

namespace win32 {

SerialPort::SerialPort(std::function<void()> onReceive)
    : onReceive_(std::move(onReceive)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      readDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      writeDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

SerialPort::~SerialPort() {
    Close();
    CloseHandle(stop_);
    CloseHandle(readDone_);
    CloseHandle(writeDone_);
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

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    // No read timeouts: a read waits for its bytes. A write that the line cannot take in two
    // seconds counts as failed rather than hanging the window.
    COMMTIMEOUTS timeouts{0, 0, 0, 2, 2000};
    bool ready = SetupComm(handle, 1024, 512) && GetCommState(handle, &dcb);
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
    queued_.clear();
    notified_ = false;
    failed_ = false;
    stopping_ = false;
    ResetEvent(stop_);
    reader_ = std::thread(&SerialPort::ReadLoop, this);
    return true;
}

void SerialPort::Close() {
    if (!PortOpen()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    room_.notify_all();
    // The reader cancels its own pending read before we close the handle under it.
    SetEvent(stop_);
    reader_.join();
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    std::lock_guard lock(mutex_);
    queued_.clear();
}

bool SerialPort::Output(std::string_view bytes) {
    if (!PortOpen()) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = writeDone_;
    DWORD sent = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &sent, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &overlapped, &sent, TRUE))
            return false;
    }
    return sent == bytes.size();
}

std::string SerialPort::Input() {
    std::string bytes;
    {
        std::lock_guard lock(mutex_);
        bytes.swap(queued_);
        notified_ = false;
    }
    room_.notify_all();
    return bytes;
}

bool SerialPort::LineFailed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

// One overlapped read; false when told to stop or when the line failed.
bool SerialPort::ReadSome(char* buffer, DWORD size, DWORD& got) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = readDone_;
    got = 0;
    if (ReadFile(handle_, buffer, size, &got, &overlapped)) return got > 0;
    if (GetLastError() != ERROR_IO_PENDING) return false;
    HANDLE waits[] = {readDone_, stop_};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIoEx(handle_, &overlapped);
        GetOverlappedResult(handle_, &overlapped, &got, TRUE);
        return false;
    }
    // With no read timeouts a read ends only with its bytes; an empty one means the line is gone.
    return GetOverlappedResult(handle_, &overlapped, &got, FALSE) && got > 0;
}

void SerialPort::ReadLoop() {
    // Wait for one byte, then take at once everything the driver holds: this neither polls nor
    // leaves bytes waiting for a later read.
    for (;;) {
        std::string chunk;
        char first = 0;
        DWORD got = 0;
        bool ok = ReadSome(&first, 1, got);
        if (ok) {
            chunk.assign(1, first);
            DWORD errors = 0;
            COMSTAT status{};
            if (ClearCommError(handle_, &errors, &status) && status.cbInQue > 0) {
                std::string rest(status.cbInQue, '\0');
                ok = ReadSome(rest.data(), status.cbInQue, got);
                if (ok) chunk.append(rest, 0, got);
            }
        }
        bool tell = false;
        {
            std::unique_lock lock(mutex_);
            if (stopping_) return;
            room_.wait(lock, [this] { return stopping_ || queued_.size() < kMaxQueued; });
            if (stopping_) return;
            if (!ok) failed_ = true;
            queued_ += chunk;
            tell = !notified_;
            notified_ = true;
        }
        if (tell) onReceive_();
        if (!ok) return;
    }
}

}  // namespace win32
