#include "scorefile/WirelessDialog.h"

#include "platform/Errors.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/Ui.h"

namespace tx {

bool CWirelessDialogModel::Browse(IUi& ui) {
  FileDialogRequest request;
  request.Title = "Open Wireless Scoring System Database";
  request.InitialName = Path;
  request.Filter = "Wireless Databases (*.bws)|*.bws|All Files (*.*)|*.*||";
  FileDialogResult answer = ui.AskOpenFiles(request);
  if (!answer.Ok || answer.Paths.empty()) return false;
  Path = answer.Paths.front();
  return true;
}

void CWirelessDialogModel::ClickDoNotShow() {
  DoNotShow = !DoNotShow;
  setup_.SetFlag(setupflag::AlertNoBws, false);
  if (saveData_) saveData_();
}

int32_t ReadWirelessDatabase(CScoreFile& record, Services& services, CSetup& setup,
                             const std::function<void()>& saveData, const uint8_t*& data,
                             uint64_t& size, std::string& path) {
  path = record.GetBwsPath();
  int32_t code = record.ReadWholeFile(path, data, size);
  while (code != 0 && setup.AlertNoBws()) {
    CWirelessDialogModel model(setup, saveData);
    model.ErrorCode = code;
    model.Message = "Unable to open wireless scoring system database: " + GetErrorText((uint32_t(code) >> 16) == 0x8007 ? uint32_t(code) & 0xFFFF : uint32_t(code));
    model.Path = path;
    if (services.Ui.WirelessDatabase(model) != WirelessAnswer::TryAgain) break;
    path = model.Path;
    code = record.ReadWholeFile(path, data, size);
  }
  return code;
}

}  // namespace tx
