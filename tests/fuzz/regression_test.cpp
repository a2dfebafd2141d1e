// Every input that a fuzzer ever found a fault with, and the seed corpus, through the checks
// again (a failed check aborts the test program).
#include "fuzz_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

void RunAll(const char* target, void (*check)(const std::uint8_t*, std::size_t)) {
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        std::filesystem::path folder = std::filesystem::path(QUARN_FUZZ_DIR) / kind / target;
        if (!std::filesystem::exists(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0) << "no inputs for " << target;
}

}  // namespace

TEST(FuzzRegressions, ReplyLine) { RunAll("reply_line", fuzz_checks::ReplyLine); }
TEST(FuzzRegressions, FrameNumber) { RunAll("frame_number", fuzz_checks::FrameNumber); }
