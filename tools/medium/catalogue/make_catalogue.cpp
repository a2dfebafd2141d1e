// make_catalogue <release date file> <catalogue> <member file>...
// Writes the catalogue of a driver package for Windows 7 to 11: each member file by its name and
// SHA-1 hash, dated by the release date (seconds since 1970, in the file that
// tools/medium/source_date.cmake writes).
#include "catalogue.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

namespace {

Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Bytes bytes;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount()) bytes.insert(bytes.end(), buffer, buffer + file.gcount());
    if (!file.eof()) throw std::runtime_error("cannot read " + path);
    return bytes;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_catalogue <release date file> <catalogue> <member file>...\n");
        return 2;
    }
    try {
        Bytes date = ReadFile(argv[1]);
        std::string text(date.begin(), date.end());
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
            throw std::runtime_error(std::string(argv[1]) + " holds no release date");
        std::vector<CatalogueMember> members;
        for (int i = 3; i < argc; ++i) members.push_back({FileName(argv[i]), Sha1(ReadFile(argv[i]))});
        Bytes catalogue = Catalogue(members, kWindows7To11, std::stoll(text));
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(catalogue.data()), static_cast<std::streamsize>(catalogue.size()));
        out.close();
        if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "make_catalogue: %s\n", failure.what());
        return 1;
    }
    return 0;
}
