#include "fuzz_checks.h"

#include "console/commands/frame_number.h"
#include "console/link/protocol.h"
#include "tests/console/form_fakes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz_checks {
namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

// The reply line without a bound, step by step as the board's bytes are defined.
class UnboundedLine {
public:
    bool Take(char b) {
        switch (b) {
        case device_link::kAck: Mark("[ACK]"); return false;
        case device_link::kNak: Mark("[NAK]"); return false;
        case device_link::kStx:
            text.clear();
            markers.clear();
            Mark("[STX]");
            return false;
        case device_link::kEtx: Mark("[ETX]"); return true;
        default: text += b; return false;
        }
    }
    std::string text;
    std::vector<std::size_t> markers;

private:
    void Mark(const char* marker) {
        markers.push_back(text.size());
        text += marker;
    }
};

bool FourDigits(std::string_view text) {
    if (text.size() != 4) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

void ReplyLine(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t kMax = device_link::ReplyLine::kMaxLength;
    constexpr std::size_t kCut = kMax - device_link::ReplyLine::kMarkerLength;

    device_link::ReplyLine line;
    UnboundedLine model;
    std::vector<std::string> shown;
    for (char b : bytes) {
        bool complete = line.Take(b);
        Check(complete == model.Take(b), "ETX seen alike");
        Check(line.Text().size() <= kMax, "the line keeps its bound");
        if (!complete) continue;
        std::string_view text = line.Text();
        shown.emplace_back(text);
        if (model.text.size() <= kMax) {
            Check(text == model.text, "a line within the bound is the whole line");
            Check(line.Markers() == model.markers, "the markers where they are");
        } else {
            Check(text == model.text.substr(0, kCut) + "[ETX]", "a longer line is its start and the marker");
            std::vector<std::size_t> whole;
            for (std::size_t at : model.markers)
                if (at + 5 <= kCut) whole.push_back(at);
            whole.push_back(kCut);
            Check(line.Markers() == whole, "the markers that stay whole, and the end marker");
        }
        Check(device_link::DeviceErrorCode(text) == device_link::DeviceErrorCode(model.text), "same error code");
        Check(device_link::FrameNumber(text) == device_link::FrameNumber(model.text), "same frame number");
    }

    // The same bytes through the console's receive handler, in pieces of 1 to 64 bytes.
    Console console;
    std::size_t at = 0;
    for (std::size_t piece = 0; at < bytes.size(); ++piece) {
        std::size_t length = 1 + static_cast<unsigned char>(bytes[piece % bytes.size()]) % 64;
        console.Receive(std::string(bytes.substr(at, length)));
        at += length;
    }
    for (const std::string& frame : console.controls.frameHistory) Check(FourDigits(frame), "four-digit frame box");
    Check(console.controls.replyHistory == shown, "every reply shown, whatever the pieces");
}

void FrameNumber(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    double value = frame_number::LeadingValue(text);
    Check(!std::isnan(value), "a number or an infinity");

    std::string spaced;
    for (char c : text) {
        spaced += c;
        spaced += (static_cast<unsigned char>(c) % 3 == 0) ? " " : "\t";
    }
    double spacedValue = frame_number::LeadingValue(spaced);
    Check(spacedValue == value, "blanks anywhere change nothing");
    Check(frame_number::LeadingValue(text + "z") == value, "a letter after the number ends it");

    for (double step : {-1.0, 0.0, 1.0}) {
        int frame = frame_number::ToFrameNumber(value + step);
        Check(frame >= frame_number::kFirst && frame <= frame_number::kLast, "frame within 1 to 511");
        Check(FourDigits(frame_number::Format(frame)), "four digits");
    }
}

}  // namespace fuzz_checks
