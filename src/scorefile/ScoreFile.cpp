#include "scorefile/ScoreFile.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Errors.h"
#include "platform/CivilTime.h"
#include "store/Archive.h"
#include "store/ArchiveStream.h"

namespace tx {

const char* const SessionTimeNames[4] = {"Morning", "Afternoon", "Evening", "Late"};
const char* const SessionTimeShortNames[4] = {"Morn", "Aft", "Eve", "Late"};
const char* const WeekdayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

namespace {

size_t FileNameStart(std::string_view path) {
  size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? 0 : sep + 1;
}

// Position of the extension's "." in path, or npos when its file name has none.
size_t ExtensionStart(std::string_view path) {
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < FileNameStart(path)) return std::string_view::npos;
  return dot;
}

std::string FormatOrThrow(int64_t t, const char* format) {
  std::string text = CivilFormat(t, format);
  if (text.empty()) throw CInvalidArgException();
  return text;
}

}  // namespace

CScoreFile::CScoreFile() = default;

CScoreFile::~CScoreFile() {
  try {
    Close(true);
  } catch (...) {
    // Nothing left to tell: the record goes away with its file.
  }
  while (!Buffers.empty()) Buffers.pop_back();
}

CScoreFile::CScoreFile(const CScoreFile& other) { CopyFrom(other); }

CScoreFile& CScoreFile::operator=(const CScoreFile& other) {
  CopyFrom(other);
  return *this;
}

CScoreFile::CScoreFile(CScoreFile&&) noexcept = default;
CScoreFile& CScoreFile::operator=(CScoreFile&&) noexcept = default;

void CScoreFile::CopyFrom(const CScoreFile& other) {
  if (this == &other) {
    Flags &= ~DataLoaded;
    return;
  }
  Path = other.Path;
  HandRecordPath = other.HandRecordPath;
  Size = other.Size;
  Modified = other.Modified;
  WebPageName = other.WebPageName;
  InsertNumber = other.InsertNumber;
  Posted = other.Posted;
  SessionDate = other.SessionDate;
  Hash = other.Hash;
  Flags = other.Flags & ~DataLoaded;
  Event = other.Event;
  Session = other.Session;
  Section = other.Section;
  DateText = other.DateText;
  Limits = other.Limits;
}

int CScoreFile::Compare(const CScoreFile& other) const {
  if (SessionDate < other.SessionDate) return -1;
  if (SessionDate > other.SessionDate) return 1;
  return GetSessionIndex() - other.GetSessionIndex();
}

void CScoreFile::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteText(Path);
    ar.WriteU32(Flags);
    ar.WriteText(HandRecordPath);
    ar.WriteU64(Size);
    ar.WriteTime(Modified);
    ar.WriteText(WebPageName);
    ar.WriteU32(InsertNumber);
    ar.WriteTime(Posted);
    Hash.Serialize(ar);
    ar.WriteText(Event);
    ar.WriteText(Session);
    ar.WriteText(Section);
    ar.WriteText(DateText);
    ar.WriteText(Limits);
    return;
  }
  Path = ar.ReadText();
  if (ar.RecordVersion() >= 1) {
    Flags = ar.ReadU32();
    HandRecordPath = ar.ReadText();
  } else {
    Flags = InitialFlags;
    HandRecordPath.clear();
  }
  Size = ar.ReadU64();
  Modified = ar.ReadTime();
  WebPageName = ar.ReadText();
  InsertNumber = ar.ReadU32();
  Posted = ar.ReadTime();
  Hash.Serialize(ar);
  Event = ar.ReadText();
  Session = ar.ReadText();
  Section = ar.ReadText();
  DateText = ar.ReadText();
  Limits = ar.ReadText();
  SessionDate = 0;
  ParseDate();
  Flags &= ~DataLoaded;
}

std::string CScoreFile::GetFileName() const { return Path.substr(FileNameStart(Path)); }

std::string CScoreFile::GetModifiedText() const { return FormatOrThrow(Modified, "%c"); }

std::string CScoreFile::GetPostedText() const {
  return Posted == 0 ? std::string() : FormatOrThrow(Posted, "%c");
}

void CScoreFile::GetWebPageName(std::string& name, uint32_t* insert) const {
  name = WebPageName;
  if (insert) *insert = InsertNumber;
}

void CScoreFile::SetPosted(std::string_view name, uint32_t insert) {
  WebPageName = std::string(name);
  InsertNumber = insert;
  Posted = CivilNow();
}

std::string CScoreFile::GetRelatedName(std::string_view extension) const {
  size_t dot = ExtensionStart(WebPageName);
  std::string name = dot == std::string::npos ? WebPageName : WebPageName.substr(0, dot);
  name += extension;
  return name;
}

std::string CScoreFile::GetHandRecordUploadName() const {
  size_t dot = ExtensionStart(HandRecordPath);
  std::string ext = dot == std::string::npos ? std::string() : HandRecordPath.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : char(c); });
  return GetRelatedName(ext);
}

int32_t CScoreFile::ReadWholeFile(const std::string& path, const uint8_t*& data, uint64_t& size) {
  constexpr int32_t Failed = int32_t(0x80004005);  // E_FAIL
  data = nullptr;
  size = 0;
  if (path.empty()) return 2;
  auto toResult = [](uint32_t code) {
    return code ? int32_t(0x80070000u | (code & 0xFFFF)) : Failed;
  };
  try {
    CFileStream file(std::filesystem::path(path), CFileStream::Mode::Read);
    auto buffer = std::make_unique<std::vector<uint8_t>>();
    uint64_t length = file.Remaining();
    if (length != CFileStream::UnknownSize) {
      buffer->resize(size_t(length));
      buffer->resize(file.Read(buffer->data(), buffer->size()));
    } else {
      uint8_t piece[65536];
      while (size_t n = file.Read(piece, sizeof piece)) buffer->insert(buffer->end(), piece, piece + n);
    }
    size = buffer->size();
    data = buffer->data();
    Buffers.push_back(std::move(buffer));
    return 0;
  } catch (const CFileException& e) {
    data = nullptr;
    size = 0;
    return toResult(e.OsError());
  } catch (const std::bad_alloc&) {
    return toResult(err::NotEnoughMemory);
  } catch (const std::length_error&) {
    return toResult(err::NotEnoughMemory);
  }
}

void CScoreFile::Close(bool freeData) {
  if (File) {
    std::unique_ptr<CScoreFileStream> file = std::move(File);
    file->Close();
  }
  if (freeData) {
    Data.clear();
    Data.shrink_to_fit();
    Flags &= ~DataLoaded;
  }
}

}  // namespace tx
