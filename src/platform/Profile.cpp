#include "platform/Profile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"

namespace fs = std::filesystem;

namespace tx {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseU32(std::string_view text, uint32_t& out) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t v = 0;
  for (char c : text) {
    int d = HexDigit(c);
    if (d < 0 || d >= base) return false;
    v = v * unsigned(base) + unsigned(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  // A negative number is taken as the 32-bit value it would be stored as.
  out = negative ? uint32_t(0u - uint32_t(v)) : uint32_t(v);
  return true;
}

}  // namespace

fs::path CProfile::DefaultPath() {
  fs::path config = GetConfigFolder(false);
  if (config.empty()) return {};
  return config / CompanyFolderName / (std::string(ProgramFolderName) + ".ini");
}

CProfile::CProfile() : path_(DefaultPath()) {}

CProfile::CProfile(fs::path file) : path_(std::move(file)) {}

std::string CProfile::EscapeText(std::string_view text, bool isName) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool edge = i == 0 || i + 1 == text.size();
    switch (c) {
      case '\\': out += "\\\\"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    const bool special = c < 0x20 || c == 0x7F || (c == ' ' && edge) ||
                         (isName && (c == '=' || c == '[' || c == ']' || c == ';' || c == '#'));
    if (special) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

std::string CProfile::UnescapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char n = text[i + 1];
    if (n == '\\') out += '\\';
    else if (n == 'n') out += '\n';
    else if (n == 'r') out += '\r';
    else if (n == 't') out += '\t';
    else if (n == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      out += char(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 2;
    } else {
      out += text[i];  // not an escape we write: keep it as it stands
      continue;
    }
    ++i;
  }
  return out;
}

std::vector<CProfile::Section> CProfile::Parse(const std::string& text) {
  std::vector<Section> sections;
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = TrimBlanks(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      if (close == std::string_view::npos || close == 0) continue;
      std::string name = UnescapeText(line.substr(1, close - 1));
      current = FindSection(sections, name);
      if (!current) {
        sections.push_back({name, {}});
        current = &sections.back();
      }
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || !current) continue;
    std::string name = UnescapeText(TrimBlanks(line.substr(0, eq)));
    std::string value = UnescapeText(line.substr(eq + 1));
    bool replaced = false;
    for (Entry& e : current->Entries)
      if (SameName(e.Name, name)) {
        e.Value = value;
        replaced = true;
      }
    if (!replaced) current->Entries.push_back({name, value});
  }
  return sections;
}

std::string CProfile::Serialize(const std::vector<Section>& sections) {
  std::string out;
  for (const Section& s : sections) {
    if (!out.empty()) out += '\n';
    out += '[' + EscapeText(s.Name, true) + "]\n";
    for (const Entry& e : s.Entries) out += EscapeText(e.Name, true) + '=' + EscapeText(e.Value, false) + '\n';
  }
  return out;
}

CProfile::Section* CProfile::FindSection(std::vector<Section>& sections, std::string_view name) {
  for (Section& s : sections)
    if (SameName(s.Name, name)) return &s;
  return nullptr;
}

const CProfile::Section* CProfile::FindSection(const std::vector<Section>& sections, std::string_view name) {
  for (const Section& s : sections)
    if (SameName(s.Name, name)) return &s;
  return nullptr;
}

void CProfile::RefreshLocked() const {
  FileStamp stamp;
  struct stat st {};
  if (!path_.empty() && ::stat(path_.c_str(), &st) == 0) {
    stamp.Exists = true;
    stamp.Inode = uint64_t(st.st_ino);
    stamp.Size = uint64_t(st.st_size);
    stamp.MTimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }
  if (loaded_ && stamp == stamp_) return;
  std::string text;
  if (stamp.Exists && ReadWholeFile(path_, text) != 0) text.clear();
  sections_ = Parse(text);
  stamp_ = stamp;
  loaded_ = true;
}

std::optional<std::string> CProfile::GetStringIf(std::string_view section, std::string_view name) const {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  if (const Section* s = FindSection(sections_, section))
    for (const Entry& e : s->Entries)
      if (SameName(e.Name, name)) return e.Value;
  return std::nullopt;
}

std::string CProfile::GetString(std::string_view section, std::string_view name,
                                std::string_view defaultValue) const {
  auto v = GetStringIf(section, name);
  return v ? *v : std::string(defaultValue);
}

uint32_t CProfile::GetInt(std::string_view section, std::string_view name, uint32_t defaultValue) const {
  auto v = GetStringIf(section, name);
  uint32_t out;
  return v && ParseU32(*v, out) ? out : defaultValue;
}

bool CProfile::HasValue(std::string_view section, std::string_view name) const {
  return GetStringIf(section, name).has_value();
}

std::vector<std::string> CProfile::GetSectionNames() const {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.Name);
  return names;
}

std::vector<std::string> CProfile::GetValueNames(std::string_view section) const {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  std::vector<std::string> names;
  if (const Section* s = FindSection(sections_, section))
    for (const Entry& e : s->Entries) names.push_back(e.Name);
  return names;
}

template <typename Edit>
uint32_t CProfile::Modify(Edit edit) {
  if (path_.empty()) return err::PathNotFound;
  std::lock_guard lock(mutex_);
  uint32_t code = CreateFolders(path_.parent_path());
  if (code) return code;
  std::vector<Section> result;
  code = RewriteFileLocked(path_, true, [&](std::string& content) {
    result = Parse(content);
    if (!edit(result)) return false;
    content = Serialize(result);
    return true;
  });
  loaded_ = false;  // re-read on the next access, whatever happened
  return code;
}

uint32_t CProfile::WriteString(std::string_view section, std::string_view name, std::string_view value) {
  return Modify([&](std::vector<Section>& sections) {
    Section* s = FindSection(sections, section);
    if (!s) {
      sections.push_back({std::string(section), {}});
      s = &sections.back();
    }
    for (Entry& e : s->Entries)
      if (SameName(e.Name, name)) {
        if (e.Value == value) return false;
        e.Value = std::string(value);
        return true;
      }
    s->Entries.push_back({std::string(name), std::string(value)});
    return true;
  });
}

uint32_t CProfile::WriteInt(std::string_view section, std::string_view name, uint32_t value) {
  return WriteString(section, name, std::to_string(value));
}

uint32_t CProfile::DeleteValue(std::string_view section, std::string_view name) {
  if (!HasValue(section, name)) return 0;
  return Modify([&](std::vector<Section>& sections) {
    Section* s = FindSection(sections, section);
    if (!s) return false;
    auto& v = s->Entries;
    auto old = v.size();
    std::erase_if(v, [&](const Entry& e) { return SameName(e.Name, name); });
    return v.size() != old;
  });
}

uint32_t CProfile::DeleteSection(std::string_view section) {
  bool present = false;
  for (const std::string& s : GetSectionNames()) present = present || SameName(s, section);
  if (!present) return 0;
  return Modify([&](std::vector<Section>& sections) {
    auto old = sections.size();
    std::erase_if(sections, [&](const Section& s) { return SameName(s.Name, section); });
    return sections.size() != old;
  });
}

}  // namespace tx
