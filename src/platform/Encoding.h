#pragma once
// Text encodings. In memory text is UTF-8; the archive holds UTF-16; the "ANSI code page" is
// Windows-1252, fixed, so that digests and stored 8-bit texts read the same on every machine.
#include <cstddef>
#include <string>
#include <string_view>

namespace tx {

// Character put in place of input that cannot be decoded.
constexpr char32_t ReplacementChar = U'\uFFFD';
// Byte put in place of a character that an 8-bit code page cannot hold.
constexpr char DefaultChar = '?';

// UTF-8 to UTF-16. Every ill-formed UTF-8 sequence (stray continuation byte, truncated or
// overlong sequence, encoded surrogate, value above U+10FFFF) becomes one U+FFFD per
// maximal ill-formed part.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-16 code units stored as little-endian byte pairs to UTF-8 (a final odd byte is ignored);
// an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16Le(std::string_view bytes);

// Makes well-formed UTF-8, replacing ill-formed sequences as Utf8ToUtf16 does.
std::string SanitizeUtf8(std::string_view utf8);

// Number of UTF-16 code units the text takes (what Utf8ToUtf16(utf8).size() would give).
size_t Utf16Length(std::string_view utf8);

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined (81 8D 8F 90 9D)
// map to the control characters of the same value, as the system converter does.
std::string Utf8FromWindows1252(std::string_view bytes);

// UTF-8 to Windows-1252. Characters the code page cannot hold become DefaultChar; when
// usedDefault is given it tells whether that happened.
std::string Windows1252FromUtf8(std::string_view utf8, bool* usedDefault = nullptr);

// True when every character is U+0000..U+00FF, so the text can be written one byte per
// character. Ill-formed UTF-8 counts as not representable.
bool IsLatin1(std::string_view utf8);

// UTF-8 to one byte per character (U+0000..U+00FF); others become DefaultChar.
std::string Latin1FromUtf8(std::string_view utf8, bool* usedDefault = nullptr);

// One byte per character (U+0000..U+00FF) to UTF-8.
std::string Utf8FromLatin1(std::string_view bytes);

}  // namespace tx
