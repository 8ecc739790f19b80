#include "store/DataProtection.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <sodium.h>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Environment.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"

namespace tx {

namespace {
namespace fs = std::filesystem;

constexpr std::string_view Magic = "TXP1";
constexpr const char* SecretFileName = "MachineSecret.bin";
constexpr size_t SecretSize = 32;

bool SodiumReady() {
  static const bool ok = sodium_init() >= 0;
  return ok;
}

uint32_t ReadMachineId(std::string& id) {
  auto path = GetEnvironmentVariable("TABULONIX_MACHINE_ID_FILE");
  std::vector<fs::path> candidates;
  if (path && !path->empty()) {
    candidates.push_back(*path);
  } else {
    candidates = {"/etc/machine-id", "/var/lib/dbus/machine-id"};
  }
  uint32_t rc = err::FileNotFound;
  for (const auto& p : candidates) {
    rc = ReadWholeFile(p, id, 4096);
    if (rc == 0) {
      while (!id.empty() && (id.back() == '\n' || id.back() == '\r' || id.back() == ' ')) id.pop_back();
      if (id.empty()) return err::InvalidData;
      return 0;
    }
  }
  return rc;
}

// The secret is made once, readable by its owner only, and published under its final name
// with a hard link so that two processes never end up with different secrets.
uint32_t LoadOrCreateSecret(bool create, std::string& secret) {
  uint32_t rc = 0;
  fs::path folder = GetCommonProgramFolder(create, &rc);
  if (folder.empty()) return rc ? rc : err::PathNotFound;
  fs::path file = folder / SecretFileName;
  rc = ReadWholeFile(file, secret, 4096);
  if (rc == 0) return secret.size() == SecretSize ? 0 : err::InvalidData;
  if (rc != err::FileNotFound || !create) return rc;

  fs::path temp;
  rc = CreateUniqueFile(folder, "MachineSecret", ".tmp", temp);
  if (rc) return rc;
  std::error_code ec;
  fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
  std::array<uint8_t, SecretSize> bytes;
  randombytes_buf(bytes.data(), bytes.size());
  std::string fresh(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  sodium_memzero(bytes.data(), bytes.size());
  if (!ec) rc = WriteFileAtomically(temp, fresh);
  if (!ec && rc == 0) fs::create_hard_link(temp, file, ec);
  fs::remove(temp);
  sodium_memzero(fresh.data(), fresh.size());
  if (rc) return rc;
  // Lost a race with another process: use the secret it published.
  rc = ReadWholeFile(file, secret, 4096);
  if (rc) return rc;
  return secret.size() == SecretSize ? 0 : err::InvalidData;
}

uint32_t DeriveKey(bool create, std::span<const uint8_t> entropy,
                   std::array<uint8_t, crypto_aead_xchacha20poly1305_ietf_KEYBYTES>& key) {
  if (!SodiumReady()) return err::InvalidFunction;
  std::string id, secret;
  uint32_t rc = ReadMachineId(id);
  if (rc == 0) rc = LoadOrCreateSecret(create, secret);
  if (rc == 0) {
    crypto_generichash_state st;
    static constexpr std::string_view Label = "Tabulonix machine protection 1";
    crypto_generichash_init(&st, nullptr, 0, key.size());
    crypto_generichash_update(&st, reinterpret_cast<const uint8_t*>(Label.data()), Label.size());
    uint8_t len = uint8_t(std::min<size_t>(id.size(), 255));
    crypto_generichash_update(&st, &len, 1);
    crypto_generichash_update(&st, reinterpret_cast<const uint8_t*>(id.data()), len);
    crypto_generichash_update(&st, reinterpret_cast<const uint8_t*>(secret.data()), secret.size());
    crypto_generichash_update(&st, entropy.data(), entropy.size());
    crypto_generichash_final(&st, key.data(), key.size());
    sodium_memzero(&st, sizeof st);
  }
  sodium_memzero(secret.data(), secret.size());
  // A missing machine identity or secret at unprotect time means the block is not ours.
  if (rc == err::FileNotFound && !create) rc = err::InvalidData;
  return rc;
}
}  // namespace

uint32_t ProtectData(std::span<const uint8_t> data, std::span<const uint8_t> entropy,
                     std::vector<uint8_t>& out) {
  out.clear();
  std::array<uint8_t, crypto_aead_xchacha20poly1305_ietf_KEYBYTES> key;
  uint32_t rc = DeriveKey(true, entropy, key);
  if (rc) return rc;
  constexpr size_t N = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
  out.resize(Magic.size() + N + data.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES);
  std::copy(Magic.begin(), Magic.end(), out.begin());
  uint8_t* nonce = out.data() + Magic.size();
  randombytes_buf(nonce, N);
  unsigned long long clen = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + N, &clen, data.data(), data.size(),
                                             out.data(), Magic.size(), nullptr, nonce, key.data());
  sodium_memzero(key.data(), key.size());
  out.resize(Magic.size() + N + clen);
  return 0;
}

uint32_t UnprotectData(std::span<const uint8_t> block, std::span<const uint8_t> entropy,
                       std::vector<uint8_t>& out) {
  out.clear();
  constexpr size_t N = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
  constexpr size_t A = crypto_aead_xchacha20poly1305_ietf_ABYTES;
  if (block.size() < Magic.size() + N + A ||
      !std::equal(Magic.begin(), Magic.end(), block.begin()))
    return err::InvalidData;
  std::array<uint8_t, crypto_aead_xchacha20poly1305_ietf_KEYBYTES> key;
  uint32_t rc = DeriveKey(false, entropy, key);
  if (rc) return rc;
  const uint8_t* nonce = block.data() + Magic.size();
  const uint8_t* cipher = nonce + N;
  size_t clen = block.size() - Magic.size() - N;
  out.resize(clen - A);
  unsigned long long mlen = 0;
  int bad = crypto_aead_xchacha20poly1305_ietf_decrypt(out.data(), &mlen, nullptr, cipher, clen,
                                                       block.data(), Magic.size(), nonce, key.data());
  sodium_memzero(key.data(), key.size());
  if (bad) {
    sodium_memzero(out.data(), out.size());
    out.clear();
    return err::InvalidData;
  }
  out.resize(mlen);
  return 0;
}

}  // namespace tx
