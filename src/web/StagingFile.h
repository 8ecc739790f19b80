#pragma once
// A page being written on the local disk: one byte per character (U+0000..U+00FF) and CR LF
// line ends. A character outside that range cannot be written and raises CFileException with
// code 13, so a page is never uploaded with characters silently replaced.
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace tx {

class CStagingFile {
 public:
  CStagingFile() = default;
  ~CStagingFile();
  CStagingFile(const CStagingFile&) = delete;
  CStagingFile& operator=(const CStagingFile&) = delete;

  // Creates or truncates path; raises CFileException when it cannot be opened.
  void Open(const std::string& path);
  bool IsOpen() const { return out_.is_open(); }
  // UTF-8 text; each LF becomes CR LF (an existing CR LF stays one line end).
  void Write(std::string_view text);
  // text, then a line end.
  void WriteLine(std::string_view text);
  // Bytes as they stand.
  void WriteRaw(std::string_view bytes);
  // Flushes and closes; raises CFileException when the data did not reach the disk.
  void Close();
  const std::string& GetPath() const { return path_; }

 private:
  void Put(std::string_view bytes);

  std::ofstream out_;
  std::string path_;
  bool lastWasCr_ = false;
};

}  // namespace tx
