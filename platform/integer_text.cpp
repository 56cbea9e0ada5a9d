#include "platform/integer_text.h"

#include <algorithm>
#include <cstdint>

bool ParseInteger(std::wstring_view text, std::int32_t& value)
{
    // (Nothing here may throw: the program links no formatted exceptions.)
    text.remove_prefix(std::min(text.find_first_not_of(L" \t"), text.size()));
    text.remove_suffix(text.size() - (text.find_last_not_of(L" \t") + 1));
    const bool negative = !text.empty() && text.front() == L'-';
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+'))
        text.remove_prefix(1);
    if (text.empty())
        return false;
    // Digits of other scripts, and characters whose low byte is a digit, are none.
    std::int64_t magnitude = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        magnitude = magnitude * 10 + (c - L'0');
        if (magnitude > std::int64_t{INT32_MAX} + 1)
            return false;
    }
    const std::int64_t parsed = negative ? -magnitude : magnitude;
    if (parsed > INT32_MAX)
        return false;
    value = static_cast<std::int32_t>(parsed);
    return true;
}
