#include "serial_port.h"

#include <cwchar>

namespace win32 {

SerialPort::SerialPort(std::function<void()> onReceive, std::function<void()> onUntaken)
    : onReceive_(std::move(onReceive)),
      onUntaken_(std::move(onUntaken)),
      readDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ioDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

SerialPort::~SerialPort() {
    Close();
    CloseHandle(readDone_);
    CloseHandle(ioDone_);
    CloseHandle(stop_);
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
    failed_ = false;
    if (!StartRead()) {
        Close();
        return false;
    }
    ResetEvent(stop_);
    if (onUntaken_) watcher_ = std::thread(&SerialPort::Watch, this);
    return true;
}

void SerialPort::Close() {
    if (!PortOpen()) return;
    if (watcher_.joinable()) {
        SetEvent(stop_);
        watcher_.join();
    }
    // The pending read is cancelled by the thread that started it, before the handle goes.
    if (reading_) {
        DWORD got = 0;
        CancelIoEx(handle_, &read_);
        GetOverlappedResult(handle_, &read_, &got, TRUE);
        reading_ = false;
    }
    ResetEvent(readDone_);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    queued_.clear();
}

bool SerialPort::Output(std::string_view bytes) {
    if (!PortOpen()) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = ioDone_;
    DWORD sent = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &sent, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(handle_, &overlapped, &sent, TRUE))
            return false;
    }
    return sent == bytes.size();
}

std::string SerialPort::Input() {
    std::string bytes;
    bytes.swap(queued_);
    // Reading stopped at the bound goes on now that there is room.
    if (PortOpen() && !reading_) ReadOn();
    return bytes;
}

// The next read, unless the line is gone or the queue is full; then no read is pending and the
// event must not stay set.
void SerialPort::ReadOn() {
    if (!failed_ && queued_.size() < kMaxQueued) failed_ = !StartRead();
    else ResetEvent(readDone_);
}

// One pending read of one byte: it waits without timeouts and sets readDone_ when its byte is in.
bool SerialPort::StartRead() {
    read_ = OVERLAPPED{};
    read_.hEvent = readDone_;
    reading_ = ReadFile(handle_, &first_, 1, nullptr, &read_) || GetLastError() == ERROR_IO_PENDING;
    if (!reading_) ResetEvent(readDone_);
    return reading_;
}

// Bytes the driver has already queued: the read ends as soon as it is started.
bool SerialPort::ReadQueued(char* buffer, DWORD size, DWORD& got) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = ioDone_;
    got = 0;
    if (!ReadFile(handle_, buffer, size, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) return false;
    return GetOverlappedResult(handle_, &overlapped, &got, TRUE);
}

void SerialPort::TakeRead() {
    if (!reading_ || !HasOverlappedIoCompleted(&read_)) return;
    reading_ = false;
    ++taken_;
    // With no read timeouts a read ends only with its byte; an empty one means the line is gone.
    DWORD got = 0;
    bool ok = GetOverlappedResult(handle_, &read_, &got, FALSE) && got == 1;
    if (ok) {
        queued_ += first_;
        DWORD errors = 0;
        COMSTAT status{};
        if (ClearCommError(handle_, &errors, &status) && status.cbInQue > 0) {
            size_t had = queued_.size();
            queued_.resize(had + status.cbInQue);
            ok = ReadQueued(&queued_[had], status.cbInQue, got);
            queued_.resize(had + (ok ? got : 0));
        }
    }
    failed_ = !ok;
    ReadOn();
    onReceive_();
}

void SerialPort::Watch() {
    HANDLE stopOrDone[] = {stop_, readDone_};
    unsigned asked = ~0u;
    while (WaitForMultipleObjects(2, stopOrDone, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        unsigned seen = taken_;
        if (WaitForSingleObject(stop_, kUntakenMs) != WAIT_TIMEOUT) return;
        // Asked once for each read: a second message would not reach a thread the first did not.
        if (taken_ == seen && seen != asked && WaitForSingleObject(readDone_, 0) == WAIT_OBJECT_0) {
            asked = seen;
            onUntaken_();
        }
    }
}

}  // namespace win32
