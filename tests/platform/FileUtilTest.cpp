#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestEnv.h"
#include "platform/FileUtil.h"

namespace fs = std::filesystem;

namespace tx {

TEST(FileUtil, AtomicWriteReplacesKeepsModeAndLeavesNoTemporary) {
  test::TempDir tmp;
  const fs::path f = tmp.Path() / "data.bin";
  ASSERT_EQ(WriteFileAtomically(f, std::string("one\0two", 7)), 0u);
  fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(WriteFileAtomically(f, "second"), 0u);
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(f, bytes), 0u);
  EXPECT_EQ(bytes, "second");
  EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Path()), fs::directory_iterator()), 1);
}

TEST(FileUtil, ErrorsAreCodes) {
  test::TempDir tmp;
  std::string bytes = "stale";
  EXPECT_EQ(ReadWholeFile(tmp.Path() / "missing", bytes), 2u);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(ReadWholeFile(tmp.Path() / "no" / "such", bytes), 3u);  // the folder is missing
  EXPECT_EQ(ReadWholeFile(tmp.Path(), bytes), 5u);  // a folder
  EXPECT_EQ(WriteFileAtomically(tmp.Path() / "no" / "f", "x"), 3u);
  EXPECT_EQ(WriteFileAtomically(tmp.Path(), "x"), 5u);
  ASSERT_EQ(WriteFileAtomically(tmp.Path() / "big", std::string(100, 'x')), 0u);
  EXPECT_EQ(ReadWholeFile(tmp.Path() / "big", bytes, 100), 8u);
}

TEST(FileUtil, ExclusiveCreation) {
  test::TempDir tmp;
  const fs::path f = tmp.Path() / "x";
  EXPECT_EQ(CreateFileExclusive(f, "first"), 0u);
  EXPECT_EQ(CreateFileExclusive(f, "second"), 80u);
  EXPECT_EQ(test::TestEnv::ReadFile(f), "first");
  EXPECT_EQ(CreateDirectoryExclusive(tmp.Path() / "d"), 0u);
  EXPECT_EQ(CreateDirectoryExclusive(tmp.Path() / "d"), 183u);
  EXPECT_EQ(CreateDirectoryExclusive(f), 183u);
  fs::path a, b;
  EXPECT_EQ(CreateUniqueFile(tmp.Path(), "tmp", ".htm", a), 0u);
  EXPECT_EQ(CreateUniqueFile(tmp.Path(), "tmp", ".htm", b), 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.extension(), ".htm");
  EXPECT_EQ(CreateUniqueDirectory(tmp.Path() / "missing", "d", a), 3u);
  EXPECT_TRUE(a.empty());
}

TEST(FileUtil, LockIsExclusiveAcrossDescriptors) {
  test::TempDir tmp;
  const fs::path f = tmp.Path() / "lock";
  CFileLock first, second;
  ASSERT_EQ(first.Lock(f), 0u);
  EXPECT_EQ(second.Lock(f, CFileLock::Mode::Exclusive, false), 33u);
  EXPECT_EQ(second.Lock(f, CFileLock::Mode::Shared, false), 33u);
  first.Unlock();
  EXPECT_EQ(second.Lock(f, CFileLock::Mode::Shared, false), 0u);
  EXPECT_EQ(first.Lock(f, CFileLock::Mode::Shared, false), 0u);
}

TEST(FileUtil, AppendsSurviveAConcurrentRewrite) {
  test::TempDir tmp;
  const fs::path f = tmp.Path() / "log";
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 500; ++i) {
      EXPECT_EQ(AppendFileLocked(f, "line " + std::to_string(i) + "\n"), 0u) << i;
      if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // let rewrites in
    }
    done = true;
  });
  int rewrites = 0;
  while (!done)
    if (RewriteFileLocked(f, false, [](std::string& c) { c = "# " + c; return true; }) == 0) ++rewrites;
  writer.join();
  // Every appended line is there once, in order, whatever rewrites happened between them.
  std::string text = test::TestEnv::ReadFile(f);
  std::vector<int> seen;
  for (size_t pos = 0; (pos = text.find("line ", pos)) != std::string::npos; pos += 5)
    seen.push_back(std::atoi(text.c_str() + pos + 5));
  std::vector<int> expect(500);
  for (int i = 0; i < 500; ++i) expect[size_t(i)] = i;
  EXPECT_EQ(seen, expect);
  EXPECT_GT(rewrites, 0);
  EXPECT_EQ(RewriteFileLocked(tmp.Path() / "none", false, [](std::string&) { return true; }), 2u);
}

}  // namespace tx
