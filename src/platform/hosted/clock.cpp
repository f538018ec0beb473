// Clocks of the hosted layer: the local wall clock, the millisecond counter,
// Sleep, and the planned actions of the virtual desktop.
#include "state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <utility>

namespace hosted {
namespace {

bool s_live = false;
std::int64_t s_now = 0;          // virtual ms since the reset
std::int64_t s_wallBase = 0;     // local wall clock at s_now == 0, ms since 1970-01-01
DWORD s_tickBase = 0;            // timeGetTime at s_now == 0
std::int64_t s_limit = 0;
std::uint64_t s_sequence = 0;
// Ordered by moment, then by the order of planning.
std::multimap<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> s_actions;

constexpr std::int64_t kDefaultLimit = 8LL * 24 * 3600 * 1000;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* year, unsigned* month, unsigned* day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (*month <= 2));
}

void FillVirtualLocalTime(SYSTEMTIME* t) {
    const std::int64_t wall = s_wallBase + s_now;
    std::int64_t days = wall / 86400000;
    std::int64_t msOfDay = wall % 86400000;
    if (msOfDay < 0) {
        msOfDay += 86400000;
        --days;
    }
    int year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    t->wYear = static_cast<WORD>(year);
    t->wMonth = static_cast<WORD>(month);
    t->wDay = static_cast<WORD>(day);
    t->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    t->wHour = static_cast<WORD>(msOfDay / 3600000);
    t->wMinute = static_cast<WORD>(msOfDay / 60000 % 60);
    t->wSecond = static_cast<WORD>(msOfDay / 1000 % 60);
    t->wMilliseconds = static_cast<WORD>(msOfDay % 1000);
}

void FillLiveLocalTime(SYSTEMTIME* t) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    t->wYear = static_cast<WORD>(local.tm_year + 1900);
    t->wMonth = static_cast<WORD>(local.tm_mon + 1);
    t->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    t->wDay = static_cast<WORD>(local.tm_mday);
    t->wHour = static_cast<WORD>(local.tm_hour);
    t->wMinute = static_cast<WORD>(local.tm_min);
    t->wSecond = static_cast<WORD>(local.tm_sec);
    t->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

}  // namespace

namespace detail {

void ResetClock() {
    s_live = false;
    s_now = 0;
    s_tickBase = 0;
    s_limit = kDefaultLimit;
    s_actions.clear();
    SetLocalClock(2026, 1, 5, 9, 0, 0);
}

void StartLiveClock() {
    s_live = true;
}

void AdvanceTo(std::int64_t until) {
    while (!s_actions.empty() && s_actions.begin()->first.first <= until) {
        auto first = s_actions.begin();
        if (first->first.first > s_now) s_now = first->first.first;
        std::function<void()> action = std::move(first->second);
        s_actions.erase(first);
        action();
    }
    if (until > s_now) s_now = until;
    if (s_now > s_limit) {
        std::fprintf(stderr, "hosted desktop: virtual time ran past %lld ms; aborting the run\n",
                     static_cast<long long>(s_limit));
        std::abort();
    }
}

bool AdvanceToNextAction() {
    if (s_actions.empty()) return false;
    const std::int64_t when = s_actions.begin()->first.first;
    AdvanceTo(when > s_now ? when : s_now);
    return true;
}

}  // namespace detail

bool IsLive() {
    return s_live;
}

std::int64_t Now() {
    return s_now;
}

void SetLocalClock(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const std::int64_t wall = ((days * 24 + hour) * 60 + minute) * 60000LL + second * 1000LL;
    s_wallBase = wall - s_now;
}

void SetTickCounter(DWORD milliseconds) {
    s_tickBase = milliseconds - static_cast<DWORD>(s_now);
}

void At(std::int64_t when, std::function<void()> action) {
    s_actions.emplace(std::make_pair(when, s_sequence++), std::move(action));
}

void After(std::int64_t delay, std::function<void()> action) {
    At(s_now + delay, std::move(action));
}

void SetVirtualTimeLimit(std::int64_t milliseconds) {
    s_limit = milliseconds;
}

}  // namespace hosted

using hosted::detail::AdvanceTo;

void WINAPI GetLocalTime(SYSTEMTIME* time) {
    if (hosted::IsLive())
        hosted::FillLiveLocalTime(time);
    else
        hosted::FillVirtualLocalTime(time);
}

DWORD WINAPI timeGetTime() {
    if (hosted::IsLive()) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<DWORD>(ms);  // wraps like the real counter
    }
    return hosted::s_tickBase + static_cast<DWORD>(hosted::s_now);
}

void WINAPI Sleep(DWORD milliseconds) {
    if (!hosted::IsLive()) {
        AdvanceTo(hosted::s_now + milliseconds);
        return;
    }
    timespec rest{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts the sleep short, so that a close request is seen at once.
    nanosleep(&rest, &rest);
}
