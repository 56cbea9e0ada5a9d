// How the text typed into an edit is read as an integer by the data exchange.
#pragma once

#include <cstdint>
#include <string_view>

// Optional blanks, an optional sign, decimal digits, optional blanks, and a value
// that fits 32 signed bits; digits of other scripts are not taken. "12abc",
// "0x10", "1e3", "" and "99999999999" are not integers. value is left as it was
// when the text is not one.
bool ParseInteger(std::wstring_view text, std::int32_t& value);
