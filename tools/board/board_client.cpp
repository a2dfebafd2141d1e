#include "board_client.h"

#include "tools/board/board.h"

namespace board {

BoardClient::BoardClient(int comPort) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr;
    CreatePipe(&childInput, &input_, &inherit, 0);
    CreatePipe(&output_, &childOutput, &inherit, 0);
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, length);
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"quarn_board.exe";
    std::wstring line = L"\"" + program + L"\" COM" + std::to_wstring(comPort);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
    }
    CloseHandle(childInput);
    CloseHandle(childOutput);
    reader_ = std::thread(&BoardClient::ReadLog, this);
    ready_ = process_ && WaitForLine("ready COM" + std::to_string(comPort), std::chrono::seconds(10));
}

BoardClient::~BoardClient() {
    if (process_) {
        DWORD written = 0;
        WriteFile(input_, "quit\n", 5, &written, nullptr);
        if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
    CloseHandle(input_);
    reader_.join();
    CloseHandle(output_);
}

bool BoardClient::Command(const std::string& line, std::chrono::milliseconds timeout) {
    std::string text = line + "\n";
    DWORD written = 0;
    if (!WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return false;
    return WaitForLine("done " + line.substr(0, line.find(' ')), timeout);
}

std::string BoardClient::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool BoardClient::WaitReceived(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

void BoardClient::ClearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

std::vector<std::string> BoardClient::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

bool BoardClient::WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    bool found = false;
    changed_.wait_for(lock, timeout, [&] {
        for (; seen_ < log_.size() && !found; ++seen_) found = log_[seen_] == line;
        return found || ended_;
    });
    return found;
}

void BoardClient::ReadLog() {
    std::string pending;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(output_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        std::lock_guard lock(mutex_);
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.starts_with("rx ")) received_ += FromHex(line.substr(3));
            log_.push_back(std::move(line));
        }
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

}  // namespace board
