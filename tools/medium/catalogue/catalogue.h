// The catalogue of a driver package: the list of the hashes of its files that Windows checks the
// package against, and that the maker's signature covers. Written as MakeCat writes a version 1
// catalogue (the only kind Windows 7 reads): a PKCS #7 SignedData, without signers until the maker
// signs it, around a certificate trust list of the files' SHA-1 hashes.
#pragma once

#include "der.h"

#include <string>

struct CatalogueMember {
    std::string name;  // the file's name in the package: "VL_USB.INF"
    Bytes sha1;        // of the whole file, as Windows hashes a file that is not a program (a flat file)
};

// The Windows versions a package is for, as the OSAttr attribute names them (platform 2, Windows
// NT, and the version): 7, 8, 8.1, and 10 and 11, which both call themselves 10.0.
extern const char kWindows7To11[];

Bytes Sha1(const Bytes& data);

// Both the catalogue's list identifier and its time come from the release date (seconds since
// 1970), so that every build of one release gives the same bytes.
Bytes Catalogue(const std::vector<CatalogueMember>& members, const std::string& osAttr, int64_t releaseDate);
