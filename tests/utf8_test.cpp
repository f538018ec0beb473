// Cutting UTF-8 titles and program names to the program's buffers.
#include "platform/hosted/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using hosted::detail::Utf8PrefixLength;

TEST(Utf8PrefixLengthTest, CutsOnlyBetweenTwoCharacters) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t limit;
        std::size_t kept;
    };
    const Case cases[] = {
        {"fits", "abc", 3, 3},
        {"shorter than the limit", "ab", 10, 2},
        {"ASCII is cut anywhere", "abcdef", 4, 4},
        {"two-byte character across the cut", "abc\xC3\xA9", 4, 3},
        {"two-byte character ending at the cut", "ab\xC3\xA9x", 4, 4},
        {"three-byte character, one byte in", "a\xE2\x82\xAC", 2, 1},
        {"three-byte character, two bytes in", "a\xE2\x82\xAC", 3, 1},
        {"four-byte character, three bytes in", "\xF0\x9F\x98\x80", 3, 0},
        {"four-byte character after it", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 7, 4},
        // No valid UTF-8: cut as bytes, nothing before the cut is dropped.
        {"stray continuation byte after ASCII", "ab\x80\x80", 3, 3},
        {"four continuation bytes in a row", "a\x80\x80\x80\x80\x80", 5, 5},
        {"Latin-1 byte at the cut", "caf\xE9s", 4, 4},
        {"zero limit", "abc", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8PrefixLength(c.text.data(), c.text.size(), c.limit), c.kept);
    }
}

static_assert(Utf8PrefixLength("\xC3\xA9\xC3\xA9", 4, 3) == 2, "usable at compile time");

}  // namespace
