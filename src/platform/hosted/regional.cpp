// Regional formats: GetDateFormatA and GetTimeFormatA over the user's pictures.
//
// The pictures use the Windows letters (d, M, y for dates; h, H, m, s, t for
// times) and '...' for literal text. Defaults are the German settings.
#include "state.h"

#include <cstring>

namespace hosted {
namespace {

constexpr int kPictureSize = 80;
char s_shortDate[kPictureSize];
char s_timeFormat[kPictureSize];
char s_am[16];
char s_pm[16];

const char* const kDayNames[7] = {"Sonntag",  "Montag",  "Dienstag", "Mittwoch",
                                  "Donnerstag", "Freitag", "Samstag"};
const char* const kMonthNames[12] = {"Januar", "Februar", "M\xE4rz",     "April",
                                     "Mai",    "Juni",    "Juli",     "August",
                                     "September", "Oktober", "November", "Dezember"};

void CopyPicture(char* to, std::size_t size, const char* from) {
    std::strncpy(to, from ? from : "", size - 1);
    to[size - 1] = '\0';
}

// Text that grows up to a fixed size and remembers whether it overflowed.
struct Output {
    char text[256];
    std::size_t length = 0;
    bool overflow = false;

    void Put(const char* s, std::size_t n) {
        if (length + n >= sizeof text) {
            overflow = true;
            return;
        }
        std::memcpy(text + length, s, n);
        length += n;
        text[length] = '\0';
    }
    void Put(const char* s) { Put(s, std::strlen(s)); }
    void Number(unsigned value, int minDigits) {
        char digits[16];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0 && n < 15);
        while (n < minDigits) digits[n++] = '0';
        char ordered[16];
        for (int i = 0; i < n; ++i) ordered[i] = digits[n - 1 - i];
        Put(ordered, static_cast<std::size_t>(n));
    }
};

// Calls `field(letter, count)` for each run of a picture letter and copies
// everything else, quoted text included, to the output.
template <typename Field>
void Expand(const char* picture, Output* out, Field field) {
    for (const char* p = picture; *p != '\0';) {
        if (*p == '\'') {
            ++p;
            while (*p != '\0') {
                if (*p == '\'' && p[1] == '\'') {
                    out->Put("'", 1);
                    p += 2;
                } else if (*p == '\'') {
                    ++p;
                    break;
                } else {
                    out->Put(p++, 1);
                }
            }
            continue;
        }
        const char letter = *p;
        int count = 0;
        while (p[count] == letter) ++count;
        if (!field(letter, count)) out->Put(p, static_cast<std::size_t>(count));
        p += count;
    }
}

int Deliver(const Output& out, LPSTR dest, int destSize) {
    const int needed = static_cast<int>(out.length) + 1;
    if (out.overflow) {
        detail::SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (destSize == 0) return needed;
    if (dest == nullptr || destSize < needed) {
        detail::SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, out.text, static_cast<std::size_t>(needed));
    return needed;
}

}  // namespace

void SetShortDateFormat(const char* picture) {
    CopyPicture(s_shortDate, sizeof s_shortDate, picture);
}

void SetTimeFormat(const char* picture) {
    CopyPicture(s_timeFormat, sizeof s_timeFormat, picture);
}

void SetTimeMarkers(const char* am, const char* pm) {
    CopyPicture(s_am, sizeof s_am, am);
    CopyPicture(s_pm, sizeof s_pm, pm);
}

}  // namespace hosted

int WINAPI GetDateFormatA(LCID, DWORD, const SYSTEMTIME* date, LPCSTR format, LPSTR out,
                          int outSize) {
    SYSTEMTIME now{};
    if (date == nullptr) {
        GetLocalTime(&now);
        date = &now;
    }
    hosted::Output text;
    hosted::Expand(format ? format : hosted::s_shortDate, &text, [&](char letter, int count) {
        switch (letter) {
        case 'd':
            if (count <= 2)
                text.Number(date->wDay, count);
            else
                text.Put(count == 3 ? std::string(hosted::kDayNames[date->wDayOfWeek % 7], 2).c_str()
                                    : hosted::kDayNames[date->wDayOfWeek % 7]);
            return true;
        case 'M':
            if (count <= 2)
                text.Number(date->wMonth, count);
            else if (date->wMonth >= 1 && date->wMonth <= 12)
                text.Put(count == 3 ? std::string(hosted::kMonthNames[date->wMonth - 1], 3).c_str()
                                    : hosted::kMonthNames[date->wMonth - 1]);
            return true;
        case 'y':
            if (count <= 2)
                text.Number(date->wYear % 100u, count == 1 ? 1 : 2);
            else
                text.Number(date->wYear, 4);
            return true;
        case 'g':
            return true;  // era: none in the Gregorian calendar as shown here
        default:
            return false;
        }
    });
    return hosted::Deliver(text, out, outSize);
}

int WINAPI GetTimeFormatA(LCID, DWORD, const SYSTEMTIME* time, LPCSTR format, LPSTR out,
                          int outSize) {
    SYSTEMTIME now{};
    if (time == nullptr) {
        GetLocalTime(&now);
        time = &now;
    }
    const unsigned hour12 = time->wHour % 12 == 0 ? 12u : time->wHour % 12u;
    const char* marker = time->wHour < 12 ? hosted::s_am : hosted::s_pm;
    hosted::Output text;
    hosted::Expand(format ? format : hosted::s_timeFormat, &text, [&](char letter, int count) {
        const int digits = count >= 2 ? 2 : 1;
        switch (letter) {
        case 'h':
            text.Number(hour12, digits);
            return true;
        case 'H':
            text.Number(time->wHour, digits);
            return true;
        case 'm':
            text.Number(time->wMinute, digits);
            return true;
        case 's':
            text.Number(time->wSecond, digits);
            return true;
        case 't':
            text.Put(marker, count == 1 ? (*marker != '\0' ? 1u : 0u) : std::strlen(marker));
            return true;
        default:
            return false;
        }
    });
    return hosted::Deliver(text, out, outSize);
}
