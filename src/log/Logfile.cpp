#include "log/Logfile.h"

#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "platform/LocalTime.h"
#include "platform/Profile.h"

namespace fs = std::filesystem;

namespace tx {
namespace {

// The file is text with CR LF line ends.
std::string ToFileBytes(const std::string& entry) {
  std::string out;
  out.reserve(entry.size() + 16);
  for (char c : entry) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string Trim(std::string_view s) { return TrimErrorText(s, std::string_view::npos); }

}  // namespace

CLogfile::CLogfile(fs::path folder, const CProfile* profile) : profile_(profile) {
  if (!folder.empty()) path_ = folder / FileName;
}

std::unique_ptr<CLogfile> CLogfile::CreateDefault(const CProfile* profile) {
  // Folder failures are ignored here: writes then fail one by one.
  fs::path common = GetCommonAppDataFolder(true);
  fs::path folder;
  if (!common.empty()) {
    GetProgramSubfolder(common, true);
    folder = common / CompanyFolderName / ProgramFolderName;
  }
  return std::make_unique<CLogfile>(folder, profile);
}

std::string CLogfile::FormatEntry(int64_t time, std::string_view text) {
  std::string entry = "[" + FormatLocalTime(time, "%c") + "]";
  entry.reserve(entry.size() + text.size() + 1);
  for (char c : text)
    if (c != '\r') entry += c;
  if (entry.back() != '\n') entry += '\n';
  return entry;
}

std::string CLogfile::FormatFailure(std::string_view format, const char* why) {
  std::string text(format);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text + " (format error: " + why + ")\n";
}

bool CLogfile::Write(std::string_view text) {
  try {
    const std::string entry = FormatEntry(Now(), text);
    Viewer viewer;
    {
      std::lock_guard lock(hookMutex_);
      viewer = viewer_;
    }
    if (viewer) {
      try {
        viewer(entry);
      } catch (...) {
        // A viewer failure must not cost the file its entry.
      }
    }
    if (path_.empty()) return false;
    std::lock_guard lock(writeMutex_);
    return AppendFileLocked(path_, ToFileBytes(entry)) == 0;
  } catch (...) {
    return false;
  }
}

bool CLogfile::LogLastStatus() {
  LastStatusSource source;
  {
    std::lock_guard lock(hookMutex_);
    source = lastStatus_;
  }
  if (!source) return true;
  std::optional<std::string> status;
  try {
    status = source();
  } catch (...) {
    return false;
  }
  if (!status) return true;
  return Write("LastStatus=[" + Trim(*status) + "]\n");
}

std::string CLogfile::ExceptionEntryText(const CException& e) {
  std::string message;
  try {
    message = e.Message();
  } catch (...) {
    message.clear();
  }
  message = TrimErrorText(message, 1024);
  if (message.empty()) message = "(Error message was not found for this exception)";
  const int64_t code = e.Code();
  std::string text = std::string("Exception(") + e.ClassName();
  if (code >= 1 && code <= 65535)
    text += fmt::sprintf(",%d", code);
  else if (code != 0)
    text += fmt::sprintf(",0x%08X", uint32_t(code));
  text += ")=[" + message + "]\n";
  return text;
}

bool CLogfile::LogException(const CException& e) {
  bool ok = LogLastStatus();
  return Write(ExceptionEntryText(e)) && ok;
}

std::string CLogfile::MessageBoxEntryText(std::string_view text) {
  std::string out = "Message Box=\n|";
  for (size_t i = 0; i < text.size(); ++i) {
    // Texts made here end lines with a bare LF; both forms start a new "|" line.
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\n|";
      ++i;
    } else if (text[i] == '\n') {
      out += "\n|";
    } else {
      out += text[i];
    }
  }
  out += '\n';
  return out;
}

bool CLogfile::LogMessageBox(std::string_view text) { return Write(MessageBoxEntryText(text)); }

bool CLogfile::LogMessageId(uint32_t id) {
  StringLoader loader;
  {
    std::lock_guard lock(hookMutex_);
    loader = strings_;
  }
  std::optional<std::string> text;
  if (loader) {
    try {
      text = loader(id);
    } catch (...) {
      text.reset();
    }
  }
  if (!text) text = fmt::sprintf("nID=%d (unloadable)", id);
  return Write("Message=[" + *text + "]\n");
}

uint32_t CLogfile::MaxLogSizeKb() const {
  uint32_t kb = profile_ ? profile_->GetInt("Settings", "MaxLogSize", DefaultMaxLogSizeKb) : DefaultMaxLogSizeKb;
  return kb == 0 ? 1 : kb;
}

std::string_view CLogfile::TrimmedContent(std::string_view content, uint64_t limitBytes) {
  if (limitBytes >= (uint64_t(1) << 32)) return content;
  while (content.size() >= limitBytes) {
    size_t lf = content.find('\n');
    if (lf == std::string_view::npos) break;
    content.remove_prefix(lf + 1);
  }
  return content;
}

void CLogfile::TrimToMaxSize() { TrimToSize(uint64_t(MaxLogSizeKb()) * 1024); }

void CLogfile::TrimToSize(uint64_t limitBytes) {
  if (path_.empty()) return;
  try {
    uint64_t size = 0;
    if (GetFileSize(path_, size) != 0 || size < limitBytes) return;
    std::lock_guard lock(writeMutex_);
    RewriteFileLocked(path_, false, [&](std::string& content) {
      if (content.size() < limitBytes) return false;  // another process trimmed it meanwhile
      std::string_view kept = TrimmedContent(content, limitBytes);
      if (kept.size() == content.size()) return false;
      content = std::string(kept);
      return true;
    });
  } catch (...) {
    // Trimming is best effort: the file stays as it was.
  }
}

uint32_t CLogfile::ReadContent(std::string& bytes) const {
  bytes.clear();
  if (path_.empty()) return err::PathNotFound;
  return ReadWholeFile(path_, bytes);
}

void CLogfile::SetLastStatusSource(LastStatusSource source) {
  std::lock_guard lock(hookMutex_);
  lastStatus_ = std::move(source);
}

void CLogfile::SetStringLoader(StringLoader loader) {
  std::lock_guard lock(hookMutex_);
  strings_ = std::move(loader);
}

void CLogfile::SetViewer(Viewer viewer) {
  std::lock_guard lock(hookMutex_);
  viewer_ = std::move(viewer);
}

}  // namespace tx
