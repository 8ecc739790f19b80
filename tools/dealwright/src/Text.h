#pragma once
// UTF-8 helpers, the line reader shared by score files and layouts, and HTML escaping.
#include <string>
#include <string_view>
#include <vector>

namespace dw {

bool IsValidUtf8(std::string_view bytes);
// Bytes that are not valid UTF-8 are taken as Windows-1252, the code page older scorers write in.
std::string ToUtf8(std::string_view bytes);
std::u32string ToU32(std::string_view utf8);  // invalid sequences become U+FFFD
std::string ToUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t c);

// Lines end at CR, LF or CR LF; a final terminator makes no extra empty line. Reading stops
// at a zero byte; zeroOffset receives its position (npos when there is none).
std::vector<std::string> SplitLines(std::string_view data, size_t* zeroOffset = nullptr);

std::string TrimRight(std::string_view s);
std::string Trim(std::string_view s);
std::string Lower(std::string_view s);  // ASCII letters only
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string CollapseSpaces(std::string_view s);  // runs of white space become one blank, ends trimmed
std::u32string ExpandTabs(std::u32string_view line);

// Text for element content and attribute values: markup characters as entities, every
// character outside ASCII as a numeric reference (the page may be merged into a one-byte
// page), control characters as U+FFFD.
std::string HtmlEscape(std::string_view utf8);

}  // namespace dw
