#include "serial_port.h"

#include "win32/text.h"

#include <algorithm>
#include <cwchar>
#include <deque>
#include <mutex>

namespace win32 {
namespace {

// A write that the line cannot take in two seconds (and 2 ms a byte) counts as failed.
const DWORD kWriteMultiplier = 2, kWriteConstant = 2000;
// How long a read waits for its first byte before it ends empty and is issued again: seldom
// enough to cost nothing while the port is idle.
const DWORD kReadWait = 60000;

// Every setting that matters, none taken over from the driver or from the program that used the
// port before: several USB and virtual port drivers report XonChar and XoffChar as 0, and then
// refuse them back.
DCB LineSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_9600;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = TRUE;  // a byte with a parity error arrives as '?'
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    // No flow control; the limits are a quarter of the receive buffer asked for, within any
    // driver's buffer.
    dcb.XonLim = 256;
    dcb.XoffLim = 256;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    return dcb;
}

// Windows documents two read modes that end as soon as bytes are in. In the first (MAXDWORD, 0,
// 0) a read returns at once with what has arrived, even nothing, and a reader issuing it again
// and again would spin; in the second (MAXDWORD, MAXDWORD, constant) it waits up to the
// constant for the first byte. Wine 8 waits for the first byte in the first mode and ends a read
// in the second only when its buffer is full. So the reader starts in the first and moves to the
// second at the first read that comes back empty, which on Windows is the first one.
COMMTIMEOUTS Timeouts(bool waiting) {
    return {MAXDWORD, waiting ? MAXDWORD : 0, waiting ? kReadWait : 0, kWriteMultiplier, kWriteConstant};
}

}  // namespace

struct SerialPort::Line {
    Line(HANDLE port, std::function<void()> tell) : handle(port), onReceive(std::move(tell)) {}
    ~Line() {
        for (HANDLE event : {stop, fetched, ended, written}) CloseHandle(event);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // Keeps the bytes of one read for the owner; false when the reader is to stop.
    bool Keep(std::string_view bytes, bool lineFailed);

    const HANDLE handle;  // closed by the reader, once all that was issued on it is back
    const std::function<void()> onReceive;
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);      // tells the reader to end
    const HANDLE fetched = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // for a reader at the bound
    const HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);     // the reader is done
    // The owner's write; one that its driver never gives back stays here until the reader ends.
    const HANDLE written = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED write{};
    std::string writing;
    bool writeLeft = false;

    mutable std::mutex mutex;  // guards what follows
    std::deque<char> kept;
    bool failed = false;
    bool told = false;  // the owner was told of bytes it has not all fetched yet
};

SerialPort::SerialPort(std::function<void()> onReceive) : onReceive_(std::move(onReceive)) {}

SerialPort::~SerialPort() { Close(); }

std::vector<std::string> SerialPort::SystemPorts() const {
    std::vector<std::string> names;
    HKEY map;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &map) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        // Each value is a driver's device name with the port's name as its data; one too long
        // for a port's name is no port of ours.
        wchar_t device[256], name[32];
        DWORD deviceLength = 256, type = 0, size = sizeof name;
        LONG result = RegEnumValueW(map, index, device, &deviceLength, nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        std::wstring text(name, size / sizeof(wchar_t));
        names.push_back(Narrow(text.substr(0, text.find(L'\0'))));
    }
    RegCloseKey(map);
    return names;
}

bool SerialPort::SetCommPort(int number) {
    if (number < 1 || PortOpen()) return false;
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
    wchar_t path[24];
    swprintf(path, 24, L"\\\\.\\COM%d", commPort_);
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;

    // The buffer sizes are a request that some USB and virtual port drivers refuse; the port works
    // with the driver's own sizes then.
    SetupComm(handle, 1024, 512);
    DCB dcb = LineSettings();
    COMMTIMEOUTS timeouts = Timeouts(false);
    if (!SetCommState(handle, &dcb) || !SetCommTimeouts(handle, &timeouts)) {
        CloseHandle(handle);
        return false;
    }
    line_ = std::make_shared<Line>(handle, onReceive_);
    reader_ = std::thread(&SerialPort::Read, line_);
    return true;
}

// The reader gives back its pending read before the handle goes: closing a port under a pending
// read stalls. Its driver may never give it back; the reader then keeps the line, and ends with it
// if ever.
void SerialPort::Close() {
    if (!PortOpen()) return;
    SetEvent(line_->stop);
    if (WaitForSingleObject(line_->ended, kCloseWait) == WAIT_OBJECT_0)
        reader_.join();
    else
        reader_.detach();
    line_.reset();
}

bool SerialPort::Output(std::string_view bytes) {
    if (!PortOpen() || line_->writeLeft) return false;
    Line& line = *line_;
    line.writing.assign(bytes);
    line.write = OVERLAPPED{};
    line.write.hEvent = line.written;
    DWORD size = static_cast<DWORD>(bytes.size());
    if (!WriteFile(line.handle, line.writing.data(), size, nullptr, &line.write) && GetLastError() != ERROR_IO_PENDING)
        return false;
    // The write timeouts end it; a driver that does not, and does not give it back once cancelled
    // either, keeps it, and the line counts as failed.
    if (WaitForSingleObject(line.written, kWriteConstant + kWriteMultiplier * size + kCloseWait) != WAIT_OBJECT_0) {
        CancelIoEx(line.handle, &line.write);
        if (WaitForSingleObject(line.written, kCloseWait) != WAIT_OBJECT_0) {
            line.writeLeft = true;
            return false;
        }
    }
    DWORD sent = 0;
    return GetOverlappedResult(line.handle, &line.write, &sent, FALSE) && sent == size;
}

std::string SerialPort::Input() {
    if (!PortOpen()) return {};
    Line& line = *line_;
    std::lock_guard lock(line.mutex);
    auto end = line.kept.begin() + static_cast<std::ptrdiff_t>(std::min(line.kept.size(), kInputLen));
    std::string bytes(line.kept.begin(), end);
    line.kept.erase(line.kept.begin(), end);
    // Told again only once all is fetched: an owner with more to fetch takes it at its own pace.
    if (line.kept.empty()) line.told = false;
    SetEvent(line.fetched);
    return bytes;
}

std::size_t SerialPort::InBufferCount() const {
    if (!PortOpen()) return 0;
    std::lock_guard lock(line_->mutex);
    return line_->kept.size();
}

bool SerialPort::LineFailed() const {
    if (!PortOpen()) return false;
    std::lock_guard lock(line_->mutex);
    return line_->failed;
}

// One read pending at a time, of up to kReadSize bytes, that ends as soon as bytes are in; one
// that ends empty is issued again. It ends with an error when the line is gone.
void SerialPort::Read(std::shared_ptr<Line> line) {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::string bytes(kReadSize, '\0');
    OVERLAPPED read{};
    bool pending = false, waiting = false;
    for (;;) {
        read = OVERLAPPED{};
        read.hEvent = done;
        ULONGLONG issued = GetTickCount64();
        DWORD got = 0;
        bool ok = ReadFile(line->handle, bytes.data(), kReadSize, nullptr, &read) || GetLastError() == ERROR_IO_PENDING;
        if (ok) {
            HANDLE stopOrDone[] = {line->stop, done};
            if (WaitForMultipleObjects(2, stopOrDone, FALSE, INFINITE) == WAIT_OBJECT_0) {
                pending = true;
                break;
            }
            ok = GetOverlappedResult(line->handle, &read, &got, FALSE);
        }
        if (ok && got == 0) {
            if (!waiting) {
                COMMTIMEOUTS timeouts = Timeouts(true);
                waiting = ok = SetCommTimeouts(line->handle, &timeouts);
            } else {
                // A read that comes back empty without having waited would make the reader spin.
                ok = GetTickCount64() - issued >= kReadWait / 2;
            }
            if (ok) continue;
        }
        // What came before a failure is kept too.
        if (!line->Keep(std::string_view(bytes.data(), ok ? got : 0), !ok)) break;
    }
    // All that was issued on the handle comes back before it is closed.
    WaitForSingleObject(line->stop, INFINITE);
    CancelIoEx(line->handle, nullptr);
    DWORD got = 0;
    if (pending) GetOverlappedResult(line->handle, &read, &got, TRUE);
    if (line->writeLeft) GetOverlappedResult(line->handle, &line->write, &got, TRUE);
    CloseHandle(line->handle);
    CloseHandle(done);
    SetEvent(line->ended);
}

bool SerialPort::Line::Keep(std::string_view bytes, bool lineFailed) {
    bool tell;
    {
        std::lock_guard lock(mutex);
        kept.insert(kept.end(), bytes.begin(), bytes.end());
        failed = lineFailed;
        tell = !told;
        told = true;
    }
    if (tell) onReceive();
    if (lineFailed) return false;
    HANDLE stopOrFetched[] = {stop, fetched};
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (kept.size() < kMaxKept) return true;
        }
        if (WaitForMultipleObjects(2, stopOrFetched, FALSE, INFINITE) == WAIT_OBJECT_0) return false;
    }
}

}  // namespace win32
