#include <cerrno>
#include <cstring>
#include <fmt/printf.h>

#include "platform/Errors.h"

namespace tx {
namespace {

struct TextRow {
  uint32_t Code;
  const char* Text;
};

// System messages.
constexpr TextRow SystemTexts[] = {
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {16, "The directory cannot be removed."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {23, "Data error (cyclic redundancy check)."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {38, "Reached the end of the file."},
    {39, "The disk is full."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {54, "The network is busy."},
    {58, "The specified server cannot perform the requested operation."},
    {59, "An unexpected network error occurred."},
    {64, "The specified network name is no longer available."},
    {65, "Network access is denied."},
    {67, "The network name cannot be found."},
    {80, "The file exists."},
    {82, "The directory or file cannot be created."},
    {86, "The specified network password is not correct."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {110, "The system cannot open the device or file specified."},
    {111, "The file name is too long."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {128, "There are no child processes to wait for."},
    {131, "An attempt was made to move the file pointer before the beginning of the file."},
    {132, "The file pointer cannot be set on the specified device or file."},
    {145, "The directory is not empty."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {193, "The file is not a valid application."},
    {203, "The system could not find the environment option that was entered."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {232, "The pipe is being closed."},
    {258, "The wait operation timed out."},
    {267, "The directory name is invalid."},
    {487, "Attempt to access invalid address."},
    {534, "Arithmetic result exceeded 32 bits."},
    {995, "The I/O operation has been aborted because of either a thread exit or an application request."},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1131, "A potential deadlock condition has been detected."},
    {1142, "An attempt was made to create more links on a file than the file system supports."},
    {1223, "The operation was canceled by the user."},
    {1225, "The remote computer refused the network connection."},
    {1231, "The network location cannot be reached."},
    {1232, "The remote host cannot be reached."},
    {1236, "The network connection was aborted by the local system."},
    {1460, "This operation returned because the timeout period expired."},
    {1901, "The specified time is invalid."},
    {1921, "The name of the file cannot be resolved by the system."},
    {10035, "A non-blocking socket operation could not be completed immediately."},
    {10036, "A blocking operation is currently executing."},
    {10037, "An operation was attempted on a non-blocking socket that already had an operation in progress."},
    {10038, "An operation was attempted on something that is not a socket."},
    {10039, "A required address was omitted from an operation on a socket."},
    {10040, "A message sent on a datagram socket was larger than the internal message buffer or some other network limit, or the buffer used to receive a datagram into was smaller than the datagram itself."},
    {10041, "A protocol was specified in the socket function call that does not support the semantics of the socket type requested."},
    {10042, "An unknown, invalid, or unsupported option or level was specified in a getsockopt or setsockopt call."},
    {10043, "The requested protocol has not been configured into the system, or no implementation for it exists."},
    {10047, "An address incompatible with the requested protocol was used."},
    {10048, "Only one usage of each socket address (protocol/network address/port) is normally permitted."},
    {10049, "The requested address is not valid in its context."},
    {10050, "A socket operation encountered a dead network."},
    {10051, "A socket operation was attempted to an unreachable network."},
    {10052, "The connection has been broken due to keep-alive activity detecting a failure while the operation was in progress."},
    {10053, "An established connection was aborted by the software in your host machine."},
    {10054, "An existing connection was forcibly closed by the remote host."},
    {10055, "An operation on a socket could not be performed because the system lacked sufficient buffer space or because a queue was full."},
    {10056, "A connect request was made on an already connected socket."},
    {10057, "A request to send or receive data was disallowed because the socket is not connected."},
    {10058, "A request to send or receive data was disallowed because the socket had already been shut down in that direction with a previous shutdown call."},
    {10060, "A connection attempt failed because the connected party did not properly respond after a period of time, or established connection failed because connected host has failed to respond."},
    {10061, "No connection could be made because the target machine actively refused it."},
    {10064, "A socket operation failed because the destination host was down."},
    {10065, "A socket operation was attempted to an unreachable host."},
    {11001, "No such host is known."},
    {11002, "This is usually a temporary error during hostname resolution and means that the local server did not receive a response from an authoritative server."},
};

// Messages of the internet client library.
constexpr TextRow InternetTexts[] = {
    {12001, "No more handles could be generated at this time."},
    {12002, "The operation timed out"},
    {12003, "An extended error was returned from the server."},
    {12004, "An internal error occurred."},
    {12005, "The URL is invalid."},
    {12006, "The URL does not use a recognized protocol."},
    {12007, "The server name or address could not be resolved"},
    {12008, "A requested protocol could not be located."},
    {12009, "An option value is invalid."},
    {12010, "The length of an option is incorrect for its type."},
    {12011, "The request option cannot be set, only queried."},
    {12012, "Internet support is being shut down or unloaded."},
    {12013, "The request to connect and log on to an FTP server could not be completed because the supplied user name is incorrect."},
    {12014, "The request to connect and log on to an FTP server could not be completed because the supplied password is incorrect."},
    {12015, "The request to connect to and log on to an FTP server failed."},
    {12016, "The requested operation is invalid."},
    {12017, "The operation was canceled, usually because the handle on which the request was operating was closed before the operation completed."},
    {12018, "The type of handle supplied is incorrect for this operation."},
    {12019, "The requested operation cannot be carried out because the handle supplied is not in the correct state."},
    {12020, "The request cannot be made via a proxy."},
    {12023, "Direct network access cannot be made at this time."},
    {12026, "The required operation could not be completed because one or more requests are pending."},
    {12027, "The format of the request is invalid."},
    {12028, "The requested item could not be located."},
    {12029, "A connection with the server could not be established"},
    {12030, "The connection with the server was terminated abnormally"},
    {12031, "The connection with the server was reset"},
    {12032, "The request must be made again."},
    {12033, "The request to the proxy was invalid."},
    {12036, "The request failed because the handle already exists."},
    {12037, "The date of the server's security certificate is bad. The certificate is expired."},
    {12038, "The host name in the server's security certificate is incorrect."},
    {12044, "The server is requesting client authentication."},
    {12045, "The certificate authority is invalid or incorrect"},
    {12110, "The requested operation cannot be made on the FTP session because an operation is already in progress."},
    {12111, "The FTP operation was not completed because the session was aborted."},
    {12112, "Passive mode is not available on the server."},
    {12150, "The requested header could not be located."},
    {12151, "The server did not return any headers."},
    {12152, "The server response could not be parsed."},
    {12153, "The supplied header is invalid."},
    {12155, "The header could not be added because it already exists."},
    {12156, "The redirection failed because either the scheme changed or all attempts made to redirect failed."},
    {12157, "An error occurred in the secure channel support"},
    {12169, "The security certificate is invalid"},
    {12170, "The security certificate was revoked"},
    {12175, "A security error occurred"},
};

const char* Lookup(const TextRow* begin, const TextRow* end, uint32_t code) {
  for (const TextRow* r = begin; r != end; ++r)
    if (r->Code == code) return r->Text;
  return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

thread_local std::string lastInternetResponse;

}  // namespace

std::string TrimErrorText(std::string_view text, size_t maxUnits) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  text = text.substr(b, e - b);
  // Count UTF-16 code units: a 4-byte UTF-8 sequence is two of them.
  size_t units = 0, i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + len > text.size()) len = text.size() - i;
    const size_t need = len == 4 ? 2 : 1;
    if (units + need > maxUnits) break;
    units += need;
    i += len;
  }
  std::string out(text.substr(0, i));
  while (!out.empty() && IsBlank(out.back())) out.pop_back();
  return out;
}

void SetLastInternetResponse(std::string text) { lastInternetResponse = std::move(text); }

const std::string& GetLastInternetResponse() { return lastInternetResponse; }

std::string GetErrorText(uint32_t code) {
  if (code == 0) code = err::InvalidData;
  if (code == err::InternetExtendedError && !TrimErrorText(lastInternetResponse).empty())
    return TrimErrorText(lastInternetResponse);
  const char* text = Lookup(std::begin(InternetTexts), std::end(InternetTexts), code);
  if (!text) text = Lookup(std::begin(SystemTexts), std::end(SystemTexts), code);
  if (text) return TrimErrorText(text);
  if ((code & 0xFFFF0000u) == ErrnoCodeBase) {
    char buf[256];
    const char* s = ::strerror_r(int(code & 0xFFFF), buf, sizeof buf);  // GNU form
    std::string t = TrimErrorText(s ? s : "");
    if (!t.empty() && t.rfind("Unknown error", 0) != 0) return t + ".";
  }
  return fmt::sprintf("Error code %d (0x%08X)", int32_t(code), code);
}

uint32_t ErrorFromErrno(int e) {
  switch (e) {
    case 0: return 0;
    case EPERM: case EACCES: case EISDIR: return err::AccessDenied;
    case ENOENT: return err::FileNotFound;
    case ENOTDIR: return err::PathNotFound;
    case ESRCH: return err::InvalidParameter;
    case EINTR: return 995;
    case EIO: return 1117;
    case ENXIO: case ENOMEDIUM: return err::NotReady;
    case E2BIG: return err::InvalidParameter;
    case ENOEXEC: return err::BadExeFormat;
    case EBADF: return 6;
    case ECHILD: return 128;
    case EAGAIN: case EBUSY: return err::Busy;
    case ENOMEM: return err::NotEnoughMemory;
    case EFAULT: return 487;
    case EEXIST: return err::FileExists;
    case EXDEV: return 17;
    case ENODEV: return 15;
    case EINVAL: case EDOM: return err::InvalidParameter;
    case ENFILE: case EMFILE: return err::TooManyOpenFiles;
    case ENOTTY: return err::InvalidFunction;
    case ETXTBSY: return err::SharingViolation;
    case EFBIG: return 223;
    case ENOSPC: return err::DiskFull;
    case EDQUOT: return 39;
    case ESPIPE: return 132;
    case EROFS: return 19;
    case EMLINK: return err::TooManyLinks;
    case EPIPE: return err::BrokenPipe;
    case ERANGE: case EOVERFLOW: return err::ArithmeticOverflow;
    case EDEADLK: return err::PossibleDeadlock;
    case ENAMETOOLONG: return err::FilenameTooLong;
    case ENOLCK: return err::LockViolation;
    case ENOSYS: case EOPNOTSUPP: return err::NotSupported;
    case ENOTEMPTY: return err::DirNotEmpty;
    case ELOOP: return 1921;
    case ETIME: return err::Timeout;
    case EILSEQ: return 1113;
    case ECANCELED: return err::Cancelled;
    case EPROTO: case EBADMSG: return err::UnexpectedNetError;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case EALREADY: return 10037;
    case EINPROGRESS: return 10036;
    default: return ErrnoCodeBase | uint32_t(e & 0xFFFF);
  }
}

}  // namespace tx
