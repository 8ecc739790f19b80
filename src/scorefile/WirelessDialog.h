#pragma once
// The logic of the dialog shown when the wireless scoring database cannot be read: Browse,
// the "Do Not Show This Message Again" box, Try Again and Omit Data. Front ends render it and
// feed the user's actions back into it.
#include <cstdint>
#include <functional>
#include <string>

namespace tx {

class CScoreFile;
class IUi;
struct CSetup;
struct Services;

class CWirelessDialogModel {
 public:
  // saveData makes the setup change permanent at once (the application's SaveData).
  CWirelessDialogModel(CSetup& setup, std::function<void()> saveData)
      : setup_(setup), saveData_(std::move(saveData)) {}

  int32_t ErrorCode = 0;  // an HRESULT
  std::string Message;
  std::string Path;       // the database path the dialog holds
  bool DoNotShow = false; // state of the check box

  static constexpr int32_t FileNotFoundCode = int32_t(0x80070002u);
  // A missing file is a warning; any other failure an error.
  bool IsWarning() const { return ErrorCode == FileNotFoundCode; }

  // Browse...: an open-file dialog at Path; on OK the chosen file replaces Path. True then.
  bool Browse(IUi& ui);
  // Every click on the check box clears AlertNoBws and saves at once; the dialog stays open.
  void ClickDoNotShow();
  // Try Again with the path as edited in the box.
  void TryAgain(const std::string& editedPath) { Path = editedPath; }

 private:
  CSetup& setup_;
  std::function<void()> saveData_;
};

// Reads the record's wireless database (GetBwsPath) with ReadWholeFile; while that fails and
// AlertNoBws is set, asks through the dialog and reads again from its path on Try Again.
// Returns 0 with data and size set, or the last failure's code (Omit Data or no alert).
int32_t ReadWirelessDatabase(CScoreFile& record, Services& services, CSetup& setup,
                             const std::function<void()>& saveData, const uint8_t*& data,
                             uint64_t& size, std::string& path);

}  // namespace tx
