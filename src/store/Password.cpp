#include "store/Password.h"

#include <algorithm>
#include <sodium.h>

#include "log/Logfile.h"
#include "platform/Encoding.h"
#include "platform/Errors.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "store/Blowfish.h"
#include "store/DataProtection.h"

namespace tx {

const std::array<uint8_t, 128> PasswordEntropy = {
    0xA5, 0x9C, 0xFC, 0x4A, 0x64, 0x9D, 0x8C, 0xFD, 0x38, 0x09, 0x8C, 0x8A, 0xBF, 0x85, 0x12, 0xE6,
    0x7A, 0x1F, 0xA9, 0x24, 0xDF, 0x84, 0x55, 0x70, 0x1D, 0x77, 0x75, 0x4C, 0xE3, 0x57, 0xE6, 0x17,
    0x43, 0xFA, 0xE9, 0x9F, 0xA9, 0x51, 0x1C, 0xDD, 0xC1, 0xFC, 0x76, 0xFA, 0x0E, 0xE8, 0xEC, 0x58,
    0xC5, 0xF8, 0x02, 0x77, 0x32, 0x5C, 0xA1, 0x97, 0x83, 0x23, 0xA1, 0x66, 0x77, 0x3B, 0xB8, 0xD9,
    0xE5, 0x9C, 0xD8, 0x8A, 0x9F, 0xE2, 0x7C, 0x5B, 0x67, 0x15, 0xE0, 0xE4, 0x04, 0x7B, 0x3E, 0xE8,
    0x9D, 0x6B, 0xF3, 0x4D, 0x4E, 0x52, 0x0A, 0xAC, 0xCF, 0xC0, 0x53, 0x42, 0x6D, 0x88, 0xAE, 0xAB,
    0x7C, 0xDC, 0xFC, 0xC6, 0xCB, 0xF1, 0x71, 0x8C, 0x20, 0x2A, 0x79, 0xD6, 0x7B, 0xB1, 0x79, 0x5D,
    0xBF, 0x2D, 0xBE, 0xFC, 0x75, 0x1A, 0x33, 0xE4, 0x23, 0x26, 0xA7, 0xF8, 0xF7, 0xE8, 0x78, 0xE7,
};

namespace {
void WipeBytes(std::vector<uint8_t>& bytes) {
  sodium_memzero(bytes.data(), bytes.size());
  bytes.clear();
}

bool DecryptLegacy(std::span<const uint8_t> block, std::string& plain, uint32_t& error) {
  if (block.size() % 8 != 0) {
    error = err::InvalidData;
    return false;
  }
  std::vector<uint8_t> copy(block.begin(), block.end());
  {
    CBlowfish cipher(PasswordEntropy);
    cipher.DecryptEcb(copy);
  }
  uint8_t n = copy.back();
  if (n > 7) {
    WipeBytes(copy);
    error = err::InvalidData;
    return false;
  }
  size_t length = (copy.size() / 8 - 1) * 8 + n;
  plain = Utf8FromWindows1252(std::string_view(reinterpret_cast<const char*>(copy.data()), length));
  WipeBytes(copy);
  return true;
}

bool DecryptMachine(std::span<const uint8_t> block, std::string& plain, uint32_t& error) {
  std::vector<uint8_t> data;
  error = UnprotectData(block, PasswordEntropy, data);
  if (error) return false;
  bool hasZero = std::find(data.begin(), data.end(), 0) != data.end();
  if (data.size() % 2 == 0 && hasZero) {
    std::u16string units(data.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
      units[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
    plain = Utf16ToUtf8(units);
    sodium_memzero(units.data(), units.size() * sizeof(char16_t));
  } else {
    plain = Utf8FromWindows1252(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  }
  WipeBytes(data);
  return true;
}
}  // namespace

void WipeString(std::string& text) {
  sodium_memzero(text.data(), text.size());
  text.clear();
}

bool Encrypt(std::string_view plain, uint32_t scheme, std::vector<uint8_t>& block, uint32_t& error) {
  error = 0;
  WipeBytes(block);
  if (scheme == LegacyPasswordScheme) return false;
  if (scheme != MachinePasswordSchemeId) {
    error = err::InvalidData;
    return false;
  }
  std::u16string units = Utf8ToUtf16(plain);
  std::vector<uint8_t> bytes(units.size() * 2);
  for (size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = uint8_t(units[i]);
    bytes[2 * i + 1] = uint8_t(units[i] >> 8);
  }
  sodium_memzero(units.data(), units.size() * sizeof(char16_t));
  error = ProtectData(bytes, PasswordEntropy, block);
  WipeBytes(bytes);
  if (error) block.clear();
  return error == 0;
}

bool Decrypt(std::span<const uint8_t> block, uint32_t scheme, std::string& plain, uint32_t& error,
             CStatusChannel* status) {
  error = 0;
  WipeString(plain);
  if (block.empty()) {
    if (status) status->SendStatus("Setup required: FTP Password");
    return false;
  }
  if (scheme == LegacyPasswordScheme) return DecryptLegacy(block, plain, error);
  if (scheme == MachinePasswordSchemeId) return DecryptMachine(block, plain, error);
  error = err::InvalidData;
  return false;
}

bool GetFtpPassword(Services& services, uint32_t scheme, std::span<const uint8_t> block,
                    std::string& plain) {
  if (!services.Status.SendStatus("Decrypting FTP password")) return false;
  uint32_t error = 0;
  if (Decrypt(block, scheme, plain, error, &services.Status)) return true;
  WipeString(plain);
  std::string text = fmt::sprintf(
      "Cannot decrypt the FTP Password (error code 0x%08X).\r\n\r\nUse Setup to reenter the FTP Password.",
      error);
  ShowMessage(services, text, MbIcon::Error);
  return false;
}

uint32_t TestDataProtection() {
  static constexpr uint8_t probe[4] = {1, 2, 3, 4};
  std::vector<uint8_t> block;
  uint32_t rc = ProtectData(probe, {}, block);
  return rc == 0 ? MachinePasswordSchemeId : LegacyPasswordScheme;
}

std::vector<uint8_t> MakeLegacyBlock(std::string_view ansiText) {
  // The text fills at most 7 bytes of the last block; its last byte holds that count.
  size_t blocks = ansiText.size() / 8 + 1;
  std::vector<uint8_t> data(blocks * 8, 0);
  std::copy(ansiText.begin(), ansiText.end(), data.begin());
  data.back() = uint8_t(ansiText.size() - (blocks - 1) * 8);
  CBlowfish cipher(PasswordEntropy);
  cipher.EncryptEcb(data);
  return data;
}

}  // namespace tx
