#pragma once

#include <string>
#include <string_view>

// UTF-8 form of a wide string, whatever the width of wchar_t: a UTF-16 surrogate pair becomes one
// four-byte sequence, a unit that is not a valid code point (a lone surrogate) becomes U+FFFD.
std::string utf8FromWide(std::wstring_view wide);
