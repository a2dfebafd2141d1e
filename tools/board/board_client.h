// The simulated board as another program sees it: started on a COM port, told what to send
// through its standard input, and heard through its log (see simulator.cpp).
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace board {

class BoardClient {
public:
    // Starts quarn_board.exe from the directory of the running program.
    explicit BoardClient(int comPort);
    ~BoardClient();
    BoardClient(const BoardClient&) = delete;
    BoardClient& operator=(const BoardClient&) = delete;

    // True once the board has opened its port.
    bool Ready() const { return ready_; }
    // Sends one command line and waits until the board has carried it out.
    bool Command(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Every byte the board has received so far, in order.
    std::string Received() const;
    bool WaitReceived(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void ClearReceived();
    std::vector<std::string> Log() const;

private:
    void ReadLog();
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout);

    HANDLE process_ = nullptr;
    HANDLE input_ = nullptr;
    HANDLE output_ = nullptr;
    std::thread reader_;
    bool ready_ = false;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> log_;
    std::size_t seen_ = 0;  // log lines already matched by a wait
    std::string received_;
    bool ended_ = false;
};

}  // namespace board
