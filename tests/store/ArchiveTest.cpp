#include "store/Archive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "AllocationProbe.h"
#include "platform/Errors.h"

namespace tx {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Store(const std::function<void(CArchive&)>& write) {
  CMemoryStream stream;
  CArchive ar(stream, CArchive::Mode::Store);
  write(ar);
  ar.Close();
  return stream.Data();
}

// Loads with the stream given (memory by default) and checks that everything was consumed.
template <class F>
auto Load(const Bytes& bytes, F&& read) {
  CMemoryStream stream(bytes);
  CArchive ar(stream, CArchive::Mode::Load);
  auto result = read(ar);
  EXPECT_EQ(ar.BytesLeft(), 0u);
  return result;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

int CauseOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const CArchiveException& e) {
    return e.GetCause();
  }
  return -1;
}

TEST(Archive, TextLengthLadder) {
  struct Case {
    size_t units;
    Bytes prefix;
  };
  const Case cases[] = {
      {0, {0xFF, 0xFE, 0xFF, 0x00}},
      {3, {0xFF, 0xFE, 0xFF, 0x03}},
      {254, {0xFF, 0xFE, 0xFF, 0xFE}},
      {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
      {300, {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}},
      {65533, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {65535, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    std::string text;
    for (size_t i = 0; i < c.units; ++i) text += char('a' + i % 26);
    Bytes bytes = Store([&](CArchive& ar) { ar.WriteText(text); });
    ASSERT_EQ(bytes.size(), c.prefix.size() + 2 * c.units);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + c.prefix.size()), c.prefix);
    EXPECT_EQ(Load(bytes, [](CArchive& ar) { return ar.ReadText(); }), text);
  }
  EXPECT_EQ(Store([](CArchive& ar) { ar.WriteText("abc"); }),
            (Bytes{0xFF, 0xFE, 0xFF, 0x03, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00}));
}

TEST(Archive, TextCountsUtf16CodeUnits) {
  // é is one unit, the playing card a surrogate pair.
  Bytes bytes = Store([](CArchive& ar) { ar.WriteText("\xC3\xA9\xF0\x9F\x82\xA1"); });
  EXPECT_EQ(bytes, (Bytes{0xFF, 0xFE, 0xFF, 0x03, 0xE9, 0x00, 0x3C, 0xD8, 0xA1, 0xDC}));
  EXPECT_EQ(Load(bytes, [](CArchive& ar) { return ar.ReadText(); }), "\xC3\xA9\xF0\x9F\x82\xA1");
}

TEST(Archive, ReadsOlderEightBitTexts) {
  struct Case {
    const char* why;
    Bytes bytes;
    std::string text;
  };
  Bytes long8 = {0xFF, 0x2C, 0x01};
  long8.resize(3 + 300, 'x');
  Bytes u32Len = {0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 'o', 'k'};
  const Case cases[] = {
      {"short length byte", {0x03, 'C', 'a', 'f'}, "Caf"},
      {"windows-1252 bytes", {0x04, 'C', 'a', 'f', 0xE9}, "Caf\xC3\xA9"},
      {"euro sign of the code page", {0x01, 0x80}, "\xE2\x82\xAC"},
      {"u16 length", long8, std::string(300, 'x')},
      {"u32 length", u32Len, "ok"},
      {"empty", {0x00}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Load(c.bytes, [](CArchive& ar) { return ar.ReadText(); }), c.text);
  }
}

TEST(Archive, WideTextWithU64LengthAboveLimitIsGenericError) {
  Bytes bytes = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(CauseOf([&] { Load(bytes, [](CArchive& ar) { return ar.ReadText(); }); }),
            CArchiveException::Generic);
}

TEST(Archive, NumbersCountsAndTimes) {
  Bytes bytes = Store([](CArchive& ar) {
    ar.WriteU8(0x12);
    ar.WriteU16(0x3456);
    ar.WriteU32(0x789ABCDE);
    ar.WriteU64(0x0102030405060708ull);
    ar.WriteCount(0);
    ar.WriteCount(65534);
    ar.WriteCount(65535);
    ar.WriteTime(0);
    ar.WriteTime(-2);
  });
  Bytes expected = {0x12, 0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78, 0x08, 0x07, 0x06, 0x05, 0x04,
                    0x03, 0x02, 0x01, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
                    0x00, 0x0A, 0x00, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0x00, 0x00,
                    0x80, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(bytes, expected);
  Load(bytes, [](CArchive& ar) {
    EXPECT_EQ(ar.ReadU8(), 0x12);
    EXPECT_EQ(ar.ReadU16(), 0x3456);
    EXPECT_EQ(ar.ReadU32(), 0x789ABCDEu);
    EXPECT_EQ(ar.ReadU64(), 0x0102030405060708ull);
    EXPECT_EQ(ar.ReadCount(), 0u);
    EXPECT_EQ(ar.ReadCount(), 65534u);
    EXPECT_EQ(ar.ReadCount(), 65535u);
    EXPECT_EQ(ar.ReadTime(), 0);
    EXPECT_EQ(ar.ReadTime(), -2);
    return 0;
  });
}

TEST(Archive, OlderTimesWithoutMarkerAreSignExtended) {
  EXPECT_EQ(Load({0, 0, 0, 0}, [](CArchive& ar) { return ar.ReadTime(); }), 0);
  EXPECT_EQ(Load({0xFF, 0xFF, 0xFF, 0xFF}, [](CArchive& ar) { return ar.ReadTime(); }), -1);
  EXPECT_EQ(Load({0x80, 0x2E, 0xC9, 0x52}, [](CArchive& ar) { return ar.ReadTime(); }),
            1388916352);
}

TEST(Archive, EveryTruncatedPrimitiveIsEndOfFile) {
  struct Case {
    const char* why;
    std::function<void(CArchive&)> write;
    std::function<void(CArchive&)> read;
  };
  const Case cases[] = {
      {"u16", [](CArchive& ar) { ar.WriteU16(7); }, [](CArchive& ar) { ar.ReadU16(); }},
      {"u32", [](CArchive& ar) { ar.WriteU32(7); }, [](CArchive& ar) { ar.ReadU32(); }},
      {"u64", [](CArchive& ar) { ar.WriteU64(7); }, [](CArchive& ar) { ar.ReadU64(); }},
      {"time", [](CArchive& ar) { ar.WriteTime(7); }, [](CArchive& ar) { ar.ReadTime(); }},
      {"long count", [](CArchive& ar) { ar.WriteCount(70000); }, [](CArchive& ar) { ar.ReadCount(); }},
      {"short text", [](CArchive& ar) { ar.WriteText("abc"); }, [](CArchive& ar) { ar.ReadText(); }},
      {"300-unit text", [](CArchive& ar) { ar.WriteText(std::string(300, 'q')); },
       [](CArchive& ar) { ar.ReadText(); }},
      {"65534-unit text", [](CArchive& ar) { ar.WriteText(std::string(65534, 'q')); },
       [](CArchive& ar) { ar.ReadText(); }},
      {"block", [](CArchive& ar) { ar.Write("12345", 5); }, [](CArchive& ar) { ar.ReadBlock(5); }},
  };
  for (const auto& c : cases) {
    Bytes full = Store(c.write);
    // Every cut inside the length prefix, and a few inside the body.
    for (size_t cut = 0; cut < full.size(); cut += (cut < 16 ? 1 : 997)) {
      SCOPED_TRACE(std::string(c.why) + " cut at " + std::to_string(cut));
      Bytes part(full.begin(), full.begin() + cut);
      CMemoryStream stream(part, "C:\\data\\ProgramData.bin");
      CArchive ar(stream, CArchive::Mode::Load);
      try {
        c.read(ar);
        ADD_FAILURE() << "no error";
      } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::EndOfFile);
        EXPECT_EQ(e.Message(), "Attempted to access C:\\data\\ProgramData.bin past its end.");
      }
    }
  }
}

TEST(Archive, ByteBlockReadReportsWhatWasAvailable) {
  Bytes bytes = {1, 2, 3};
  CMemoryStream stream(bytes);
  CArchive ar(stream, CArchive::Mode::Load);
  uint8_t buf[8] = {};
  EXPECT_EQ(ar.Read(buf, 8), 3u);
  EXPECT_EQ(buf[2], 3);
  EXPECT_EQ(ar.Read(buf, 8), 0u);
}

// A stream that cannot tell how much is left, like a pipe.
class UnsizedStream : public CMemoryStream {
 public:
  using CMemoryStream::CMemoryStream;
  uint64_t Remaining() const override { return UnknownSize; }
};

TEST(Archive, DamagedLengthFailsWithoutTakingThatMuchMemory) {
  // Wide text claiming 0x7FFFFFFE units, a block of 2 GiB, each followed by a few bytes only.
  Bytes text = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0x7F, 'a', 0};
  Bytes pad(100000, 'x');
  Bytes bigText = Concat({text, pad});
  for (bool sized : {true, false}) {
    SCOPED_TRACE(sized ? "sized stream" : "unsized stream");
    for (int which = 0; which < 2; ++which) {
      std::unique_ptr<CMemoryStream> stream;
      Bytes data = which == 0 ? bigText : pad;
      if (sized)
        stream = std::make_unique<CMemoryStream>(data);
      else
        stream = std::make_unique<UnsizedStream>(data);
      CArchive ar(*stream, CArchive::Mode::Load);
      AllocationProbe probe;
      auto start = std::chrono::steady_clock::now();
      int cause = CauseOf([&] {
        if (which == 0)
          ar.ReadText();
        else
          ar.ReadBlock(size_t(1) << 31);
      });
      auto took = std::chrono::steady_clock::now() - start;
      EXPECT_EQ(cause, CArchiveException::EndOfFile);
      EXPECT_LT(probe.Largest(), 4u * 1024 * 1024);
      EXPECT_LT(took, std::chrono::milliseconds(500));
    }
  }
  // A list count larger than the bytes left is caught before the elements are made.
  Bytes list = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  CMemoryStream stream(list);
  CArchive ar(stream, CArchive::Mode::Load);
  uint32_t n = ar.ReadCount();
  EXPECT_EQ(CauseOf([&] { ar.RequireBytes(uint64_t(n) * 4); }), CArchiveException::EndOfFile);
}

TEST(Archive, WrongDirectionIsProgrammingError) {
  CMemoryStream stream;
  CArchive store(stream, CArchive::Mode::Store);
  EXPECT_EQ(CauseOf([&] { store.ReadU32(); }), CArchiveException::WriteOnly);
  CArchive load(stream, CArchive::Mode::Load);
  EXPECT_EQ(CauseOf([&] { load.WriteU32(1); }), CArchiveException::ReadOnly);
  EXPECT_TRUE(store.IsStoring());
  EXPECT_TRUE(load.IsLoading());
}

TEST(Archive, AbandonedArchiveWritesNothingMore) {
  CMemoryStream stream;
  {
    CArchive ar(stream, CArchive::Mode::Store);
    ar.WriteU32(1);
  }
  EXPECT_TRUE(stream.Data().empty());
}

class ArchiveFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tx_archive_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(ArchiveFile, MixedPrimitivesAcrossBufferBoundaries) {
  auto path = dir_ / "mixed.bin";
  std::mt19937 rng(42);
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) texts.push_back(std::string(rng() % 700, char('A' + i % 26)) + "\xC3\xA9");
  Bytes block(10000);
  for (auto& b : block) b = uint8_t(rng());
  {
    CFileStream file(path, CFileStream::Mode::Write);
    CArchive ar(file, CArchive::Mode::Store);
    ar.WriteCount(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      ar.WriteText(texts[i]);
      ar.WriteU8(uint8_t(i));
      ar.WriteTime(int64_t(i) * 1000003);
      if (i == 1500) ar.Write(block.data(), block.size());
    }
    ar.Close();
    file.Close();
  }
  CFileStream file(path, CFileStream::Mode::Read);
  CArchive ar(file, CArchive::Mode::Load);
  ASSERT_EQ(ar.BytesLeft(), std::filesystem::file_size(path));
  ASSERT_EQ(ar.ReadCount(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(ar.ReadText(), texts[i]);
    ASSERT_EQ(ar.ReadU8(), uint8_t(i));
    ASSERT_EQ(ar.ReadTime(), int64_t(i) * 1000003);
    if (i == 1500) {
      ASSERT_EQ(ar.ReadBlock(block.size()), block);
    }
  }
  EXPECT_EQ(ar.BytesLeft(), 0u);
  EXPECT_EQ(CauseOf([&] { ar.ReadU8(); }), CArchiveException::EndOfFile);
}

TEST_F(ArchiveFile, OpenFailureCarriesSystemError) {
  try {
    CFileStream file(dir_ / "missing.bin", CFileStream::Mode::Read);
    ADD_FAILURE();
  } catch (const CFileException& e) {
    EXPECT_EQ(e.OsError(), err::FileNotFound);
    EXPECT_EQ(e.Path(), (dir_ / "missing.bin").string());
  }
}

TEST(ArchiveDiskFull, WriteFailureIsFileErrorWithDiskFull) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  try {
    CFileStream file("/dev/full", CFileStream::Mode::Write);
    CArchive ar(file, CArchive::Mode::Store);
    for (int i = 0; i < 5000; ++i) ar.WriteText("some history record text");
    ar.Close();
    file.Close();
    ADD_FAILURE() << "no error";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.OsError(), err::DiskFull);
    EXPECT_EQ(e.Path(), "/dev/full");
  }
}

}  // namespace
}  // namespace tx
