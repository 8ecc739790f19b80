#pragma once
// The program's dated diary: each entry is "[%c]" in local time followed by the caller's text,
// one line feed at its end, written as CR LF. Entries are appended whole under a lock that is
// honoured within this process and by other processes, so none is ever interleaved with
// another or written in part; nothing is buffered, so the file is complete at every moment.
// No member throws.
#include <cstdint>
#include <filesystem>
#include <fmt/printf.h>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tx {

class CException;
class CProfile;

class CLogfile {
 public:
  static constexpr const char* FileName = "TabulonixLogfile.txt";
  static constexpr uint32_t DefaultMaxLogSizeKb = 2048;

  // The logfile in folder (empty folder: no logfile; every write fails). The profile, when
  // given, supplies "MaxLogSize" of the section "Settings"; it must outlive the logfile.
  explicit CLogfile(std::filesystem::path folder, const CProfile* profile = nullptr);
  // The logfile in the common data folder's "Kestrova/Tabulonix", made when missing.
  static std::unique_ptr<CLogfile> CreateDefault(const CProfile* profile);

  CLogfile(const CLogfile&) = delete;
  CLogfile& operator=(const CLogfile&) = delete;

  // Appends one entry; false when the file cannot be opened or written.
  bool Write(std::string_view text);
  // Formats with printf rules; a format that does not fit its values is written as it stands
  // with a note instead of the entry.
  template <typename... Args>
  bool Printf(std::string_view format, const Args&... args) {
    std::string text;
    try {
      text = fmt::sprintf(format, args...);
    } catch (const std::exception& e) {
      text = FormatFailure(format, e.what());
    }
    return Write(text);
  }

  // "LastStatus=[%s]\n"; writes nothing and succeeds when no status source has been attached
  // or the source reports that no main window exists.
  bool LogLastStatus();
  // The last status entry, then "Exception(Class[,code])=[message]\n".
  bool LogException(const CException& e);
  // "Message Box=" and each line of text after a "|".
  bool LogMessageBox(std::string_view text);
  // "Message=[%s]\n" with the text of string resource id, or "nID=%d (unloadable)".
  bool LogMessageId(uint32_t id);

  // Drops the oldest whole lines until the file is shorter than MaxLogSize KB.
  void TrimToMaxSize();
  // The same with a limit in bytes.
  void TrimToSize(uint64_t limitBytes);
  // MaxLogSize KB from the profile: missing 2048, 0 counts as 1.
  uint32_t MaxLogSizeKb() const;

  const std::filesystem::path& GetPath() const { return path_; }
  // Reads the whole file for the viewer; 0 or the error code (2 when nothing was written yet).
  uint32_t ReadContent(std::string& bytes) const;

  // Hooks, set by the composition root and the front ends (each may be empty).
  // The status line text last shown in the main window; nothing when there is no main window.
  using LastStatusSource = std::function<std::optional<std::string>()>;
  // The text of a string resource; nothing when it cannot be loaded.
  using StringLoader = std::function<std::optional<std::string>(uint32_t id)>;
  // Called with each entry (date included, LF line ends) before it is written to the file.
  // Called on the writer's thread: a viewer window must marshal to its own thread.
  using Viewer = std::function<void(const std::string& entry)>;
  void SetLastStatusSource(LastStatusSource source);
  void SetStringLoader(StringLoader loader);
  void SetViewer(Viewer viewer);

  // Entry texts, exposed for tests and the viewer.
  static std::string FormatEntry(int64_t time, std::string_view text);
  static std::string ExceptionEntryText(const CException& e);
  static std::string MessageBoxEntryText(std::string_view text);
  // The part of content kept under limitBytes (oldest whole lines dropped).
  static std::string_view TrimmedContent(std::string_view content, uint64_t limitBytes);

 private:
  static std::string FormatFailure(std::string_view format, const char* why);

  std::filesystem::path path_;
  const CProfile* profile_ = nullptr;
  std::mutex writeMutex_;        // one entry at a time from this process
  mutable std::mutex hookMutex_;  // guards the hooks
  LastStatusSource lastStatus_;
  StringLoader strings_;
  Viewer viewer_;
};

}  // namespace tx
