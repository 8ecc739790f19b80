#pragma once
// The program's settings store, in place of a per-user registry key: named sections holding
// text and unsigned 32-bit values, kept in an INI-style file. Section and value names match
// without regard to ASCII case, like registry keys. Any text round-trips: control characters,
// '=', brackets and leading or trailing blanks are escaped in the file; UTF-8 is kept as is.
//
// Every change re-reads the file under an advisory lock and replaces it safely (temporary file
// in the same folder, fsync, rename), so two running copies of the program do not lose each
// other's values. Reads see changes made by other processes. All members are thread-safe.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tx {

class CProfile {
 public:
  // ${XDG_CONFIG_HOME:-$HOME/.config}/Kestrova/Tabulonix.ini (empty when no home is known).
  static std::filesystem::path DefaultPath();

  // Uses DefaultPath().
  CProfile();
  // Uses the given file; its folder is created on the first write.
  explicit CProfile(std::filesystem::path file);

  CProfile(const CProfile&) = delete;
  CProfile& operator=(const CProfile&) = delete;

  const std::filesystem::path& GetPath() const { return path_; }

  // The text value, or nothing when missing.
  std::optional<std::string> GetStringIf(std::string_view section, std::string_view name) const;
  std::string GetString(std::string_view section, std::string_view name,
                        std::string_view defaultValue = {}) const;
  // The number value; defaultValue when missing or not a number (decimal or 0x hex).
  uint32_t GetInt(std::string_view section, std::string_view name, uint32_t defaultValue) const;
  bool HasValue(std::string_view section, std::string_view name) const;

  std::vector<std::string> GetSectionNames() const;
  std::vector<std::string> GetValueNames(std::string_view section) const;

  // Each returns 0 or the error code of the failed file write (the store is then unchanged).
  uint32_t WriteString(std::string_view section, std::string_view name, std::string_view value);
  uint32_t WriteInt(std::string_view section, std::string_view name, uint32_t value);
  // Missing values or sections are not an error.
  uint32_t DeleteValue(std::string_view section, std::string_view name);
  uint32_t DeleteSection(std::string_view section);

  // Escaping used in the file; exposed for tests.
  static std::string EscapeText(std::string_view text, bool isName);
  static std::string UnescapeText(std::string_view text);

 private:
  struct Entry {
    std::string Name;
    std::string Value;
  };
  struct Section {
    std::string Name;
    std::vector<Entry> Entries;
  };
  struct FileStamp {
    bool Exists = false;
    uint64_t Inode = 0, Size = 0;
    int64_t MTimeNs = 0;
    bool operator==(const FileStamp&) const = default;
  };

  void RefreshLocked() const;
  static std::vector<Section> Parse(const std::string& text);
  static std::string Serialize(const std::vector<Section>& sections);
  static Section* FindSection(std::vector<Section>& sections, std::string_view name);
  static const Section* FindSection(const std::vector<Section>& sections, std::string_view name);
  template <typename Edit>
  uint32_t Modify(Edit edit);

  std::filesystem::path path_;
  mutable std::mutex mutex_;
  mutable std::vector<Section> sections_;
  mutable FileStamp stamp_;
  mutable bool loaded_ = false;
};

}  // namespace tx
