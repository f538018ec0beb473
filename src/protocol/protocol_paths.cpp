#include "protocol/protocol_paths.h"

#include "platform/win32.h"
#include "protocol/protocol_date.h"

#include <cstdio>

namespace {

#define HX_UNDATED_FOLDER "Undated"
#define HX_DETAIL_SUFFIX "_detail.csv"
#define HX_STATISTICS_SUFFIX "_stat.csv"

// The longest path: the folders, then three tokens, two hyphens and the suffix.
constexpr std::size_t kLongestPath = sizeof HX_PROTOCOLS_FOLDER - 1 + 2 * (1 + kPathTokenSize - 1) + 1 +
                                     3 * (kPathTokenSize - 1) + 2 + sizeof HX_DETAIL_SUFFIX - 1;
static_assert(kLongestPath < kPathSize, "every protocol path fits its buffer");

}  // namespace

const char kUndatedFolder[] = HX_UNDATED_FOLDER;

void BuildProtocolPaths(const char* date, ProtocolPaths* paths) {
    char tokens[kDateTokenCount][kClockTextSize];
    paths->dated = SplitDate(date, tokens) == kDateTokenCount;
    std::snprintf(paths->folders[0], kPathSize, "%s", kProtocolsFolder);

    if (!paths->dated) {
        char name[kPathTokenSize];
        MakePathToken(date, name);
        std::snprintf(paths->folders[1], kPathSize, HX_PROTOCOLS_FOLDER PATH_SEP HX_UNDATED_FOLDER);
        paths->folderCount = 2;
        std::snprintf(paths->detail, kPathSize, HX_PROTOCOLS_FOLDER PATH_SEP HX_UNDATED_FOLDER PATH_SEP "%s" HX_DETAIL_SUFFIX, name);
        std::snprintf(paths->statistics, kPathSize,
                      HX_PROTOCOLS_FOLDER PATH_SEP HX_UNDATED_FOLDER PATH_SEP "%s" HX_STATISTICS_SUFFIX, name);
        return;
    }

    char day[kPathTokenSize];
    char month[kPathTokenSize];
    char year[kPathTokenSize];
    char monthFolder[kPathTokenSize];
    MakePathToken(tokens[kDay], day);
    MakePathToken(tokens[kMonth], month);
    MakePathToken(tokens[kYear], year);
    MakeMonthFolderName(tokens[kMonth], monthFolder);

    std::snprintf(paths->folders[1], kPathSize, HX_PROTOCOLS_FOLDER PATH_SEP "%s", year);
    std::snprintf(paths->folders[2], kPathSize, HX_PROTOCOLS_FOLDER PATH_SEP "%s" PATH_SEP "%s", year, monthFolder);
    paths->folderCount = 3;
    std::snprintf(paths->detail, kPathSize,
                  HX_PROTOCOLS_FOLDER PATH_SEP "%s" PATH_SEP "%s" PATH_SEP "%s-%s-%s" HX_DETAIL_SUFFIX, year,
                  monthFolder, year, month, day);
    std::snprintf(paths->statistics, kPathSize,
                  HX_PROTOCOLS_FOLDER PATH_SEP "%s" PATH_SEP "%s" PATH_SEP "%s-%s-%s" HX_STATISTICS_SUFFIX, year,
                  monthFolder, year, month, day);
}
