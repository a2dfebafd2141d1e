#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, unsigned long size) {
    fuzz_checks::ReplyLine(data, size);
    return 0;
}
