// Cutting UTF-8 text to a byte limit without splitting a character: window
// titles and program names of a Linux desktop are UTF-8, and a record must
// never end in half a character.
#ifndef HORALUX_PLATFORM_HOSTED_UTF8_H
#define HORALUX_PLATFORM_HOSTED_UTF8_H

#include <cstddef>

namespace hosted {
namespace detail {

// How many of the first `length` bytes of `text` to keep so that at most
// `limit` bytes remain and the cut falls between two characters. Bytes that
// are no valid UTF-8 (a stray continuation byte) are cut as single bytes.
constexpr std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t limit) {
    if (length <= limit) return length;
    // Back from the cut over at most three continuation bytes (10xxxxxx),
    // the longest tail a character has, to the byte that starts them.
    std::size_t start = limit;
    for (int back = 0; back < 3 && start > 0; ++back) {
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) break;
        --start;
    }
    const unsigned char lead = static_cast<unsigned char>(text[start]);
    if (lead < 0xC0) return limit;  // no multi-byte character reaches over the cut
    const std::size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    return start + size > limit ? start : limit;
}

}  // namespace detail
}  // namespace hosted

#endif
