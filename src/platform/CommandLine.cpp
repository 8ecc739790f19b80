// Windows command-line splitting and quoting, shared by every system.
#include "platform/Process.h"

namespace tx {
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view cmd) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = cmd.size();
  while (i < n && IsBlank(cmd[i])) ++i;
  if (i >= n) return args;

  // The program: quotes group, backslashes are literal.
  std::string program;
  bool inQuote = false;
  for (; i < n; ++i) {
    const char c = cmd[i];
    if (c == '"') {
      inQuote = !inQuote;
      continue;
    }
    if (!inQuote && IsBlank(c)) break;
    program += c;
  }
  args.push_back(std::move(program));

  for (;;) {
    while (i < n && IsBlank(cmd[i])) ++i;
    if (i >= n) break;
    std::string arg;
    inQuote = false;
    while (i < n) {
      size_t slashes = 0;
      while (i < n && cmd[i] == '\\') {
        ++slashes;
        ++i;
      }
      if (i < n && cmd[i] == '"') {
        arg.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          arg += '"';  // escaped quote
        } else if (inQuote && i + 1 < n && cmd[i + 1] == '"') {
          arg += '"';  // "" inside quotes is one literal quote
          ++i;
        } else {
          inQuote = !inQuote;
        }
        ++i;
        continue;
      }
      arg.append(slashes, '\\');
      if (i >= n) break;
      if (!inQuote && IsBlank(cmd[i])) break;
      arg += cmd[i++];
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string QuoteWindowsArgument(std::string_view arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string_view::npos) return std::string(arg);
  std::string out = "\"";
  for (size_t i = 0;; ++i) {
    size_t slashes = 0;
    while (i < arg.size() && arg[i] == '\\') {
      ++slashes;
      ++i;
    }
    if (i == arg.size()) {
      out.append(slashes * 2, '\\');  // doubled so the closing quote stays a quote
      break;
    }
    if (arg[i] == '"') {
      out.append(slashes * 2 + 1, '\\');
      out += '"';
    } else {
      out.append(slashes, '\\');
      out += arg[i];
    }
  }
  out += '"';
  return out;
}

}  // namespace tx
