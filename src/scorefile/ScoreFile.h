#pragma once
// One score file: the working record while it is posted, and the record kept in the upload
// history and the index data (copies made with CopyFrom or read back with Serialize).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/Hash256.h"

namespace tx {

class CArchive;
class CFtpConnection;
struct Services;

// An open score file: a local file, or a remote file read over an FTP connection.
class CScoreFileStream {
 public:
  virtual ~CScoreFileStream() = default;
  // Reads up to n bytes; 0 at the end. Raises the layer's exception on failure.
  virtual size_t Read(void* buffer, size_t n) = 0;
  virtual void Close() {}
};

// Session time names, index 0 to 3, and their short forms.
extern const char* const SessionTimeNames[4];       // "Morning", "Afternoon", "Evening", "Late"
extern const char* const SessionTimeShortNames[4];  // "Morn", "Aft", "Eve", "Late"
extern const char* const WeekdayNames[7];           // Sunday first

class CScoreFile {
 public:
  // Bits of Flags; all others are 0.
  enum FlagBits : uint32_t {
    LocalFile = 0x01,
    DataLoaded = 0x02,
    Selected = 0x04,
    GameFile = 0x08,
    HandRecordUploaded = 0x10,
    PdfUploaded = 0x20,
    AddedByHand = 0x40,
  };
  static constexpr uint32_t InitialFlags = LocalFile | Selected;

  CScoreFile();
  ~CScoreFile();
  // Copies are made as CopyFrom makes them.
  CScoreFile(const CScoreFile& other);
  CScoreFile& operator=(const CScoreFile& other);
  CScoreFile(CScoreFile&&) noexcept;
  CScoreFile& operator=(CScoreFile&&) noexcept;

  // Copies the stored fields and SessionDate; DataLoaded is cleared in this record, whose
  // Data, HtmlPath, PdfPath, File and Buffers stay as they were.
  void CopyFrom(const CScoreFile& other);
  // Negative, 0 or positive: SessionDate first, then the session index (unknown, -1, first).
  int Compare(const CScoreFile& other) const;
  // Stores every stored field; loads them in the layout of ar.RecordVersion() (0 lacks Flags
  // and HandRecordPath), then recomputes SessionDate and clears DataLoaded.
  void Serialize(CArchive& ar);

  // ---- flags
  bool IsLocalFile() const { return Flags & LocalFile; }
  bool IsDataLoaded() const { return Flags & DataLoaded; }
  bool IsGameFile() const { return Flags & GameFile; }
  bool IsSelected() const { return Flags & Selected; }
  void SetSelected(bool on) { SetFlag(Selected, on); }
  bool IsHandRecordUploaded() const { return Flags & HandRecordUploaded; }
  void SetHandRecordUploaded(bool on) { SetFlag(HandRecordUploaded, on); }
  bool IsPdfUploaded() const { return Flags & PdfUploaded; }
  void SetPdfUploaded(bool on) { SetFlag(PdfUploaded, on); }
  bool IsAddedByHand() const { return Flags & AddedByHand; }
  void SetAddedByHand(bool on) { SetFlag(AddedByHand, on); }

  // ---- accessors
  // File name part of Path (after the last '\' or '/'), with its extension.
  std::string GetFileName() const;
  // The contents followed by one zero byte (loaded first when needed).
  const uint8_t* GetData() {
    LoadContents();
    return Data.data();
  }
  // 0 Morning, 1 Afternoon, 2 Evening, 3 Late, or -1.
  int GetSessionIndex() const;
  // Leading letters of Section after any white space.
  std::string GetSectionCode() const;
  // SessionDate if set, else the date in the file name, else Modified.
  int64_t GetEffectiveDate() const;
  // Weekday of GetEffectiveDate, then " Morning" etc. when the session is known.
  // Raises CInvalidArgException when local time cannot represent the date.
  std::string GetSessionDescription() const;
  // Modified as "%c" in local time; raises CInvalidArgException when not representable.
  std::string GetModifiedText() const;
  // Posted as "%c" in local time, or empty when never posted.
  std::string GetPostedText() const;
  void GetWebPageName(std::string& name, uint32_t* insert = nullptr) const;
  // WebPageName = name, InsertNumber = insert, Posted = now.
  void SetPosted(std::string_view name, uint32_t insert);
  // WebPageName with its extension replaced by extension (appended when it has none).
  std::string GetRelatedName(std::string_view extension) const;
  // GetRelatedName with the lower-cased extension of HandRecordPath.
  std::string GetHandRecordUploadName() const;

  // Reads a whole file into a buffer owned by this record (kept until it is destroyed).
  // 0 on success; an HRESULT of the Win32 facility (0x8007xxxx) or E_FAIL otherwise; an empty
  // path gives 2. data and size are set to none and 0 first.
  int32_t ReadWholeFile(const std::string& path, const uint8_t*& data, uint64_t& size);
  // Closes File; with freeData also drops Data and clears DataLoaded.
  void Close(bool freeData);

  // Session date of DateText as local midnight; false, leaving SessionDate, when it gives none.
  bool ParseDate();
  // Date (local midnight) and session time from a name such as "140105A.txt" or
  // "140105.aca". Outputs not wanted may be null. currentYear 0 means this year; the century
  // is the current one, or the one before when the date would lie after this year.
  void DateFromFileName(int64_t* date, int* session, int currentYear = 0) const;

  // ---- reading and identifying (in their own sources)
  // 1 on success, 0 on failure (reported unless quiet). connection null: a local file.
  int Open(Services& services, const std::string& path, CFtpConnection* connection, bool quiet,
           bool gameFile);
  // Reads the open file into Data once; raises CInvalidArgException without an open file and
  // the stream's exception when reading fails.
  int LoadContents();
  // 1 when the contents were read (header found or not), 0 without an open file or when
  // reading failed (reported as "CScoreFile::Parse: parse loop").
  int Parse(Services& services, bool computeHash);
  std::string GetSessionBaseName() const;
  std::string GetBwsPath() const;

  // ---- fields, in their stored meaning
  CHash256 Hash;
  std::string Event;
  std::string Session;
  std::string Section;
  std::string DateText;
  std::string Limits;
  uint32_t Flags = InitialFlags;
  std::vector<uint8_t> Data;  // contents and one zero byte, while DataLoaded
  std::string Path;
  std::string HtmlPath;
  std::string PdfPath;
  std::string HandRecordPath;
  std::unique_ptr<CScoreFileStream> File;
  uint64_t Size = 0;
  int64_t Modified = 0;
  int64_t Posted = 0;
  int64_t SessionDate = 0;
  std::string WebPageName;
  uint32_t InsertNumber = 0;
  std::vector<std::unique_ptr<std::vector<uint8_t>>> Buffers;

 private:
  void SetFlag(uint32_t bit, bool on) { Flags = on ? (Flags | bit) : (Flags & ~bit); }
};

// Working records of one operation; owns them and destroys them in index order. Null entries
// are allowed.
class CSFPtrArray : public std::vector<std::unique_ptr<CScoreFile>> {
 public:
  using vector::vector;
  CSFPtrArray() = default;
  CSFPtrArray(CSFPtrArray&&) = default;
  CSFPtrArray& operator=(CSFPtrArray&&) = default;
  ~CSFPtrArray() {
    for (auto& record : *this) record.reset();
  }
};

}  // namespace tx
