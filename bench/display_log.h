// The log that display_hook.dll writes inside a watched program and bench_measure reads: one
// entry for each text given to the watched control, stamped with QueryPerformanceCounter (one
// clock for all processes), in shared memory that bench_measure creates.
#pragma once

#include <windows.h>

namespace display_log {

inline constexpr wchar_t kMappingName[] = L"Local\\QuarnBenchDisplayLog";
// Set after each entry, so that the reader need not poll.
inline constexpr wchar_t kEventName[] = L"Local\\QuarnBenchDisplayShown";
inline constexpr LONG kCapacity = 1 << 18;
inline constexpr int kTailLength = 23;  // the end of the text, enough for a frame reply

struct Entry {
    LONGLONG time;
    DWORD process;
    volatile LONG complete;  // set last, once the rest is written
    wchar_t tail[kTailLength + 1];
};

struct Log {
    LONG controlId;  // the watched control, in every watched window
    volatile LONG count;  // entries taken, complete or not; past kCapacity nothing is logged
    Entry entries[kCapacity];
};

}  // namespace display_log
