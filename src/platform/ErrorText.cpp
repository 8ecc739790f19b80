// Placeholder table; replaced by the full one of the platform layer.
#include <cerrno>
#include <fmt/printf.h>

#include "platform/Errors.h"

namespace tx {

std::string GetErrorText(uint32_t code) {
  if (code == 0) code = err::InvalidData;
  switch (code) {
    case err::FileNotFound: return "The system cannot find the file specified.";
    case err::PathNotFound: return "The system cannot find the path specified.";
    case err::AccessDenied: return "Access is denied.";
    case err::InvalidData: return "The data is invalid.";
    case err::FileExists: return "The file exists.";
    case err::DiskFull: return "There is not enough space on the disk.";
    default: return fmt::sprintf("Error code %d (0x%08X)", int(code), code);
  }
}

uint32_t ErrorFromErrno(int e) {
  switch (e) {
    case 0: return 0;
    case ENOENT: return err::FileNotFound;
    case ENOTDIR: return err::PathNotFound;
    case EACCES: case EPERM: case EROFS: return err::AccessDenied;
    case EEXIST: return err::FileExists;
    case ENOSPC: return err::DiskFull;
    default: return err::InvalidFunction;
  }
}

}  // namespace tx
