#pragma once
// Reporting a failed step once: an operation line, an error line and a message box. Operation
// names have the form "Class::Method" or, for a failing call, "Class::Method: Callee".
#include <cstdint>
#include <string_view>

#include "status/Ui.h"

namespace tx {

struct Services;
class CException;

// "Operation=[%s]\n".
void LogOperation(Services& services, std::string_view operation);
// Operation line, last status line, "Error(%d)=[%s]\n" and a message box with the error icon
// showing the code's text.
void ReportSystemError(Services& services, uint32_t code, std::string_view operation);
// Operation line, last status and exception lines, then the exception's own message in a
// plain OK box (warning icon); returns the box's answer.
MbAnswer ReportException(Services& services, const CException& e, std::string_view operation);
// Logs the box's text ("Message Box=") and then asks the front end.
MbAnswer ShowMessage(Services& services, std::string_view text, MbIcon icon,
                     MbButtons buttons = MbButtons::Ok, int defaultButton = 0);

}  // namespace tx
