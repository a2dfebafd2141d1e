// The simulated board on a COM port: quarn_board COMn
// It answers the console's frames as the board does and logs the line on standard output:
//   ready COMn | rx <hex> (bytes received) | tx <hex> (bytes sent) | done <command> | fail <why>
// Commands on standard input tell it what else to send, for tests and demonstrations:
//   reply TEXT       a framed reply with the payload TEXT
//   error K          the device error K (a framed "errorK")
//   ack | nak        the single control byte
//   send HEX         these bytes, as given ("02 66 72 03")
//   split TEXT       a framed reply in two writes, 50 ms apart
//   flood N          N bytes of letters without any control byte
//   stream N MS      N frame replies frm0001, frm0002, ..., one every MS milliseconds
//   frame            logs the board's current frame
//   silent on|off    stops or resumes answering the console's frames (still logged)
//   quit
#include "tools/board/board.h"
#include "win32/serial_port.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace {

void Log(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Standard input, read on a thread of its own and handed to the main loop line by line.
class CommandReader {
public:
    CommandReader() : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        std::thread([this] {
            std::string line;
            char chunk[256];
            while (std::fgets(chunk, sizeof chunk, stdin)) {
                line += chunk;
                if (line.back() != '\n') continue;
                line.pop_back();
                Push(std::move(line));
                line.clear();
            }
            if (!line.empty()) Push(std::move(line));
            Push("quit");
        }).detach();
    }
    HANDLE Ready() const { return ready_; }
    bool Pop(std::string& line) {
        std::lock_guard lock(mutex_);
        if (lines_.empty()) {
            ResetEvent(ready_);
            return false;
        }
        line = lines_.front();
        lines_.pop_front();
        return true;
    }

private:
    void Push(std::string line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
        SetEvent(ready_);
    }
    HANDLE ready_;
    std::mutex mutex_;
    std::deque<std::string> lines_;
};

class Simulator {
public:
    Simulator() : received_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), port_([this] { SetEvent(received_); }) {}

    int Run(int comPort) {
        if (!port_.SetCommPort(comPort) || !port_.SetPortOpen(true)) {
            Log("fail cannot open COM" + std::to_string(comPort));
            return 1;
        }
        Log("ready COM" + std::to_string(comPort));
        HANDLE waits[] = {received_, commands_.Ready()};
        for (;;) {
            DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0) {
                TakeBytes();
            } else {
                for (std::string line; commands_.Pop(line);)
                    if (!Execute(line)) return 0;
            }
        }
    }

private:
    // All that has arrived; the port is told of new bytes again only once it is all taken.
    void TakeBytes() {
        for (std::string bytes = port_.Input(); !bytes.empty(); bytes = port_.Input()) {
            Log("rx " + board::ToHex(bytes));
            std::string answers = board_.Receive(bytes);
            if (!silent_) Send(answers);
        }
        if (port_.LineFailed()) Log("fail line");
    }

    void Send(const std::string& bytes) {
        if (bytes.empty()) return;
        if (!port_.Output(bytes)) Log("fail write");
        Log("tx " + board::ToHex(bytes));
    }

    bool Execute(const std::string& line) {
        // "command rest": blanks around the command are dropped, rest is kept as typed
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) start = line.size();
        size_t end = line.find_first_of(" \t", start);
        if (end == std::string::npos) end = line.size();
        std::string command = line.substr(start, end - start);
        size_t restStart = line.find_first_not_of(" \t", end);
        std::string rest = restStart == std::string::npos ? std::string() : line.substr(restStart);
        if (command == "quit") return false;
        if (command == "reply") {
            Send(board::Reply(rest));
        } else if (command == "error") {
            Send(board::Reply("error" + rest));
        } else if (command == "ack") {
            Send("\x06");
        } else if (command == "nak") {
            Send("\x15");
        } else if (command == "send") {
            Send(board::FromHex(rest));
        } else if (command == "split") {
            std::string reply = board::Reply(rest);
            Send(reply.substr(0, reply.size() / 2));
            Sleep(50);
            Send(reply.substr(reply.size() / 2));
        } else if (command == "flood") {
            Flood(std::strtoul(rest.c_str(), nullptr, 10));
        } else if (command == "stream") {
            int count = 0, interval = 0;
            std::sscanf(rest.c_str(), "%d %d", &count, &interval);
            for (int i = 1; i <= count; ++i) {
                char payload[16];
                std::snprintf(payload, sizeof payload, "frm%04d", (i - 1) % 9999 + 1);
                Send(board::Reply(payload));
                if (interval > 0) Sleep(interval);
                if (WaitForSingleObject(received_, 0) == WAIT_OBJECT_0) TakeBytes();
            }
        } else if (command == "silent") {
            silent_ = rest == "on";
        } else if (command == "frame") {
            Log("frame " + board_.Frame());
        } else if (!command.empty()) {
            Log("fail unknown command " + command);
        }
        Log("done " + command);
        return true;
    }

    void Flood(unsigned long count) {
        std::string block;
        while (count > 0) {
            block.clear();
            for (; count > 0 && block.size() < 4096; --count) block += static_cast<char>('a' + count % 26);
            if (!port_.Output(block)) {
                Log("fail write");
                return;
            }
        }
    }

    HANDLE received_;  // set by the port's reader thread
    win32::SerialPort port_;
    board::Board board_;
    bool silent_ = false;
    CommandReader commands_;
};

}  // namespace

int main(int argc, char** argv) {
    int comPort = 0;
    if (argc != 2 || std::sscanf(argv[1], "COM%d", &comPort) != 1 || comPort < 1) {
        std::fprintf(stderr, "usage: quarn_board COMn\n");
        return 2;
    }
    Simulator simulator;
    return simulator.Run(comPort);
}
