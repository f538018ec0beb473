#include "protocol/protocol_date.h"

#include <cstring>

const char* const g_monthNames[kMonthCount] = {"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};

std::size_t SplitDate(const char* date, char (&tokens)[kDateTokenCount][kClockTextSize]) {
    for (auto& token : tokens) token[0] = '\0';
    std::size_t found = 0;
    const char* p = date != nullptr ? date : "";
    while (found < kDateTokenCount) {
        while (*p == '.') ++p;
        if (*p == '\0') break;
        std::size_t length = 0;
        for (; *p != '\0' && *p != '.'; ++p)
            if (length < kClockTextSize - 1) tokens[found][length++] = *p;
        tokens[found][length] = '\0';
        ++found;
    }
    return found;
}

namespace {

bool IsForbiddenInName(unsigned char c) {
    return c < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows opens a device instead of a file for these names, with any
// extension and with blanks before the extension.
bool IsReservedDeviceName(const char* name) {
    static const char* const kReserved[] = {
        "CON",  "PRN",  "AUX",  "NUL",  "CONIN$", "CONOUT$", "COM1", "COM2", "COM3", "COM4",
        "COM5", "COM6", "COM7", "COM8", "COM9",   "LPT1",    "LPT2", "LPT3", "LPT4", "LPT5",
        "LPT6", "LPT7", "LPT8", "LPT9",
        // The superscript digits one, two and three of the ANSI code page count as well.
        "COM\xB9", "COM\xB2", "COM\xB3", "LPT\xB9", "LPT\xB2", "LPT\xB3"};
    std::size_t stem = std::strcspn(name, ".");
    while (stem > 0 && name[stem - 1] == ' ') --stem;
    for (const char* reserved : kReserved) {
        const std::size_t length = std::strlen(reserved);
        if (length != stem) continue;
        std::size_t i = 0;
        while (i < length && ToUpperAscii(name[i]) == reserved[i]) ++i;
        if (i == length) return true;
    }
    return false;
}

// ReadDecimal wraps in 32 bits, so a long run of digits could come out as 1
// to 12; nine digits cannot wrap.
bool ReadsWithoutWrap(const char* text) {
    while (*text != '\0' && std::strchr(" \t\n\v\f\r", *text) != nullptr) ++text;
    if (*text == '-' || *text == '+') ++text;
    std::size_t digits = 0;
    while (text[digits] >= '0' && text[digits] <= '9') ++digits;
    return digits <= 9;
}

}  // namespace

void MakePathToken(const char* text, char (&out)[kPathTokenSize]) {
    const char* p = text != nullptr ? text : "";
    std::size_t length = 0;
    while (*p == ' ') ++p;
    // One place is kept free for the prefix of a reserved name.
    for (; *p != '\0' && length < kClockTextSize - 1; ++p)
        out[length++] = IsForbiddenInName(static_cast<unsigned char>(*p)) ? '_' : *p;
    // Windows drops trailing blanks and dots from a name, so "x." would be "x".
    while (length > 0 && (out[length - 1] == ' ' || out[length - 1] == '.')) --length;
    if (length == 0) out[length++] = '_';
    out[length] = '\0';
    if (IsReservedDeviceName(out)) {
        std::memmove(out + 1, out, length + 1);
        out[0] = '_';
    }
}

void MakeMonthFolderName(const char* monthToken, char (&out)[kPathTokenSize]) {
    const std::int32_t month = ReadsWithoutWrap(monthToken) ? ReadDecimal(monthToken) : 0;
    if (month >= 1 && month <= static_cast<std::int32_t>(kMonthCount)) {
        std::snprintf(out, kPathTokenSize, "%s", g_monthNames[month - 1]);
        return;
    }
    MakePathToken(monthToken, out);
}
