#include "journal/clock.h"

namespace {

// Used when the user's own format gives more than a clock string can hold, so
// that the text still names the day and the moment instead of being garbage.
constexpr const char kFallbackDatePicture[] = "dd.MM.yyyy";
constexpr const char kFallbackTimePicture[] = "HH:mm:ss";

constexpr int kTimeFields = 3;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void GetDateString(char (&out)[kClockTextSize]) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, out, kClockTextSize) == 0) {
        out[0] = '\0';
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, kFallbackDatePicture, out, kClockTextSize);
    }
    out[kClockTextSize - 1] = '\0';
}

void GetTimeString(char (&out)[kClockTextSize]) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, LOCALE_USE_CP_ACP, &now, nullptr, out, kClockTextSize) == 0) {
        out[0] = '\0';
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, kFallbackTimePicture, out, kClockTextSize);
    }
    out[kClockTextSize - 1] = '\0';
}

std::int32_t ReadDecimal(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsBlank(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    std::uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

DWORD TimeToSeconds(const char* text) {
    // A copy of at most 31 characters is what gets split; a longer hand-edited
    // text is read only that far.
    char work[kClockTextSize];
    lstrcpynA(work, text != nullptr ? text : "", kClockTextSize);

    DWORD field[kTimeFields] = {0, 0, 0};
    const char* p = work;
    for (int n = 0; n < kTimeFields; ++n) {
        while (*p == ':') ++p;  // leading colons and runs of colons separate nothing
        if (*p == '\0') break;
        field[n] = static_cast<DWORD>(ReadDecimal(p));
        while (*p != '\0' && *p != ':') ++p;
    }
    return field[0] * 3600u + field[1] * 60u + field[2];
}
