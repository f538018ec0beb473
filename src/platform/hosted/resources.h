// The program's resources as the hosted layer sees them: res/horalux.rc and
// res/resource.h read at first use from the copies embedded at build time,
// and the bitmaps and icons the script names. Not for the program's code.
#ifndef HORALUX_PLATFORM_HOSTED_RESOURCES_H
#define HORALUX_PLATFORM_HOSTED_RESOURCES_H

#include "win32_api.h"

#include <cstddef>
#include <string>
#include <vector>

namespace hosted {
namespace detail {

// Files of res/, embedded by cmake/embed_files.cmake.
struct EmbeddedFile {
    const char* name;
    const unsigned char* bytes;
    std::size_t size;
};
extern const EmbeddedFile kEmbeddedFiles[];
extern const std::size_t kEmbeddedFileCount;

struct DialogItemTemplate {
    std::string text;
    int id = 0;
    std::string className;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
};

struct DialogTemplate {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string caption;
    int fontPoints = 0;                       // 0: no FONT statement
    std::string fontFace;
    std::vector<DialogItemTemplate> items;
};

// NULL when the script has no such dialog.
const DialogTemplate* FindDialogTemplate(int id);
// The bytes of the file that the script names for this BITMAP or ICON id,
// or NULL.
const EmbeddedFile* BitmapFile(int id);
const EmbeddedFile* IconFile(int id);

}  // namespace detail
}  // namespace hosted

#endif
