// What must hold for any input: the checks that the fuzz targets run, and that the regression
// test runs again on every input a fuzzer ever found. A failed check aborts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz_checks {

// The bytes as a received stream, in pieces given by the first bytes: the reply line stays
// within its bound and matches an unbounded model at every ETX, and the console's window gets
// only four-digit frame numbers.
void ReplyLine(const std::uint8_t* data, std::size_t size);

// The bytes as a frame box text: a number or an infinity, never NaN; the same number with blanks
// put anywhere and with a letter after it; a frame number from 1 to 511 in four digits.
void FrameNumber(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz_checks
