// run_from_swap PROGRAM...: marks each Windows program (a PE image) to be run from the swap file
// when it lies on removable media or on the network: Windows then loads it whole before it starts,
// so that an ejected disc or a lost share cannot fault in a page of the running program. Sets
// IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and IMAGE_FILE_NET_RUN_FROM_SWAP in the file header's
// Characteristics, which GNU ld cannot set, and writes the image's checksum anew. A program of the
// build machine, run after the link; setting the flags again changes nothing.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kRunFromSwap = 0x0400 | 0x0800;  // removable media, network

std::uint32_t Read(const std::vector<unsigned char>& image, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | image[at + i];
    return value;
}

void Write(std::vector<unsigned char>& image, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) image[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The PE checksum: the image's 16-bit words, the checksum field left out, added with the carries
// folded back in, plus the image's length.
std::uint32_t Checksum(const std::vector<unsigned char>& image, std::size_t checksumAt) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < image.size(); at += 2) {
        if (at == checksumAt || at == checksumAt + 2) continue;
        sum += at + 1 < image.size() ? Read(image, at, 2) : image[at];
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(image.size());
}

// Returns what is wrong, or nothing.
std::string MarkRunFromSwap(const std::string& path) {
    std::vector<unsigned char> image;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return "cannot be read";
        image.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return "is not a Windows program";
    const std::size_t pe = Read(image, 0x3C, 4);
    // Signature (4 bytes), file header (20), and the optional header up to its checksum (68).
    if (pe > image.size() - 92 || Read(image, pe, 4) != 0x4550) return "is not a Windows program";
    const std::size_t characteristicsAt = pe + 4 + 18;
    const std::size_t checksumAt = pe + 24 + 64;
    Write(image, characteristicsAt, Read(image, characteristicsAt, 2) | kRunFromSwap, 2);
    Write(image, checksumAt, Checksum(image, checksumAt), 4);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return out ? "" : "cannot be written";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: run_from_swap PROGRAM...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string fault = MarkRunFromSwap(argv[i]);
        if (fault.empty()) continue;
        std::fprintf(stderr, "run_from_swap: %s %s\n", argv[i], fault.c_str());
        status = 1;
    }
    return status;
}
