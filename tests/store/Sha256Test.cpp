#include "store/Sha256.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_set>

#include "platform/Errors.h"
#include "store/Archive.h"

namespace tx {
namespace {

std::vector<CSha256::Engine> Engines() {
  std::vector<CSha256::Engine> engines = {CSha256::Engine::Portable};
  if (CSha256::HardwareAvailable()) engines.push_back(CSha256::Engine::Hardware);
  return engines;
}

const char* Name(CSha256::Engine e) { return e == CSha256::Engine::Portable ? "portable" : "hardware"; }

TEST(Sha256, NistVectorsOnEveryEngine) {
  struct Case {
    std::string in;
    const char* hex;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
  };
  for (auto engine : Engines()) {
    SCOPED_TRACE(Name(engine));
    CSha256 sha(engine);
    EXPECT_EQ(sha.GetEngine(), engine);
    for (const auto& c : cases) {
      sha.Update(c.in);
      EXPECT_EQ(sha.Final().ToHex(), c.hex) << c.in;
    }
  }
}

TEST(Sha256, MillionAInUnevenPieces) {
  std::string a(1000000, 'a');
  for (auto engine : Engines()) {
    SCOPED_TRACE(Name(engine));
    CSha256 sha(engine);
    size_t pos = 0;
    for (size_t piece = 1; pos < a.size(); piece = piece * 7 % 1013 + 1) {
      size_t n = std::min(piece, a.size() - pos);
      sha.Update(a.data() + pos, n);
      pos += n;
    }
    EXPECT_EQ(sha.Final().ToHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  }
}

TEST(Sha256, EnginesAgreeAroundBlockAndPaddingBoundaries) {
  if (!CSha256::HardwareAvailable()) GTEST_SKIP() << "no SHA instructions";
  std::mt19937 rng(7);
  std::string data(1000, '\0');
  for (auto& c : data) c = char(rng());
  for (size_t n = 0; n <= 300; ++n) {
    CSha256 portable(CSha256::Engine::Portable), hardware(CSha256::Engine::Hardware);
    portable.Update(data.data(), n);
    // Fed in two pieces, so the pending-block path is used too.
    hardware.Update(data.data(), n / 3);
    hardware.Update(data.data() + n / 3, n - n / 3);
    ASSERT_EQ(portable.Final(), hardware.Final()) << n;
  }
}

TEST(Hash256, ValueTypeHexIndexValueAndStorage) {
  CHash256 h = CSha256::Digest("abc");
  EXPECT_EQ(h.HashValue(), 0xbf1678bau);  // bytes ba 78 16 bf
  CHash256 back;
  ASSERT_TRUE(CHash256::FromHex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", back));
  EXPECT_EQ(back, h);
  EXPECT_FALSE(CHash256::FromHex("ba78", back));
  EXPECT_FALSE(CHash256::FromHex(std::string(63, '0') + "g", back));
  EXPECT_EQ(back, h);
  EXPECT_TRUE(CHash256().IsZero());
  EXPECT_LT(CHash256(), h);

  std::unordered_set<CHash256> set = {h, CSha256::Digest("abd"), h};
  EXPECT_EQ(set.size(), 2u);

  CMemoryStream out;
  CArchive store(out, CArchive::Mode::Store);
  h.Serialize(store);
  store.Close();
  ASSERT_EQ(out.Data().size(), 32u);
  EXPECT_EQ(out.Data()[0], 0xba);

  CMemoryStream in(out.Data());
  CArchive load(in, CArchive::Mode::Load);
  CHash256 read;
  read.Serialize(load);
  EXPECT_EQ(read, h);

  CMemoryStream shortIn(std::vector<uint8_t>(out.Data().begin(), out.Data().begin() + 31));
  CArchive shortLoad(shortIn, CArchive::Mode::Load);
  try {
    read.Serialize(shortLoad);
    ADD_FAILURE();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.GetCause(), CArchiveException::EndOfFile);
  }
}

}  // namespace
}  // namespace tx
