// How fast the console takes in received bytes: the reply line alone, and the receive handler
// over controls and a port that only count, fed whole streams in the batches the serial port hands
// over, one batch a turn of the window. Prints bytes per second against the fastest standard line, and how the time per byte
// changes with the length of a reply, the number of frames and the length of a flood. A guard
// that the plain loop stays far ahead of any line, not a target to optimise.
#include "console/link/protocol.h"
#include "console/window/console_form.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kLineRate = 92160;  // bytes per second at 921,600 baud, 10 bits a byte
constexpr double kThroughputGoal = 1000;
constexpr double kFlatnessGoal = 1.5;  // per-byte time, longest against shortest; the rest is noise
constexpr std::size_t kChunk = 4096;   // what one read of the serial port brings at most

class CountingControls final : public ConsoleForm::Controls {
public:
    int replies = 0, frames = 0, messages = 0;
    void SetCaption(std::string_view) override {}
    void SetPortList(const std::vector<std::string>&) override {}
    void SelectNoPort() override {}
    int SelectedPort() const override { return 2; }
    std::string FrameText() const override { return "0150"; }
    void SetFrameText(std::string_view) override { ++frames; }
    void SetReplyDisplay(const device_link::ReplyLine&) override { ++replies; }
    void ClearReplyDisplay() override {}
    void EnableCommands(bool) override {}
    void ShowMessage(std::string_view, std::string_view) override { ++messages; }
};

// Hands out one stream, batch by batch, `times` times over, again after each Rewind.
class StreamPort final : public SerialControl {
public:
    explicit StreamPort(std::string stream, std::size_t times) : stream_(std::move(stream)), times_(times) {}
    void Rewind() { next_ = round_ = 0; }
    std::string Settings() const override { return "9600,n,8,1"; }
    std::vector<std::string> SystemPorts() const override { return {}; }
    bool PortOpen() const override { return true; }
    bool SetPortOpen(bool) override { return true; }
    int CommPort() const override { return 3; }
    bool SetCommPort(int) override { return true; }
    bool Output(std::string_view) override { return true; }
    std::string Input() override {
        if (next_ == stream_.size() && ++round_ < times_) next_ = 0;
        std::string batch = stream_.substr(next_, kInputLen);
        next_ += batch.size();
        return batch;
    }
    std::size_t InBufferCount() const override { return stream_.size() - next_ + (times_ - round_ - 1) * stream_.size(); }
    bool LineFailed() const override { return false; }

private:
    std::string stream_;
    std::size_t times_;
    std::size_t next_ = 0, round_ = 0;
};

std::string Framed(std::string_view payload) { return device_link::BuildFrame(payload); }

// What the console sees in use: mostly frame replies, acknowledgements, the identity, now and
// then a device error, and line noise between them.
std::string MixedStream(std::size_t size) {
    std::string stream;
    std::uint32_t random = 12345;
    auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 16; };
    while (stream.size() < size) {
        switch (next() % 10) {
        case 0: stream += '\x06'; break;
        case 1: stream += '\x15'; break;
        case 2: stream += Framed("Quarn board simulator 1.00"); break;
        case 3: stream += Framed("error" + std::string(1, static_cast<char>('1' + next() % 4))); break;
        case 4:
            for (int n = next() % 16; n > 0; --n) stream += static_cast<char>(next() % 256);
            break;
        default: {
            char payload[8];
            std::snprintf(payload, sizeof payload, "frm%04u", next() % 10000);
            stream += Framed(payload);
        }
        }
    }
    return stream;
}

std::string Flood(std::size_t size) {
    std::string stream(size, 'a');
    for (std::size_t i = 0; i < size; ++i) stream[i] = static_cast<char>('a' + i % 26);
    return stream;
}

// Replies with payloads of the given length, about 1 MiB in all.
std::string LongReplies(std::size_t length) {
    std::string reply = Framed(Flood(length));
    std::string stream;
    while (stream.size() < (1u << 20)) stream += reply;
    return stream;
}

std::string FrameReplies(std::size_t count) {
    std::string stream;
    for (std::size_t i = 0; i < count; ++i) {
        char payload[8];
        std::snprintf(payload, sizeof payload, "frm%04zu", i % 10000);
        stream += Framed(payload);
    }
    return stream;
}

void ReplyLineOnly(benchmark::State& state, const std::string& stream) {
    for (auto _ : state) {
        device_link::ReplyLine line;
        std::size_t complete = 0;
        for (char byte : stream)
            if (line.Take(byte))
                complete += device_link::FrameNumber(line.Text()).has_value() +
                            device_link::DeviceErrorCode(line.Text()).has_value();
        benchmark::DoNotOptimize(complete);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}

void Handler(benchmark::State& state, const std::string& stream, std::size_t times) {
    CountingControls controls;
    StreamPort port(stream, times);
    ConsoleForm form(controls, port);
    for (auto _ : state) {
        port.Rewind();
        while (port.InBufferCount() > 0) form.MSComm1_OnComm();
    }
    benchmark::DoNotOptimize(controls.replies);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size() * times));
}

// Bytes per second of each benchmark, by name, as the runs are reported: the median when the
// runs are repeated.
class Collector final : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> bytesPerSecond;
    Collector() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                bytesPerSecond[run.run_name.str()] = run.counters.at("bytes_per_second").value;
    }
};

void Summary(const char* measurement, const std::string& figure, double ratio, const char* goal, const char* result) {
    std::printf("SUMMARY|%s|%s|%.3g|%s|%s\n", measurement, figure.c_str(), ratio, goal, result);
}
const char* Result(bool pass) { return pass ? "pass" : "FAIL"; }

// The goal is the decoder's; the handler's figure adds the calls into the window and is reported.
void Throughput(const Collector& results, const std::string& name, const char* measurement, bool goal) {
    double rate = results.bytesPerSecond.at(name);
    double ratio = rate / kLineRate;
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.3f GB/s", rate / 1e9);
    if (goal)
        Summary(measurement, figure, ratio, "x line rate >= 1000", Result(ratio >= kThroughputGoal));
    else
        Summary(measurement, figure, ratio, "x line rate, reported", "-");
}

// Per-byte time of the longest case against the shortest.
void Flatness(const Collector& results, const std::vector<std::string>& names, const char* measurement) {
    double shortest = 1e9 / results.bytesPerSecond.at(names.front());
    double longest = 1e9 / results.bytesPerSecond.at(names.back());
    double ratio = longest / shortest;
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.3f -> %.3f ns/B", shortest, longest);
    Summary(measurement, figure, ratio, "longest/shortest <= 1.5", Result(ratio <= kFlatnessGoal));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mixed = MixedStream(1 << 20);
    const std::string flood = Flood(1 << 20);
    benchmark::RegisterBenchmark("reply_line/mixed", ReplyLineOnly, mixed);
    benchmark::RegisterBenchmark("reply_line/flood", ReplyLineOnly, flood);
    benchmark::RegisterBenchmark("handler/mixed", Handler, mixed, 1);
    benchmark::RegisterBenchmark("handler/flood", Handler, flood, 1);

    const std::size_t lengths[] = {8, 256, 4000, 65536};
    std::vector<std::string> byLength;
    for (std::size_t length : lengths) {
        byLength.push_back("handler/reply_length/" + std::to_string(length));
        benchmark::RegisterBenchmark(byLength.back().c_str(), Handler, LongReplies(length), 1);
    }
    const std::size_t counts[] = {16, 1024, 116508};  // the last is 1 MiB of frame replies
    std::vector<std::string> byCount;
    for (std::size_t count : counts) {
        byCount.push_back("handler/frames/" + std::to_string(count));
        benchmark::RegisterBenchmark(byCount.back().c_str(), Handler, FrameReplies(count), 1);
    }
    // A long flood is one chunk handed out again and again: in use each chunk comes fresh from the
    // driver, in the cache. A flood of 1 MiB built in advance is read from the third-level cache,
    // which the machine's other tenants share, and would measure their load as much as the console.
    const std::size_t floods[] = {kChunk, 65536, 1 << 20};
    std::vector<std::string> byFlood;
    for (std::size_t size : floods) {
        byFlood.push_back("handler/flood_length/" + std::to_string(size));
        benchmark::RegisterBenchmark(byFlood.back().c_str(), Handler, Flood(kChunk), size / kChunk);
    }

    benchmark::Initialize(&argc, argv);
    Collector results;
    benchmark::RunSpecifiedBenchmarks(&results);
    benchmark::Shutdown();

    Throughput(results, "reply_line/mixed", "1 decoder, mixed stream", true);
    Throughput(results, "reply_line/flood", "1 decoder, flood without STX", true);
    Throughput(results, "handler/mixed", "1 receive handler, mixed stream", false);
    Throughput(results, "handler/flood", "1 receive handler, flood without STX", false);
    Flatness(results, byLength, "1 flatness over reply length 8..65536");
    Flatness(results, byCount, "1 flatness over frames 16..116508");
    Flatness(results, byFlood, "1 flatness over flood 4 KiB..1 MiB");
    return 0;
}
