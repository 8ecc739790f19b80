#pragma once
// Protection of the stored FTP password. Scheme 1 is this computer's data protection and the
// only one new passwords get; scheme 0 is the legacy Blowfish block, only ever decrypted.
// Plain passwords are UTF-8 in local strings and are wiped with WipeString after use.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tx {

struct Services;
class CStatusChannel;

constexpr uint32_t LegacyPasswordScheme = 0;
constexpr uint32_t MachinePasswordSchemeId = 1;

// The program's fixed 128-byte value: entropy of scheme 1 and key of scheme 0.
extern const std::array<uint8_t, 128> PasswordEntropy;

// Overwrites every byte with zero and leaves the string empty.
void WipeString(std::string& text);

// Replaces block with the protected password. False on failure with error set (0 when the
// scheme cannot protect, as for scheme 0; 13 for an unknown scheme); the block is then empty.
bool Encrypt(std::string_view plain, uint32_t scheme, std::vector<uint8_t>& block, uint32_t& error);

// Recovers the password. False on failure with error telling why (0 for an empty block, after
// "Setup required: FTP Password" went to the status line when status is given).
bool Decrypt(std::span<const uint8_t> block, uint32_t scheme, std::string& plain, uint32_t& error,
             CStatusChannel* status = nullptr);

// Decrypt for a login or form post: status "Decrypting FTP password", and on failure the
// logged error box "Cannot decrypt the FTP Password (error code 0x%08X)...". A pending cancel
// returns false at once without a message.
bool GetFtpPassword(Services& services, uint32_t scheme, std::span<const uint8_t> block,
                    std::string& plain);

// Start-up check of the data protection: the scheme new passwords get on this computer
// (1 when it works, else 0).
uint32_t TestDataProtection();

// Legacy scheme 0 in the encrypting direction, for tests and fixtures: pads the text to whole
// blocks whose last byte counts the text bytes of the last block.
std::vector<uint8_t> MakeLegacyBlock(std::string_view ansiText);

}  // namespace tx
