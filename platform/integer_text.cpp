#include "platform/integer_text.h"

#include <charconv>

bool ParseInteger(std::wstring_view text, std::int32_t& value)
{
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    // from_chars reads narrow text: only ASCII can be a digit or a sign, and no
    // 32-bit integer needs as many characters as this.
    char narrow[64];
    if (text.size() >= sizeof narrow)
        return false;
    std::size_t length = 0;
    for (const wchar_t c : text) {
        if (static_cast<std::uint32_t>(c) > 0x7F)
            return false;
        narrow[length++] = static_cast<char>(c);
    }
    std::string_view digits(narrow, length);
    // from_chars takes a minus but not a plus; a sign must be followed by a digit.
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() < '0' || digits.front() > '9')
            return false;
    }
    std::int32_t parsed = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, parsed, 10);
    if (ec != std::errc() || ptr != end)
        return false;   // not digits, trailing text, or outside 32 bits
    value = parsed;
    return true;
}
