#include "Text.h"

#include <cctype>

#include <fmt/format.h>

namespace dw {
namespace {

// Decodes one UTF-8 sequence at i; returns false (and leaves i) when it is not valid.
bool DecodeOne(std::string_view s, size_t& i, char32_t& out) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) { out = b0; ++i; return true; }
  int len;
  char32_t c;
  if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; c = b0 & 0x1F; }
  else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; c = b0 & 0x0F; }
  else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; c = b0 & 0x07; }
  else return false;
  if (i + size_t(len) > s.size()) return false;
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + size_t(k)]);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
  }
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
    return false;
  out = c;
  i += size_t(len);
  return true;
}

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  char32_t c;
  while (i < bytes.size())
    if (!DecodeOne(bytes, i, c)) return false;
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

std::string ToUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) out += ch;
    else if (b < 0xA0) AppendUtf8(out, kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : 0xFFFD);
    else AppendUtf8(out, b);
  }
  return out;
}

std::u32string ToU32(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (DecodeOne(utf8, i, c)) {
      out += c;
    } else {
      out += U'\uFFFD';
      ++i;
    }
  }
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

std::vector<std::string> SplitLines(std::string_view data, size_t* zeroOffset) {
  const size_t zero = data.find('\0');
  if (zeroOffset) *zeroOffset = zero;
  if (zero != std::string_view::npos) data = data.substr(0, zero);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(data.substr(start));
      break;
    }
    lines.emplace_back(data.substr(start, end - start));
    start = end + ((data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsSpace(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsSpace(s[b])) ++b;
  return TrimRight(s.substr(b));
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && Lower(a) == Lower(b); }

std::string CollapseSpaces(std::string_view s) {
  std::string out;
  bool pending = false;
  for (char c : s) {
    if (IsSpace(c)) {
      pending = !out.empty();
      continue;
    }
    if (pending) out += ' ';
    pending = false;
    out += c;
  }
  return out;
}

std::u32string ExpandTabs(std::u32string_view line) {
  std::u32string out;
  for (char32_t c : line) {
    if (c == U'\t') {
      do out += U' '; while (out.size() % 8 != 0);
    } else {
      out += c;
    }
  }
  return out;
}

std::string HtmlEscape(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 16);
  for (char32_t c : ToU32(utf8)) {
    switch (c) {
      case U'&': out += "&amp;"; break;
      case U'<': out += "&lt;"; break;
      case U'>': out += "&gt;"; break;
      case U'"': out += "&quot;"; break;
      case U'\'': out += "&#39;"; break;
      default:
        if (c == U'\t' || c == U'\n') out += char(c);
        else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) out += "&#65533;";
        else if (c < 0x80) out += char(c);
        else out += fmt::format("&#{};", uint32_t(c));
    }
  }
  return out;
}

}  // namespace dw
