#include "status/Report.h"

#include <fmt/printf.h>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "status/Services.h"
#include "status/StatusChannel.h"

namespace tx {

void LogOperation(Services& services, std::string_view operation) {
  services.Log.Printf("Operation=[%s]\n", operation);
}

void ReportSystemError(Services& services, uint32_t code, std::string_view operation) {
  LogOperation(services, operation);
  services.Log.LogLastStatus();
  const std::string text = GetErrorText(code);
  services.Log.Printf("Error(%d)=[%s]\n", int32_t(code), text);
  // The error line already holds the text; the box is not logged a second time.
  services.Ui.MessageBox(text, MbIcon::Error, MbButtons::Ok, 0);
}

MbAnswer ReportException(Services& services, const CException& e, std::string_view operation) {
  LogOperation(services, operation);
  services.Log.LogException(e);
  std::string text;
  try {
    text = TrimErrorText(e.Message());
  } catch (...) {
    text.clear();
  }
  if (text.empty()) text = "No error message is available.";
  return services.Ui.MessageBox(text, MbIcon::Warning, MbButtons::Ok, 0);
}

MbAnswer ShowMessage(Services& services, std::string_view text, MbIcon icon, MbButtons buttons,
                     int defaultButton) {
  services.Log.LogMessageBox(text);
  return services.Ui.MessageBox(std::string(text), icon, buttons, defaultButton);
}

}  // namespace tx
