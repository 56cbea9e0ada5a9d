// Builds a message in a fixed buffer, piece by piece; what does not fit is cut.
// The buffer always ends with a NUL.
#pragma once

#include <charconv>
#include <cstddef>

class CTextBuilder {
public:
    CTextBuilder(wchar_t* buffer, std::size_t count) : m_buffer(buffer), m_count(count)
    {
        if (m_count > 0)
            m_buffer[0] = L'\0';
    }

    CTextBuilder& operator<<(const wchar_t* text)
    {
        for (; text != nullptr && *text != L'\0' && m_length + 1 < m_count; ++text)
            m_buffer[m_length++] = *text;
        if (m_count > 0)
            m_buffer[m_length] = L'\0';
        return *this;
    }

    CTextBuilder& operator<<(int value)
    {
        char digits[16];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        wchar_t wide[16];
        std::size_t n = 0;
        for (const char* p = digits; p != result.ptr; ++p)
            wide[n++] = static_cast<wchar_t>(*p);
        wide[n] = L'\0';
        return *this << wide;
    }

private:
    wchar_t* m_buffer;
    std::size_t m_count;
    std::size_t m_length = 0;
};
