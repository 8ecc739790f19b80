#pragma once
// Machine-bound data protection: an opaque block that only this computer can open. The key is
// derived from the machine's identity (/etc/machine-id, or the file TABULONIX_MACHINE_ID_FILE
// names) and a random 32-byte secret kept in the common data folder, mixed with the caller's
// entropy. Blocks are authenticated: a damaged or foreign block fails with 13.
#include <cstdint>
#include <span>
#include <vector>

namespace tx {

// 0 or an error code; out receives the protected block.
uint32_t ProtectData(std::span<const uint8_t> data, std::span<const uint8_t> entropy,
                     std::vector<uint8_t>& out);
// 0 or an error code (13 for a block this computer cannot open); out receives the data.
uint32_t UnprotectData(std::span<const uint8_t> block, std::span<const uint8_t> entropy,
                       std::vector<uint8_t>& out);

}  // namespace tx
