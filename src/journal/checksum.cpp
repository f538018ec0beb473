#include "journal/checksum.h"

#include "journal/clock.h"

std::int32_t WeightedSum(const char* text) {
    if (text == nullptr) return 0;
    std::uint32_t sum = 0;  // unsigned, so that a long hand-made text wraps instead of overflowing
    for (std::uint32_t i = 0; text[i] != '\0'; ++i)
        sum += static_cast<std::uint32_t>(static_cast<signed char>(text[i])) * (i + 1);
    return static_cast<std::int32_t>(sum);
}

std::int32_t EntryChecksum(const char* time, const char* date) {
    return static_cast<std::int32_t>(TimeToSeconds(time) + static_cast<std::uint32_t>(WeightedSum(date)));
}

std::int32_t RecordChecksum(const char* time, const char* line2, const char* line3) {
    static_cast<void>(line2);
    static_cast<void>(line3);
    char today[kClockTextSize];
    GetDateString(today);
    return EntryChecksum(time, today);
}
