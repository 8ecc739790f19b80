#pragma once
// Setup's values while the user edits them, and the OK step that applies them to the setup
// record: one logfile line per change, BridgeWebs mode worked out again, a new password
// protected, and a save when anything changed. Both front ends drive it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scorefile/Setup.h"

namespace tx {

struct Services;

struct CSetupApplyHooks {
  // Protects text; false on failure with error 0 when the system gave no code.
  std::function<bool(const std::string& text, std::vector<uint8_t>& block, uint32_t& error)> Encrypt;
  uint32_t MachinePasswordScheme = 0;
  // Makes the change permanent.
  std::function<bool()> SaveData;
  // Clears the flag that a local index exists (after the Website URL changed).
  std::function<void()> ClearIndexCreated;
};

class CSetupModel {
 public:
  static constexpr const char* StoredPasswordText = "************";

  // Fills the sheet's copies from the record; PostFilesModifiedAfter 0 shows as now.
  explicit CSetupModel(const CSetup& setup, int64_t now);
  ~CSetupModel();

  CSetup Values;         // the sheet's copies (flags included)
  std::string Password;  // the password box's text
  const std::string& PasswordStart() const { return passwordStart_; }

  // Sets a field or flag by its name in the setup record ("FtpUser", "PassiveFtp", ...).
  // Times are "YYYY-MM-DD HH:MM:SS" (or "YYYY-MM-DD") local time, or 0; flags 0/1. false with
  // error text for an unknown name or a bad value.
  bool SetByName(const std::string& name, const std::string& value, std::string& error);
  // The names SetByName accepts, in the order of the sheet.
  static std::vector<std::string> FieldNames();
  // A field's value as SetByName reads it; empty for an unknown name.
  static std::string GetByName(const CSetup& setup, const std::string& name);

  // The OK step; returns the number of changes counted. Wipes the password text.
  int Apply(Services& svc, CSetup& setup, const CSetupApplyHooks& hooks);

 private:
  std::string passwordStart_;
};

}  // namespace tx
