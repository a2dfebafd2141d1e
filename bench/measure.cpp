// Plays the board against Portlens and against the bare reader, side by side in one run, and
// measures both the same way:
//   bench_measure latency N      N replies to each, alternating: from the write of a reply (one
//                                call) to the reply display taking its text
//   bench_measure idle SECONDS   CPU time of each with its port open and nothing arriving
//   bench_measure stream BYTES   that many bytes of frame replies as fast as the cable carries them,
//                                watched, then to each again unwatched, asked all along how soon
//                                it answers
//   bench_measure startup RUNS   process start to visible window, Portlens and a plain program
//                                with the same window, alternating
// Portlens opens COM5 (the board's end is COM6), the bare reader COM7 (COM8); bench/run.sh lays
// the cables. Each result ends in a line "SUMMARY|measurement|figure|ratio|goal|pass or FAIL".
#include "bench/display_log.h"
#include "console/window/control_ids.h"
#include "tools/board/board.h"
#include "tools/drive/drive.h"
#include "win32/serial_port.h"
#include "win32/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace console_ids;

namespace {

const int kPortlensPort = 5, kPortlensBoard = 6;
const int kBarePort = 7, kBareBoard = 8;
const wchar_t kBareCaption[] = L"Bare reader";

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Microseconds(LONGLONG ticks) {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return ticks * 1e6 / frequency;
}

void Summary(const char* measurement, const std::string& figure, double ratio, const char* goal, bool pass) {
    std::printf("SUMMARY|%s|%s|%.3g|%s|%s\n", measurement, figure.c_str(), ratio, goal, pass ? "pass" : "FAIL");
    std::fflush(stdout);
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The nearest-rank percentile of the values (0 < share <= 1).
double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    std::size_t rank = static_cast<std::size_t>(std::ceil(share * values.size()));
    return values[std::max<std::size_t>(rank, 1) - 1];
}

std::string FramePayload(int number) {
    char payload[16];
    std::snprintf(payload, sizeof payload, "frm%04d", number);
    return payload;
}


// The log of display_hook.dll, created here and written by the watched programs.
class DisplayLog {
public:
    DisplayLog()
        : mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(display_log::Log),
                                      display_log::kMappingName)),
          log_(static_cast<display_log::Log*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0))),
          shown_(CreateEventW(nullptr, FALSE, FALSE, display_log::kEventName)) {
        log_->controlId = kLabel1;
    }
    ~DisplayLog() {
        UnmapViewOfFile(log_);
        CloseHandle(mapping_);
        CloseHandle(shown_);
    }
    DisplayLog(const DisplayLog&) = delete;
    DisplayLog& operator=(const DisplayLog&) = delete;

    // The number of entries complete so far, all before them complete too.
    LONG Count() {
        LONG taken = log_->count;
        taken = std::min(taken, display_log::kCapacity);
        while (complete_ < taken && log_->entries[complete_].complete) ++complete_;
        return complete_;
    }
    const display_log::Entry& At(LONG index) const { return log_->entries[index]; }
    bool Full() const { return log_->count >= display_log::kCapacity; }
    bool WaitShown(DWORD milliseconds) const { return WaitForSingleObject(shown_, milliseconds) == WAIT_OBJECT_0; }

    // The first entry of the process from index `from` on whose text contains `text`; -1 if none
    // came within the time.
    LONG WaitFor(DWORD process, LONG from, const std::wstring& text, DWORD milliseconds) {
        LONGLONG end = Now() + static_cast<LONGLONG>(milliseconds * 1000.0 / Microseconds(1));
        for (LONG index = from;;) {
            for (LONG count = Count(); index < count; ++index)
                if (At(index).process == process && std::wcsstr(At(index).tail, text.c_str())) return index;
            if (Now() > end) return -1;
            WaitShown(10);
        }
    }

    // Waits until nothing has been logged for the quiet time.
    void WaitQuiet(DWORD milliseconds) const {
        while (WaitShown(milliseconds)) {
        }
    }

private:
    HANDLE mapping_;
    display_log::Log* log_;
    HANDLE shown_;
    LONG complete_ = 0;
};

// A watched program on its port, with the board's end of its cable.
struct Target {
    const char* name;
    drive::Program program;
    HWND window = nullptr;
    HWND display = nullptr;
    std::unique_ptr<win32::SerialPort> board;
    HHOOK hook = nullptr;

    ~Target() {
        if (hook) UnhookWindowsHookEx(hook);
    }
    DWORD Process() const { return program.Id(); }
    bool Send(const std::string& bytes) const { return board->Output(bytes); }
};

bool OpenBoardEnd(Target& target, int port) {
    target.board = std::make_unique<win32::SerialPort>([] {});
    return target.board->SetCommPort(port) && target.board->SetPortOpen(true);
}

bool Check(bool ok, const char* name, const char* what) {
    if (!ok) std::fprintf(stderr, "%s: %s\n", name, what);
    return ok;
}

// Hooks the target's window thread and sees a first text arrive in the log.
bool Watch(Target& target, DisplayLog& log) {
    static HMODULE dll = LoadLibraryW((drive::OwnDirectory() + L"display_hook.dll").c_str());
    auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "DisplayHook")));
    if (!Check(proc != nullptr, target.name, "display_hook.dll not loaded")) return false;
    target.hook = SetWindowsHookExW(WH_CALLWNDPROCRET, proc, dll, GetWindowThreadProcessId(target.window, nullptr));
    if (!Check(target.hook != nullptr, target.name, "no hook")) return false;
    LONG from = log.Count();
    drive::SetText(target.display, L"watched");
    return Check(log.WaitFor(target.Process(), from, L"watched", 5000) >= 0, target.name, "the hook logs nothing");
}

bool StartPortlens(Target& target, DisplayLog& log) {
    target.name = "Portlens";
    target.program = drive::Program(L"\"" + drive::OwnDirectory() + L"Portlens.exe\"");
    target.window = target.program.WaitForWindow(kCaptionPrefix);
    if (!Check(target.window != nullptr, target.name, "no window") ||
        !Check(OpenBoardEnd(target, kPortlensBoard), target.name, "the board's end of the cable does not open"))
        return false;
    target.display = GetDlgItem(target.window, kLabel1);
    drive::SelectComboItem(GetDlgItem(target.window, kCombo1), kPortlensPort - 1);
    drive::Click(GetDlgItem(target.window, kOpenPort));
    if (!Check(drive::Settle(target.window) && drive::Enabled(GetDlgItem(target.window, kCommand1)), target.name,
               "the port does not open"))
        return false;
    return Watch(target, log);
}

// Showing each read whole, or each reply on its own (bare_reader's "replies").
bool StartBareReader(Target& target, DisplayLog& log, bool replies) {
    target.name = "bare reader";
    target.program = drive::Program(L"\"" + drive::OwnDirectory() + L"bare_reader.exe\" COM" +
                                    std::to_wstring(kBarePort) + (replies ? L" replies" : L""));
    target.window = target.program.WaitForWindow(kBareCaption);
    if (!Check(target.window != nullptr, target.name, "no window") ||
        !Check(OpenBoardEnd(target, kBareBoard), target.name, "the board's end of the cable does not open"))
        return false;
    target.display = GetDlgItem(target.window, kLabel1);
    return Watch(target, log);
}

// Portlens and the bare reader, each on its port and watched.
struct Both {
    explicit Both(bool replies = false) : ready(StartPortlens(portlens, log) && StartBareReader(bare, log, replies)) {}
    DisplayLog log;
    Target portlens, bare;
    bool ready;
};

int Latency(int count) {
    Both both;
    if (!both.ready) {
        std::fprintf(stderr, "latency: the programs could not be started and watched\n");
        return 1;
    }
    Target* targets[] = {&both.portlens, &both.bare};
    std::vector<double> latencies[2];
    for (int i = 1; i <= count; ++i) {
        for (int t = 0; t < 2; ++t) {
            std::string payload = FramePayload(i % 10000);
            LONG from = both.log.Count();
            // Stamped as the write starts: its completion may be reported after the bytes are read.
            LONGLONG written = Now();
            if (!targets[t]->Send(board::Reply(payload))) return 1;
            LONG shown = both.log.WaitFor(targets[t]->Process(), from, win32::Widen(payload), 2000);
            if (shown < 0) {
                std::fprintf(stderr, "latency: %s did not show reply %d\n", targets[t]->name, i);
                return 1;
            }
            latencies[t].push_back(Microseconds(both.log.At(shown).time - written));
            Sleep(2);
        }
    }
    double median[2], p99[2];
    for (int t = 0; t < 2; ++t) {
        median[t] = Percentile(latencies[t], 0.5);
        p99[t] = Percentile(latencies[t], 0.99);
        std::printf("latency %-11s replies %zu  min %.0f us  median %.0f us  p99 %.0f us  max %.0f us\n",
                    targets[t]->name, latencies[t].size(), Percentile(latencies[t], 0.0), median[t], p99[t],
                    Percentile(latencies[t], 1.0));
    }
    // What a user notices: a reply on the screen within one display frame. The bare reader shows
    // what Wine itself costs.
    Summary("2 latency median", Format("%.0f us (bare %.0f us)", median[0], median[1]), median[0] / median[1],
            "<= 2 x bare", median[0] <= 2 * median[1]);
    Summary("2 latency p99", Format("%.0f us (bare %.0f us)", p99[0], p99[1]), p99[0] / 16700,
            "<= 16.7 ms, one display frame", p99[0] <= 16700);
    return 0;
}

// User and kernel time of the process so far, in milliseconds.
double CpuMilliseconds(DWORD process) {
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    FILETIME created, exited, kernel, user;
    bool ok = handle && GetProcessTimes(handle, &created, &exited, &kernel, &user);
    if (handle) CloseHandle(handle);
    if (!ok) return -1;
    auto ms = [](FILETIME t) { return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

int Idle(int seconds) {
    Both both;
    if (!both.ready) {
        std::fprintf(stderr, "idle: the programs could not be started and watched\n");
        return 1;
    }
    Sleep(1000);  // start-up work done
    Target* targets[] = {&both.portlens, &both.bare};
    double before[2], used[2];
    for (int t = 0; t < 2; ++t) before[t] = CpuMilliseconds(targets[t]->Process());
    Sleep(seconds * 1000);
    for (int t = 0; t < 2; ++t) {
        used[t] = CpuMilliseconds(targets[t]->Process()) - before[t];
        if (before[t] < 0 || used[t] < 0) {
            std::fprintf(stderr, "idle: no process times for %s\n", targets[t]->name);
            return 1;
        }
        std::printf("idle %-11s port open, %d s without a byte: %.1f ms CPU (%.1f ms before)\n", targets[t]->name,
                    seconds, used[t], before[t]);
    }
    // The counters tick in 10 ms steps under Wine: within one step counts as the same.
    const double tick = 10;
    Summary("3 idle CPU", Format("%.0f ms (bare %.0f ms)", used[0], used[1]), used[1] > 0 ? used[0] / used[1] : 0,
            "<= bare (+10 ms tick)", used[0] <= used[1] + tick);
    return 0;
}

bool SendInChunks(const Target& target, const std::string& bytes) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += 4096)
        if (!target.Send(bytes.substr(offset, 4096))) {
            std::fprintf(stderr, "stream: the board's write to %s failed\n", target.name);
            return false;
        }
    return true;
}

// How a window answered while a stream came in, until its display showed the stream's end.
struct Answers {
    std::vector<double> sent, posted;  // ms until each message was answered
    std::vector<std::pair<double, std::wstring>> frameBox;  // each new text of the frame box, with its time in ms
    double seconds = 0;
};

// The board sends the stream, which ends in a reply "frmEND"; meanwhile the window is asked for
// its display's text every 10 ms, a sent message. Where it has a frame box, each time also a
// message is posted to it (a new text limit, a harmless value, read back until it holds), and
// its text is read.
bool Probe(const Target& target, const std::string& stream, Answers& answers) {
    HWND frameBox = FindWindowExW(target.window, nullptr, L"Edit", nullptr);
    static UINT limit = 0x7FFF0000;
    auto ask = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
        return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 60000, &result) != 0;
    };
    bool sent = true;
    LONGLONG start = Now();
    std::thread board([&] { sent = SendInChunks(target, stream); });
    std::vector<wchar_t> text(8192);
    bool ended = false;
    for (LONGLONG end = start + static_cast<LONGLONG>(600e6 / Microseconds(1)); !ended && Now() < end; Sleep(10)) {
        DWORD_PTR copied = 0;
        LONGLONG asked = Now();
        if (!ask(target.display, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), copied)) break;
        answers.sent.push_back(Microseconds(Now() - asked) / 1000);
        ended = std::wstring_view(text.data(), copied).find(L"frmEND") != std::wstring_view::npos;
        if (!frameBox) continue;
        LONGLONG posted = Now();
        PostMessageW(frameBox, EM_SETLIMITTEXT, ++limit, 0);
        for (DWORD_PTR held = 0; held != limit;)
            if (!ask(frameBox, EM_GETLIMITTEXT, 0, 0, held)) break;
        answers.posted.push_back(Microseconds(Now() - posted) / 1000);
        std::wstring frame = drive::Text(frameBox);
        if (answers.frameBox.empty() || answers.frameBox.back().second != frame)
            answers.frameBox.emplace_back(Microseconds(Now() - start) / 1000, frame);
    }
    answers.seconds = Microseconds(Now() - start) / 1e6;
    board.join();
    if (!sent || !ended) std::fprintf(stderr, "stream: %s did not show the stream's end without the hook\n", target.name);
    return sent && ended;
}

// The longest time, in ms, that the frame box kept one text between its first change and its last.
double LongestStill(const std::vector<std::pair<double, std::wstring>>& frameBox) {
    double longest = 0;
    for (std::size_t i = 2; i < frameBox.size(); ++i) longest = std::max(longest, frameBox[i].first - frameBox[i - 1].first);
    return longest;
}

// Both show every reply: Portlens a batch at a time, the bare reader ("replies") a read at a time.
int Stream(std::size_t bytes) {
    Both both(true);
    if (!both.ready) {
        std::fprintf(stderr, "stream: the programs could not be started and watched\n");
        return 1;
    }
    // Numbered as the board's own "stream" command numbers them.
    const int frames = static_cast<int>(bytes / board::Reply(FramePayload(1)).size());
    auto number = [](int i) { return (i - 1) % 9999 + 1; };
    std::string stream;
    for (int i = 1; i <= frames; ++i) stream += board::Reply(FramePayload(number(i)));

    Target* targets[] = {&both.bare, &both.portlens};
    double rate[2];
    bool inOrder = true;
    for (int t = 0; t < 2; ++t) {
        Target& target = *targets[t];
        LONG from = both.log.Count();
        LONGLONG start = Now();
        if (!SendInChunks(target, stream)) return 1;
        both.log.WaitQuiet(1000);
        std::vector<const display_log::Entry*> shown;
        for (LONG i = from, count = both.log.Count(); i < count; ++i)
            if (both.log.At(i).process == target.Process()) shown.push_back(&both.log.At(i));
        if (shown.empty() || both.log.Full()) {
            std::fprintf(stderr, "stream: nothing (or too much to log) shown by %s\n", target.name);
            return 1;
        }
        double seconds = Microseconds(shown.back()->time - start) / 1e6;
        rate[t] = stream.size() / seconds;
        // Every reply, in order, and the last frame number in the frame box at the end.
        std::size_t wrong = shown.size() == static_cast<std::size_t>(frames) ? 0 : 1;
        for (std::size_t i = 0; i < shown.size() && i < static_cast<std::size_t>(frames); ++i)
            if (!std::wstring(shown[i]->tail).ends_with(win32::Widen(FramePayload(number(static_cast<int>(i) + 1))) + L"[ETX]")) ++wrong;
        std::wstring frameBox = drive::Text(FindWindowExW(target.window, nullptr, L"Edit", nullptr));
        std::wstring expectedBox = win32::Widen(FramePayload(number(frames)).substr(3));
        std::printf("stream %-11s %zu bytes, %d frames: %zu texts shown, %.2f s, %.0f B/s; in order: %s; frame box %ls "
                    "(expected %ls)\n",
                    target.name, stream.size(), frames, shown.size(), seconds, rate[t], wrong == 0 ? "all" : "NO",
                    frameBox.c_str(), expectedBox.c_str());
        inOrder = inOrder && wrong == 0 && frameBox == expectedBox;
    }
    // The hook costs a server round trip for every message of the watched thread, and Portlens's
    // thread handles more of them a reply than the bare reader's: the same stream to each again
    // without it, asked all along how soon it answers.
    Answers answers[2];
    for (int t = 0; t < 2; ++t) {
        UnhookWindowsHookEx(targets[t]->hook);
        targets[t]->hook = nullptr;
        if (!Probe(*targets[t], stream + board::Reply("frmEND"), answers[t])) return 1;
    }
    double unhooked[2];
    for (int t = 0; t < 2; ++t) unhooked[t] = stream.size() / answers[t].seconds;
    Summary("6 stream 1 MB, every reply in order",
            Format("%.0f B/s, without the hook %.0f B/s (bare %.0f B/s)", rate[1], unhooked[1], unhooked[0]),
            unhooked[1] / unhooked[0], "in order; ratio reported", inOrder);

    double slowest[2], posted[2], still[2];
    for (int t = 0; t < 2; ++t) {
        const Answers& a = answers[t];
        slowest[t] = Percentile(a.sent, 1.0);
        posted[t] = Percentile(a.posted, 1.0);
        still[t] = LongestStill(a.frameBox);
        std::printf("answers %-11s %.2f s without the hook (%.0f B/s); %zu messages sent: median %.1f ms, p99 %.1f ms, "
                    "slowest %.1f ms; %zu posted: median %.1f ms, slowest %.1f ms; the frame box took %zu texts and "
                    "stood still %.0f ms at most\n",
                    targets[t]->name, a.seconds, unhooked[t], a.sent.size(), Percentile(a.sent, 0.5),
                    Percentile(a.sent, 0.99), slowest[t], a.posted.size(), Percentile(a.posted, 0.5), posted[t],
                    a.frameBox.size(), still[t]);
    }
    // What a user notices: every message answered soon, as soon as a plain program showing the
    // same replies answers, and the frame box moving with the replies.
    Summary("7 answers while 1 MB streams in",
            Format("slowest %.0f ms sent, %.0f ms posted (plain %.0f ms", slowest[1], posted[1], slowest[0]) +
                Format(", %.0f ms); frame box still %.0f ms at most", posted[0], still[1]),
            std::max(slowest[1], posted[1]) / std::max(slowest[0], posted[0]), "<= 2 x plain, <= 500 ms",
            std::max(slowest[1], posted[1]) <= 2 * std::max(slowest[0], posted[0]) &&
                std::max({slowest[1], posted[1], still[1]}) <= 500);
    return 0;
}

// Portlens against a plain program that makes the same window: most of the start-up time under
// Wine is the making of the controls that the window must have.
int Startup(int runs) {
    struct Subject {
        const char* name;
        std::wstring command;
        std::vector<double> times;
    } subjects[] = {
        {"Portlens", L"\"" + drive::OwnDirectory() + L"Portlens.exe\"", {}},
        {"plain window", L"\"" + drive::OwnDirectory() + L"plain_window.exe\"", {}},
    };
    // The first start of each loads its files into the cache: not counted.
    for (int run = 0; run <= runs; ++run) {
        for (Subject& subject : subjects) {
            LONGLONG start = Now();
            drive::Program program(subject.command);
            if (!program.WaitForWindow(kCaptionPrefix)) {
                std::fprintf(stderr, "startup: no window from %s\n", subject.name);
                return 1;
            }
            if (run > 0) subject.times.push_back(Microseconds(Now() - start) / 1000);
            // Ended, and its windows gone from the desktop and the X server, before the next
            // starts: a teardown would otherwise run alongside the next program's start-up.
            program.End();
            Sleep(300);
        }
    }
    double median[2];
    for (int s = 0; s < 2; ++s) {
        median[s] = Percentile(subjects[s].times, 0.5);
        std::printf("startup %-12s runs %d  min %.0f ms  median %.0f ms  max %.0f ms\n", subjects[s].name, runs,
                    Percentile(subjects[s].times, 0), median[s], Percentile(subjects[s].times, 1));
    }
    Summary("4 start-up to window", Format("%.0f ms (plain window %.0f ms)", median[0], median[1]),
            median[0] / median[1], "<= 1.2", median[0] <= 1.2 * median[1]);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring what = argc == 3 ? argv[1] : L"";
    long amount = argc == 3 ? std::wcstol(argv[2], nullptr, 10) : 0;
    if (amount > 0 && what == L"latency") return Latency(static_cast<int>(amount));
    if (amount > 0 && what == L"idle") return Idle(static_cast<int>(amount));
    if (amount > 0 && what == L"stream") return Stream(static_cast<std::size_t>(amount));
    if (amount > 0 && what == L"startup") return Startup(static_cast<int>(amount));
    std::fprintf(stderr, "usage: bench_measure latency N | idle SECONDS | stream BYTES | startup RUNS\n");
    return 2;
}
