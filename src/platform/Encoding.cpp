#include "platform/Encoding.h"

#include <cstdint>

namespace tx {
namespace {

constexpr char32_t Invalid = 0xFFFFFFFF;

// Decodes one character at p (p < end) and advances p. Returns Invalid for an ill-formed
// part, having consumed exactly that maximal part (at least one byte).
char32_t DecodeOne(const unsigned char*& p, const unsigned char* end) {
  unsigned b = *p++;
  if (b < 0x80) return b;
  int more;
  char32_t cp;
  unsigned lo = 0x80, hi = 0xBF;  // range of the first continuation byte
  if (b >= 0xC2 && b <= 0xDF) {
    more = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    more = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no encoded surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    more = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return Invalid;
  }
  for (int i = 0; i < more; ++i) {
    if (p == end) return Invalid;
    unsigned c = *p;
    if (c < lo || c > hi) return Invalid;
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (c & 0x3F);
    ++p;
  }
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Calls f(code point) for every character, U+FFFD for ill-formed parts.
template <class F>
void ForEachChar(std::string_view utf8, F&& f) {
  auto p = reinterpret_cast<const unsigned char*>(utf8.data());
  auto end = p + utf8.size();
  while (p < end) {
    if (*p < 0x80) {
      f(char32_t(*p++));
      continue;
    }
    char32_t cp = DecodeOne(p, end);
    f(cp == Invalid ? ReplacementChar : cp);
  }
}

// Unicode values of Windows-1252 bytes 0x80..0x9F.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
  for (int i = 0; i < 32; ++i)
    if (Cp1252High[i] == cp) return 0x80 + i;
  return -1;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  ForEachChar(utf8, [&](char32_t cp) {
    if (cp < 0x10000) {
      out += char16_t(cp);
    } else {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    }
  });
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = ReplacementChar;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string Utf8FromUtf16Le(std::string_view bytes) {
  auto p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size() / 2;
  auto unit = [p](size_t i) { return char32_t(p[2 * i] | (p[2 * i + 1] << 8)); };
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    char32_t u = unit(i);
    if (u < 0x80) {
      out += char(u);
      continue;
    }
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = ReplacementChar;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string SanitizeUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  ForEachChar(utf8, [&](char32_t cp) { AppendUtf8(out, cp); });
  return out;
}

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  ForEachChar(utf8, [&](char32_t cp) { n += cp < 0x10000 ? 1 : 2; });
  return n;
}

std::string Utf8FromWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) {
    if (b >= 0x80 && b < 0xA0)
      AppendUtf8(out, Cp1252High[b - 0x80]);
    else
      AppendUtf8(out, b);
  }
  return out;
}

std::string Windows1252FromUtf8(std::string_view utf8, bool* usedDefault) {
  std::string out;
  out.reserve(utf8.size());
  bool used = false;
  ForEachChar(utf8, [&](char32_t cp) {
    int b = Cp1252Byte(cp);
    if (b < 0) {
      used = true;
      b = DefaultChar;
    }
    out += char(b);
  });
  if (usedDefault) *usedDefault = used;
  return out;
}

bool IsLatin1(std::string_view utf8) {
  auto p = reinterpret_cast<const unsigned char*>(utf8.data());
  auto end = p + utf8.size();
  while (p < end) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    char32_t cp = DecodeOne(p, end);
    if (cp == Invalid || cp > 0xFF) return false;
  }
  return true;
}

std::string Latin1FromUtf8(std::string_view utf8, bool* usedDefault) {
  std::string out;
  out.reserve(utf8.size());
  bool used = false;
  ForEachChar(utf8, [&](char32_t cp) {
    // A U+FFFD here stands for ill-formed input, which has no byte either.
    if (cp > 0xFF) {
      used = true;
      cp = char32_t(DefaultChar);
    }
    out += char(cp);
  });
  if (usedDefault) *usedDefault = used;
  return out;
}

std::string Utf8FromLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) AppendUtf8(out, b);
  return out;
}

}  // namespace tx
