#pragma once
// One error-code space on every platform: the Windows system error numbers, and the 12000
// range for internet errors. Exceptions the program defines carry such a code.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace tx {

namespace err {
constexpr uint32_t Success = 0;
constexpr uint32_t InvalidFunction = 1;
constexpr uint32_t FileNotFound = 2;
constexpr uint32_t PathNotFound = 3;
constexpr uint32_t TooManyOpenFiles = 4;
constexpr uint32_t AccessDenied = 5;
constexpr uint32_t NotEnoughMemory = 8;
constexpr uint32_t InvalidData = 13;
constexpr uint32_t WriteFault = 29;
constexpr uint32_t ReadFault = 30;
constexpr uint32_t SharingViolation = 32;
constexpr uint32_t LockViolation = 33;
constexpr uint32_t HandleEof = 38;
constexpr uint32_t NotSupported = 50;
constexpr uint32_t FileExists = 80;
constexpr uint32_t InvalidParameter = 87;
constexpr uint32_t DiskFull = 112;
constexpr uint32_t InvalidName = 123;
constexpr uint32_t DirNotEmpty = 145;
constexpr uint32_t AlreadyExists = 183;
constexpr uint32_t FilenameTooLong = 206;
constexpr uint32_t NotReady = 21;
constexpr uint32_t GenFailure = 31;
constexpr uint32_t BadNetPath = 53;
constexpr uint32_t NetworkBusy = 54;
constexpr uint32_t BadNetResponse = 58;
constexpr uint32_t UnexpectedNetError = 59;
constexpr uint32_t CannotMake = 82;
constexpr uint32_t InvalidPassword = 86;
constexpr uint32_t BrokenPipe = 109;
constexpr uint32_t OpenFailed = 110;
constexpr uint32_t BufferOverflow = 111;
constexpr uint32_t InsufficientBuffer = 122;
constexpr uint32_t ModuleNotFound = 126;
constexpr uint32_t NegativeSeek = 131;
constexpr uint32_t Busy = 170;
constexpr uint32_t BadExeFormat = 193;
constexpr uint32_t EnvVarNotFound = 203;
constexpr uint32_t NoData = 232;
constexpr uint32_t WaitTimeout = 258;
constexpr uint32_t DirectoryInvalid = 267;
constexpr uint32_t ArithmeticOverflow = 534;
constexpr uint32_t PossibleDeadlock = 1131;
constexpr uint32_t TooManyLinks = 1142;
constexpr uint32_t Cancelled = 1223;
constexpr uint32_t ConnectionRefused = 1225;
constexpr uint32_t NetworkUnreachable = 1231;
constexpr uint32_t HostUnreachable = 1232;
constexpr uint32_t ConnectionAborted = 1236;
constexpr uint32_t Timeout = 1460;
constexpr uint32_t InvalidTime = 1901;
// Internet errors.
constexpr uint32_t InternetBase = 12000;
constexpr uint32_t InternetTimeout = 12002;
constexpr uint32_t InternetExtendedError = 12003;  // text is the server's last reply
constexpr uint32_t InternetInternalError = 12004;
constexpr uint32_t InternetOutOfHandles = 12001;
constexpr uint32_t InternetInvalidUrl = 12005;
constexpr uint32_t InternetUnrecognizedScheme = 12006;
constexpr uint32_t InternetNameNotResolved = 12007;
constexpr uint32_t InternetLoginFailure = 12015;
constexpr uint32_t InternetOperationCancelled = 12017;
constexpr uint32_t InternetCannotConnect = 12029;
constexpr uint32_t InternetConnectionAborted = 12030;
constexpr uint32_t InternetConnectionReset = 12031;
constexpr uint32_t InternetNoDirectAccess = 12027;
constexpr uint32_t InternetIncorrectHandleState = 12019;
constexpr uint32_t InternetFtpTransferInProgress = 12110;
constexpr uint32_t InternetFtpDropped = 12111;
constexpr uint32_t InternetHeaderNotFound = 12150;
constexpr uint32_t InternetInvalidServerResponse = 12152;
constexpr uint32_t InternetSecureInvalidCa = 12045;
constexpr uint32_t InternetSecureCertDateInvalid = 12037;
constexpr uint32_t InternetSecureCertCnInvalid = 12038;
constexpr uint32_t InternetSecureFailure = 12175;
}  // namespace err

// The message text for a code (0 is taken as 13); "Error code %d (0x%08X)" when none is known.
// Trimmed of blanks at both ends, at most 1024 characters. For 12003 the text is the calling
// thread's last server response (see SetLastInternetResponse) when there is one. A code made
// by ErrorFromErrno for an errno without a Windows counterpart gives the C library's text.
std::string GetErrorText(uint32_t code);

// The last response text of a server on the calling thread, kept for 12003 (the internet
// code exchange sets it after every reply).
void SetLastInternetResponse(std::string text);
const std::string& GetLastInternetResponse();

// Codes for errno values without a Windows counterpart: ErrnoCodeBase | errno (the
// application-defined bit of Windows codes, so no system code is ever hit).
constexpr uint32_t ErrnoCodeBase = 0x20000000;

// Trims blanks (space, tab, CR, LF) from both ends and keeps at most maxUnits UTF-16 code
// units, never cutting a character in two.
std::string TrimErrorText(std::string_view text, size_t maxUnits = 1024);

// Maps a C library errno value into the program's code space.
uint32_t ErrorFromErrno(int e);

// Base of the exceptions the program raises and reports (logfile entry, message box).
class CException : public std::exception {
 public:
  // Class name as shown in the logfile's exception entry, e.g. "CFileException".
  virtual const char* ClassName() const = 0;
  // The code shown in the logfile entry (0: none).
  virtual int64_t Code() const { return 0; }
  // The message the user sees; empty when there is none.
  virtual std::string Message() const = 0;
  const char* what() const noexcept override;

 private:
  mutable std::string what_;
};

// A file operation failed; carries the system error code and the file's path.
class CFileException : public CException {
 public:
  CFileException(uint32_t osError, std::string path) : osError_(osError), path_(std::move(path)) {}
  const char* ClassName() const override { return "CFileException"; }
  int64_t Code() const override { return osError_; }
  std::string Message() const override;
  uint32_t OsError() const { return osError_; }
  const std::string& Path() const { return path_; }

 private:
  uint32_t osError_;
  std::string path_;
};

// An archive could not be read or written; carries a cause number and the file's path.
class CArchiveException : public CException {
 public:
  enum Cause : int { None = 0, Generic = 1, ReadOnly = 2, EndOfFile = 3, WriteOnly = 4, BadIndex = 5,
                     BadClass = 6, BadSchema = 7 };
  CArchiveException(int cause, std::string path) : cause_(cause), path_(std::move(path)) {}
  const char* ClassName() const override { return "CArchiveException"; }
  int64_t Code() const override { return cause_; }
  std::string Message() const override;
  int GetCause() const { return cause_; }
  const std::string& Path() const { return path_; }

 private:
  int cause_;
  std::string path_;
};

// An internet call failed; carries an error code of the 12000 range (or a system code).
class CInternetException : public CException {
 public:
  explicit CInternetException(uint32_t code, std::string serverReply = {})
      : code_(code), reply_(std::move(serverReply)) {}
  const char* ClassName() const override { return "CInternetException"; }
  int64_t Code() const override { return code_; }
  std::string Message() const override;
  uint32_t ErrorCode() const { return code_; }

 private:
  uint32_t code_;
  std::string reply_;
};

// A value was outside what an operation accepts (a time local time cannot represent, a
// position past the end of a list).
class CInvalidArgException : public CException {
 public:
  const char* ClassName() const override { return "CInvalidArgException"; }
  std::string Message() const override { return "Encountered an improper argument."; }
};

// Raised by an operation that has already reported its failure to the user and cannot go on.
// The command loop drops it without showing anything.
struct QuietAbort {};

}  // namespace tx
