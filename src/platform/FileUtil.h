#pragma once
// File helpers that need the operating system: safe replacement, whole-file reads, exclusive
// creation, appends and advisory locks shared between processes. Every function returns 0 or
// an error code of the program's code space (platform/Errors.h); none throws.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tx {

// Writes bytes to a temporary file in the same folder, flushes it to disk and renames it over
// path, so readers see either the old or the new content, also after a crash. The folder must
// exist. An existing file's permission bits are kept.
uint32_t WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Reads the whole file into bytes (cleared first). Files of maxSize bytes or more give 8.
uint32_t ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                       uint64_t maxSize = uint64_t(1) << 32);

// Creates a new file with the given content; 80 (file exists) when anything is at path.
uint32_t CreateFileExclusive(const std::filesystem::path& path, std::string_view bytes = {});
// Creates a new folder (parent must exist); 183 (already exists) when anything is at path.
uint32_t CreateDirectoryExclusive(const std::filesystem::path& path);

// Makes a new, uniquely named file or folder "prefix" + random + suffix inside folder, and
// returns its path in out. Gives up after many collisions with 80.
uint32_t CreateUniqueFile(const std::filesystem::path& folder, std::string_view prefix,
                          std::string_view suffix, std::filesystem::path& out);
uint32_t CreateUniqueDirectory(const std::filesystem::path& folder, std::string_view prefix,
                               std::filesystem::path& out);

// Appends bytes in one write under an exclusive lock of the file itself (created when missing),
// so entries of concurrent writers, in this or other processes, never interleave. A writer that
// finds the file replaced while it waited for the lock appends to the new file.
uint32_t AppendFileLocked(const std::filesystem::path& path, std::string_view bytes);

// Reads the file under its exclusive lock and lets edit change the content; when edit returns
// true the new content replaces the file safely (as WriteFileAtomically) before the lock is
// released. Appenders using AppendFileLocked wait meanwhile and lose nothing.
// A missing file gives 2 unless createIfMissing, when edit starts from an empty content.
uint32_t RewriteFileLocked(const std::filesystem::path& path, bool createIfMissing,
                           const std::function<bool(std::string& content)>& edit,
                           uint64_t maxSize = uint64_t(1) << 32);

// Size of a file, or an error code.
uint32_t GetFileSize(const std::filesystem::path& path, uint64_t& size);

// An advisory whole-file lock (flock) on a lock file, shared between processes. Every process
// that uses the same file cooperates; others are not kept out. Released on Unlock or on
// destruction, and by the system when the process ends.
class CFileLock {
 public:
  enum class Mode { Shared, Exclusive };

  CFileLock() = default;
  ~CFileLock();
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;
  CFileLock(CFileLock&& other) noexcept;
  CFileLock& operator=(CFileLock&& other) noexcept;

  // Opens (creating when missing) the lock file and takes the lock. With wait false, a lock
  // held elsewhere gives 33 (lock violation) at once. Locking again first releases the old lock.
  uint32_t Lock(const std::filesystem::path& lockFile, Mode mode = Mode::Exclusive, bool wait = true);
  void Unlock();
  bool IsLocked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace tx
