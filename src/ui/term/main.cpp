// tabulonix-cli: the terminal front end.
#include <cstdio>
#include <cstring>
#include <string>

#include <fmt/printf.h>

#include "platform/Version.h"

namespace {

const char* kUsage =
    "usage: tabulonix-cli [--setup FILE.tsu] COMMAND [ARGS...]\n"
    "\n"
    "Options:\n"
    "  --help       show this help\n"
    "  --version    show the program's version\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 64;
  }
  std::string arg = argv[1];
  if (arg == "--help" || arg == "-h" || arg == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arg == "--version") {
    fmt::printf("Tabulonix Version %s\n", tx::FormatProductVersion(tx::OwnProductVersion()));
    return 0;
  }
  fmt::fprintf(stderr, "tabulonix-cli: unknown command '%s'\n%s", arg, kUsage);
  return 64;
}
