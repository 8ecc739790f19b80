#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/Folders.h"
#include "store/Blowfish.h"
#include "store/DataProtection.h"
#include "store/Password.h"

namespace fs = std::filesystem;
using namespace tx;
using tx::test::TestEnv;

namespace {

struct Vector {
  uint64_t Key, Plain, Cipher;
};

std::vector<uint8_t> KeyBytes(uint64_t key) {
  std::vector<uint8_t> k(8);
  for (int i = 0; i < 8; ++i) k[i] = uint8_t(key >> (56 - 8 * i));
  return k;
}

TEST(BlowfishTest, PublishedVectors) {
  const Vector vectors[] = {
      {0x0000000000000000, 0x0000000000000000, 0x4EF997456198DD78},
      {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
      {0x3000000000000000, 0x1000000000000001, 0x7D856F9A613063F2},
      {0x1111111111111111, 0x1111111111111111, 0x2466DD878B963C9D},
      {0x0123456789ABCDEF, 0x1111111111111111, 0x61F9C3802281B096},
      {0xFEDCBA9876543210, 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
  };
  for (const auto& v : vectors) {
    SCOPED_TRACE(testing::Message() << std::hex << "key " << v.Key);
    CBlowfish bf(KeyBytes(v.Key));
    uint32_t l = uint32_t(v.Plain >> 32), r = uint32_t(v.Plain);
    bf.EncryptBlock(l, r);
    EXPECT_EQ((uint64_t(l) << 32 | r), v.Cipher);
    bf.DecryptBlock(l, r);
    EXPECT_EQ((uint64_t(l) << 32 | r), v.Plain);
  }
}

TEST(BlowfishTest, EcbReadsHalvesLittleEndian) {
  CBlowfish bf(KeyBytes(0xFEDCBA9876543210));
  // Words 01234567 89ABCDEF stored low byte first.
  std::vector<uint8_t> data = {0x67, 0x45, 0x23, 0x01, 0xEF, 0xCD, 0xAB, 0x89};
  ASSERT_TRUE(bf.EncryptEcb(data));
  EXPECT_EQ(data, (std::vector<uint8_t>{0x0F, 0xAB, 0xCE, 0x0A, 0x8D, 0xA2, 0xA0, 0xC6}));
  std::vector<uint8_t> odd(12);
  EXPECT_FALSE(bf.DecryptEcb(odd));
}

TEST(BlowfishTest, LongKeyUsesFirst72Bytes) {
  std::vector<uint8_t> a(128), b(128);
  for (int i = 0; i < 128; ++i) a[i] = b[i] = uint8_t(i * 7);
  b[100] ^= 0xFF;  // beyond byte 72
  uint32_t l1 = 1, r1 = 2, l2 = 1, r2 = 2;
  CBlowfish(a).EncryptBlock(l1, r1);
  CBlowfish(b).EncryptBlock(l2, r2);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
}

// A legacy block made by encrypting raw decrypted content with the program's key.
std::vector<uint8_t> LegacyBlockOf(std::vector<uint8_t> plain) {
  CBlowfish(PasswordEntropy).EncryptEcb(plain);
  return plain;
}

TEST(PasswordTest, LegacyLengthRule) {
  struct Row {
    const char* Why;
    std::vector<uint8_t> Plain;
    bool Ok;
    std::string Text;
  };
  std::vector<uint8_t> sixteen = {'p', 'a', 's', 's', 'w', 'o', 'r', 'd', '1', '2', '3', 0, 0, 0, 0, 3};
  std::vector<uint8_t> eight = sixteen;
  eight.back() = 8;
  std::vector<uint8_t> ansi = {'c', 'a', 'f', 0xE9, 0, 0, 0, 4};
  const Row rows[] = {
      {"16 bytes, last byte 3: 11 characters", sixteen, true, "password123"},
      {"last byte 8 is not a count", eight, false, ""},
      {"8-bit text read as Windows-1252", ansi, true, "caf\xC3\xA9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Why);
    std::string plain = "old";
    uint32_t error = 99;
    EXPECT_EQ(Decrypt(LegacyBlockOf(row.Plain), LegacyPasswordScheme, plain, error), row.Ok);
    EXPECT_EQ(plain, row.Text);
    EXPECT_EQ(error, row.Ok ? 0u : 13u);
  }
  std::vector<uint8_t> twelve(12, 1);
  uint32_t error = 0;
  std::string plain;
  EXPECT_FALSE(Decrypt(twelve, LegacyPasswordScheme, plain, error));
  EXPECT_EQ(error, 13u);
  // The fixture maker agrees with the reader for every length.
  for (std::string text : {"", "a", "seven77", "eight888", "fifteen15151515"}) {
    ASSERT_TRUE(Decrypt(MakeLegacyBlock(text), LegacyPasswordScheme, plain, error)) << text;
    EXPECT_EQ(plain, text);
  }
}

class MachineSchemeTest : public testing::Test {
 protected:
  TestEnv env;
  fs::path idFile = env.WriteFile("machine-id", "0123456789abcdef0123456789abcdef\n");
  tx::test::ScopedEnv id{"TABULONIX_MACHINE_ID_FILE", idFile.string()};

  std::vector<uint8_t> Protect(const std::string& plain) {
    std::vector<uint8_t> block;
    uint32_t error = 1;
    EXPECT_TRUE(Encrypt(plain, MachinePasswordSchemeId, block, error));
    EXPECT_EQ(error, 0u);
    return block;
  }
  uint32_t Open(const std::vector<uint8_t>& block, std::string& plain) {
    uint32_t error = 0;
    bool ok = Decrypt(block, MachinePasswordSchemeId, plain, error);
    EXPECT_EQ(ok, error == 0);
    return error;
  }
};

TEST_F(MachineSchemeTest, RoundTripAndSecretFile) {
  for (std::string text : {"s3cret&=pw", "", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"}) {
    auto block = Protect(text);
    EXPECT_FALSE(block.empty());
    std::string plain = "x";
    EXPECT_EQ(Open(block, plain), 0u) << text;
    EXPECT_EQ(plain, text);
  }
  fs::path secret = GetCommonProgramFolder(false) / "MachineSecret.bin";
  ASSERT_TRUE(fs::exists(secret));
  EXPECT_EQ(fs::file_size(secret), 32u);
  EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(MachineSchemeTest, EightBitContentReadAsAnsi) {
  std::vector<uint8_t> block;
  const uint8_t ansi[] = {'c', 'a', 'f', 0xE9};
  ASSERT_EQ(ProtectData(ansi, PasswordEntropy, block), 0u);
  std::string plain;
  EXPECT_EQ(Open(block, plain), 0u);
  EXPECT_EQ(plain, "caf\xC3\xA9");
}

TEST_F(MachineSchemeTest, BlocksThisComputerCannotOpenFailWith13) {
  auto block = Protect("password");
  std::string plain;

  auto tampered = block;
  tampered[tampered.size() / 2] ^= 0x01;
  EXPECT_EQ(Open(tampered, plain), 13u);
  EXPECT_EQ(Open(std::vector<uint8_t>(block.begin(), block.begin() + 10), plain), 13u);

  std::vector<uint8_t> otherEntropy;
  std::vector<uint8_t> data = {'a', 0};
  ASSERT_EQ(ProtectData(data, {}, otherEntropy), 0u);
  EXPECT_EQ(Open(otherEntropy, plain), 13u);

  // Another computer: a different machine identity, or the same identity without our secret.
  env.WriteFile("machine-id", "ffffffffffffffffffffffffffffffff\n");
  EXPECT_EQ(Open(block, plain), 13u);
  env.WriteFile("machine-id", "0123456789abcdef0123456789abcdef\n");
  EXPECT_EQ(Open(block, plain), 0u);
  fs::remove(GetCommonProgramFolder(false) / "MachineSecret.bin");
  EXPECT_EQ(Open(block, plain), 13u);
  EXPECT_TRUE(plain.empty());
}

TEST_F(MachineSchemeTest, SchemesAndStartupTest) {
  std::vector<uint8_t> block = {1, 2, 3};
  uint32_t error = 5;
  EXPECT_FALSE(Encrypt("pw", LegacyPasswordScheme, block, error));
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(block.empty());
  block = {1, 2, 3};
  EXPECT_FALSE(Encrypt("pw", 7, block, error));
  EXPECT_EQ(error, 13u);
  EXPECT_TRUE(block.empty());
  std::string plain;
  EXPECT_FALSE(Decrypt(Protect("pw"), 7, plain, error));
  EXPECT_EQ(error, 13u);

  EXPECT_EQ(TestDataProtection(), 1u);
  tx::test::ScopedEnv missing("TABULONIX_MACHINE_ID_FILE", (env.Root() / "none").string());
  EXPECT_EQ(TestDataProtection(), 0u);
}

TEST_F(MachineSchemeTest, GetFtpPasswordReportsFailureOnce) {
  std::string plain;
  std::vector<uint8_t> empty;
  EXPECT_FALSE(GetFtpPassword(env.Svc, MachinePasswordSchemeId, empty, plain));
  EXPECT_THAT(env.Sink.TextsFor(StatusCode::StatusLine),
              testing::ElementsAre("Decrypting FTP password", "Setup required: FTP Password"));
  ASSERT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_EQ(env.Ui.LastBox().Text,
            "Cannot decrypt the FTP Password (error code 0x00000000).\r\n\r\n"
            "Use Setup to reenter the FTP Password.");
  EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::Error);

  auto twelve = std::vector<uint8_t>(12, 0);
  EXPECT_FALSE(GetFtpPassword(env.Svc, LegacyPasswordScheme, twelve, plain));
  EXPECT_THAT(env.Ui.LastBox().Text, testing::HasSubstr("(error code 0x0000000D)"));
  EXPECT_THAT(env.LogText(), testing::HasSubstr("Cannot decrypt the FTP Password (error code 0x0000000D)"));

  EXPECT_TRUE(GetFtpPassword(env.Svc, MachinePasswordSchemeId, Protect("pw"), plain));
  EXPECT_EQ(plain, "pw");
  WipeString(plain);
  EXPECT_TRUE(plain.empty());
}

}  // namespace
