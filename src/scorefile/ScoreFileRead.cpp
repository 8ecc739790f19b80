// Opening, reading and identifying a score file.
#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/Encoding.h"
#include "platform/Errors.h"
#include "scorefile/FtpConnection.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/ScoreFileStreams.h"
#include "status/Report.h"
#include "status/Services.h"
#include "store/Sha256.h"

namespace tx {

namespace {

constexpr size_t ReadPiece = 4096;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

int64_t FileTimeToSeconds(std::filesystem::file_time_type t) {
  using namespace std::chrono;
  return duration_cast<seconds>(file_clock::to_sys(t).time_since_epoch()).count();
}

struct HeaderState {
  enum class Step { HeaderSearch, SectionLine, Done } step = Step::HeaderSearch;
  int keysFound = 0;
};

// A line such as "Club Pairs Wednesday Aft Session January 5, 2014".
bool ParseSessionHeader(CScoreFile& record, std::string_view line) {
  if (line.find(" Session ") == std::string_view::npos) return false;
  for (const char* weekday : WeekdayNames) {
    for (const char* shortName : SessionTimeShortNames) {
      std::string session = std::string(weekday) + " " + shortName;
      std::string pattern = " " + session.substr(0, 13) + " Session ";
      size_t at = line.find(pattern);
      if (at == std::string_view::npos) continue;
      record.Event = std::string(line.substr(0, at));
      record.Session = session;
      record.DateText = std::string(line.substr(at + pattern.size()));
      return true;
    }
  }
  return false;
}

// Finds every header key whose field is still empty; returns how many were found.
int SearchKeys(CScoreFile& record, std::string_view line) {
  static constexpr std::array<std::string_view, 5> keys = {"EVENT>", "SESSION>", "SECTION>", "DATE>",
                                                           "MP LIMITS>"};
  std::string* fields[5] = {&record.Event, &record.Session, &record.Section, &record.DateText,
                            &record.Limits};
  int found = 0;
  for (size_t k = 0; k < keys.size(); ++k) {
    if (!fields[k]->empty()) continue;
    size_t at = line.find(keys[k]);
    if (at == std::string_view::npos) continue;
    std::string_view value = line.substr(at + keys[k].size());
    value = value.substr(0, value.find('|'));
    *fields[k] = std::string(TrimRight(value));
    ++found;
  }
  return found;
}

// "Section A", "Section  BB": the run of one upper-case letter after "Section" and white space.
void ParseSectionLine(CScoreFile& record, std::string_view line) {
  size_t at = line.find("Section");
  if (at == std::string_view::npos) return;
  size_t p = at + 7;
  if (p >= line.size() || !IsBlank(line[p])) return;
  ++p;
  if (p < line.size() && IsBlank(line[p])) ++p;
  if (p >= line.size() || line[p] < 'A' || line[p] > 'Z') return;
  size_t end = p;
  while (end < line.size() && line[end] == line[p]) ++end;
  record.Section = std::string(line.substr(p, end - p));
}

std::string ReplaceGt(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size();) {
    if (line.compare(i, 4, "&gt;") == 0) {
      out += '>';
      i += 4;
    } else {
      out += line[i++];
    }
  }
  return out;
}

void ParseTextLines(CScoreFile& record, std::string_view data, CSha256* sha) {
  HeaderState state;
  size_t pos = 0;
  const size_t end = data.size();
  while (pos < end) {
    size_t stop = data.find_first_of("\r\n", pos);
    if (stop == std::string_view::npos) stop = end;
    std::string_view raw = data.substr(pos, stop - pos);
    if (stop < end)
      pos = (data[stop] == '\r' && stop + 1 < end && data[stop + 1] == '\n') ? stop + 2 : stop + 1;
    else
      pos = end;

    const bool ascii = IsAscii(raw);
    std::string decoded;
    std::string_view line = raw;
    if (!ascii) {
      decoded = SanitizeUtf8(raw);
      line = decoded;
    }
    if (sha) {
      if (ascii)
        sha->Update(raw);
      else
        sha->Update(Windows1252FromUtf8(line));
    }
    switch (state.step) {
      case HeaderState::Step::HeaderSearch:
        if (state.keysFound == 0 && ParseSessionHeader(record, line)) {
          state.step = HeaderState::Step::SectionLine;
        } else {
          state.keysFound += SearchKeys(record, line.find("&gt;") == std::string_view::npos
                                                    ? std::string(line)
                                                    : ReplaceGt(line));
          if (state.keysFound >= 5) state.step = HeaderState::Step::Done;
        }
        break;
      case HeaderState::Step::SectionLine:
        ParseSectionLine(record, line);
        state.step = HeaderState::Step::Done;
        break;
      case HeaderState::Step::Done:
        break;
    }
    if (state.step == HeaderState::Step::Done && !sha) return;
  }
}

}  // namespace

int CScoreFile::Open(Services& services, const std::string& path, CFtpConnection* connection,
                     bool quiet, bool gameFile) {
  Close(false);
  SetFlag(GameFile, gameFile);
  if (connection) {
    SetFlag(LocalFile, false);
    std::string remote = path;
    std::replace(remote.begin(), remote.end(), '\\', '/');
    try {
      File = connection->OpenFile(remote, gameFile);
    } catch (const CException& e) {
      File.reset();
      if (!quiet) ReportException(services, e, "CScoreFile::Open: CFtpConnection::OpenFile");
      return 0;
    }
    if (!File) return 0;
  } else {
    SetFlag(LocalFile, true);
    auto stream = std::make_unique<CLocalFileStream>();
    uint32_t code = stream->Open(path, gameFile);
    std::error_code ec;
    if (code == 0 && std::filesystem::is_directory(path, ec)) code = err::AccessDenied;
    if (code != 0) {
      if (!quiet) ReportException(services, CFileException(code, path), "CScoreFile::Open: CStdioFile::Open");
      return 0;
    }
    auto mtime = std::filesystem::last_write_time(path, ec);
    Modified = ec ? 0 : FileTimeToSeconds(mtime);
    auto size = std::filesystem::file_size(path, ec);
    Size = ec ? 0 : uint64_t(size);
    File = std::move(stream);
  }
  Path = path;
  return 1;
}

int CScoreFile::LoadContents() {
  if (IsDataLoaded()) return 1;
  if (!File) throw CInvalidArgException();
  std::vector<uint8_t> bytes;
  if (Size > 0 && Size < (uint64_t(1) << 31)) bytes.reserve(size_t(Size) + 1);
  for (;;) {
    size_t old = bytes.size();
    bytes.resize(old + ReadPiece);
    size_t got = File->Read(bytes.data() + old, ReadPiece);
    bytes.resize(old + got);
    if (got == 0) break;
  }
  bytes.push_back(0);
  Data = std::move(bytes);
  SetFlag(DataLoaded, true);
  return 1;
}

int CScoreFile::Parse(Services& services, bool computeHash) {
  if (!File) return 0;
  int result = 1;
  CSha256 sha;
  try {
    LoadContents();
    const char* bytes = reinterpret_cast<const char*>(Data.data());
    if (IsGameFile()) {
      if (computeHash) {
        size_t n = std::min<size_t>(uint32_t(Size), Data.size() - 1);
        sha.Update(bytes, n);
      }
    } else {
      std::string_view text(bytes, Data.size() - 1);
      text = text.substr(0, text.find('\0'));
      ParseTextLines(*this, text, computeHash ? &sha : nullptr);
    }
  } catch (const CException& e) {
    ReportException(services, e, "CScoreFile::Parse: parse loop");
    result = 0;
  }
  if (computeHash) Hash = sha.Final();
  ParseDate();
  return result;
}

}  // namespace tx
