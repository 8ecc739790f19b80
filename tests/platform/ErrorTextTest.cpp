#include <gtest/gtest.h>

#include <cerrno>

#include "platform/Errors.h"

namespace tx {

TEST(ErrorText, KnownUnknownAndZeroCodes) {
  struct Row { uint32_t code; const char* text; };
  const Row rows[] = {
      {0, "The data is invalid."},  // 0 is taken as 13
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {80, "The file exists."},
      {112, "There is not enough space on the disk."},
      {183, "Cannot create a file when that file already exists."},
      {1223, "The operation was canceled by the user."},
      {12002, "The operation timed out"},
      {12007, "The server name or address could not be resolved"},
      {12029, "A connection with the server could not be established"},
      {12015, "The request to connect to and log on to an FTP server failed."},
      {99999, "Error code 99999 (0x0001869F)"},
      {0x80000001u, "Error code -2147483647 (0x80000001)"},
  };
  for (const Row& r : rows) EXPECT_EQ(GetErrorText(r.code), r.text) << "code " << r.code;
}

TEST(ErrorText, EveryNamedCodeHasText) {
  for (uint32_t code : {err::InvalidFunction, err::TooManyOpenFiles, err::NotEnoughMemory, err::WriteFault,
                        err::ReadFault, err::SharingViolation, err::LockViolation, err::HandleEof,
                        err::NotSupported, err::InvalidParameter, err::InvalidName, err::DirNotEmpty,
                        err::FilenameTooLong, err::BadExeFormat, err::DirectoryInvalid, err::Busy,
                        err::InternetTimeout, err::InternetInvalidUrl, err::InternetLoginFailure,
                        err::InternetConnectionReset, err::InternetSecureFailure, err::Timeout})
    EXPECT_EQ(GetErrorText(code).rfind("Error code", 0), std::string::npos) << code;
}

TEST(ErrorText, ExtendedErrorShowsTheServersLastReply) {
  SetLastInternetResponse("  550 Permission denied.\r\n");
  EXPECT_EQ(GetErrorText(err::InternetExtendedError), "550 Permission denied.");
  SetLastInternetResponse("");
  EXPECT_EQ(GetErrorText(err::InternetExtendedError), "An extended error was returned from the server.");
}

TEST(ErrorText, TrimsAndCutsInUtf16Units) {
  EXPECT_EQ(TrimErrorText(" \t text \r\n"), "text");
  EXPECT_EQ(TrimErrorText(std::string(2000, 'a')).size(), 1024u);
  // U+1F600 is two UTF-16 units: 1023 'a' leave room for none of it.
  std::string s = std::string(1023, 'a') + "\xF0\x9F\x98\x80";
  EXPECT_EQ(TrimErrorText(s), std::string(1023, 'a'));
  // U+00E9 is one unit (two bytes) and fits.
  s = std::string(1023, 'a') + "\xC3\xA9xyz";
  EXPECT_EQ(TrimErrorText(s), std::string(1023, 'a') + "\xC3\xA9");
}

TEST(ErrorText, ErrnoMapsIntoTheCodeSpace) {
  struct Row { int e; uint32_t code; };
  const Row rows[] = {
      {0, 0}, {ENOENT, 2}, {ENOTDIR, 3}, {EACCES, 5}, {EPERM, 5}, {EISDIR, 5}, {EMFILE, 4},
      {ENOMEM, 8}, {EEXIST, 80}, {EINVAL, 87}, {EPIPE, 109}, {ENOSPC, 112}, {ENAMETOOLONG, 206},
      {ENOTEMPTY, 145}, {EBUSY, 170}, {ENOEXEC, 193}, {EROFS, 19}, {ECONNREFUSED, 10061},
      {ECONNRESET, 10054}, {ETIMEDOUT, 10060}, {EHOSTUNREACH, 10065}, {ECANCELED, 1223},
  };
  for (const Row& r : rows) EXPECT_EQ(ErrorFromErrno(r.e), r.code) << "errno " << r.e;
  for (const Row& r : rows)
    if (r.code) {
      EXPECT_EQ(GetErrorText(r.code).rfind("Error code", 0), std::string::npos) << r.code;
    }
}

TEST(ErrorText, ErrnoWithoutCounterpartKeepsTheLibraryText) {
  uint32_t code = ErrorFromErrno(ENOTRECOVERABLE);
  EXPECT_EQ(code, ErrnoCodeBase | uint32_t(ENOTRECOVERABLE));
  EXPECT_EQ(GetErrorText(code), "State not recoverable.");
}

TEST(ErrorText, ExceptionMessages) {
  EXPECT_EQ(CFileException(2, "/x/y.txt").Message(), "/x/y.txt\nThe system cannot find the file specified.");
  EXPECT_EQ(CInternetException(err::InternetExtendedError, "530 Login incorrect.").Message(), "530 Login incorrect.");
  EXPECT_EQ(CInternetException(err::InternetCannotConnect).Message(),
            "A connection with the server could not be established");
}

}  // namespace tx
