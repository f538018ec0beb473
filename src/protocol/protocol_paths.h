// Where the protocols of a date go: Protocols/<year>/<month name>/ and the two
// file names made from the date's tokens, or Protocols/Undated/ for a date
// that is not day.month.year.
#ifndef HORALUX_PROTOCOL_PROTOCOL_PATHS_H
#define HORALUX_PROTOCOL_PROTOCOL_PATHS_H

#include <cstddef>

constexpr std::size_t kPathSize = 256;
constexpr std::size_t kMaxProtocolFolders = 3;

#define HX_PROTOCOLS_FOLDER "Protocols"
constexpr const char kProtocolsFolder[] = HX_PROTOCOLS_FOLDER;
// The one folder for the protocols of a date without three tokens.
extern const char kUndatedFolder[];

struct ProtocolPaths {
    // To be created in this order, each inside the one before.
    char folders[kMaxProtocolFolders][kPathSize];
    std::size_t folderCount;
    char detail[kPathSize];
    char statistics[kPathSize];
    bool dated;  // false: the date did not split into day, month and year
};

// A date of three tokens: Protocols/2008/January/2008-01-13_detail.csv and
// ..._stat.csv (the month token unchanged in the file names). Any other date:
// Protocols/Undated/<date>_detail.csv and _stat.csv. Every name is made
// path-safe first, so no date leads outside Protocols/.
void BuildProtocolPaths(const char* date, ProtocolPaths* paths);

#endif
