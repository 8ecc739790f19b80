#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include <fmt/format.h>

namespace dw {
namespace fs = std::filesystem;

std::string DescribeError(int errnoValue) { return std::generic_category().message(errnoValue); }

std::string ReadWholeFile(const fs::path& path, const std::string& what, ExitCode code, size_t maxBytes) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st))
    throw Failure(code, fmt::format("Cannot find the {}.", what));
  if (fs::is_directory(st)) throw Failure(code, fmt::format("The {} is a folder, not a file.", what));
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) throw Failure(code, fmt::format("Cannot open the {}: {}.", what, DescribeError(errno)));
  std::string data;
  char buf[65536];
  for (;;) {
    const size_t n = std::fread(buf, 1, sizeof buf, f.get());
    data.append(buf, n);
    if (data.size() > maxBytes)
      throw Failure(code, fmt::format("The {} is too large (more than {} MB).", what, maxBytes >> 20));
    if (n < sizeof buf) break;
  }
  if (std::ferror(f.get())) throw Failure(code, fmt::format("Cannot read the {}: {}.", what, DescribeError(errno)));
  return data;
}

OutputSet::~OutputSet() {
  std::error_code ec;
  for (const Item& item : items_) fs::remove(item.Temp, ec);
  if (!committed_)
    for (auto it = madeDirs_.rbegin(); it != madeDirs_.rend(); ++it)
      if (fs::is_empty(*it, ec)) fs::remove(*it, ec);
}

void OutputSet::AddDirectory(const fs::path& dir) {
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return;
  const fs::path parent = dir.parent_path().empty() ? fs::path(".") : dir.parent_path();
  if (!fs::is_directory(parent, ec))
    throw Failure(ExitCode::Output, fmt::format("Cannot make the folder \"{}\": the folder \"{}\" does not exist.",
                                                dir.string(), parent.string()));
  if (fs::exists(dir, ec))
    throw Failure(ExitCode::Output, fmt::format("Cannot make the folder \"{}\": a file of that name exists.", dir.string()));
  fs::create_directory(dir, ec);
  if (ec) throw Failure(ExitCode::Output, fmt::format("Cannot make the folder \"{}\": {}.", dir.string(), ec.message()));
  madeDirs_.push_back(dir);
}

void OutputSet::Add(const fs::path& target, const std::string& bytes) {
  std::error_code ec;
  if (fs::is_directory(target, ec))
    throw Failure(ExitCode::Output, fmt::format("Cannot write \"{}\": a folder of that name exists.", target.string()));
  fs::path parent = target.parent_path();
  if (parent.empty()) parent = ".";
  if (!fs::is_directory(parent, ec))
    throw Failure(ExitCode::Output,
                  fmt::format("Cannot write \"{}\": the folder \"{}\" does not exist.", target.string(), parent.string()));
  // The temporary file sits in the target's own folder so that the final rename stays on one
  // file system.
  fs::path temp = target;
  temp += fmt::format(".dw{}.tmp", items_.size());
  errno = 0;
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) throw Failure(ExitCode::Output, fmt::format("Cannot write \"{}\": {}.", target.string(), DescribeError(errno)));
  items_.push_back({target, temp});
  const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int err = errno;
  const bool closed = std::fclose(f) == 0;
  if (!closed && wrote) err = errno;
  if (!wrote || !closed)
    throw Failure(ExitCode::Output, fmt::format("Cannot write \"{}\": {}.", target.string(), DescribeError(err)));
}

void OutputSet::Commit() {
  std::error_code ec;
  for (const Item& item : items_) {
    fs::rename(item.Temp, item.Target, ec);
    if (ec)
      throw Failure(ExitCode::Output, fmt::format("Cannot write \"{}\": {}.", item.Target.string(), ec.message()));
  }
  items_.clear();
  committed_ = true;
}

}  // namespace dw
