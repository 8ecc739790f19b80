#pragma once
// The logic of the Identify Score File dialog, shared by the front ends: the checks run on OK
// (event, session time, limit, in that order) and what View File shows.
#include <optional>
#include <string>
#include <string_view>

#include "scorefile/IdentifyValues.h"

namespace tx {

class CIdentifyModel {
 public:
  // Control ids of the dialog, used to tell the view where to put the focus.
  enum Control : int {
    SessionDateControl = 1046,
    SessionTimeControl = 1047,
    EventControl = 1048,
    FileNameControl = 1049,
    LimitControl = 1050,
    SectionControl = 1055,
    ViewFileButton = 1060,
  };
  struct Failure {
    Control Focus;
    std::string Message;
  };

  static constexpr const char* IntroText =
      "Tabulonix could not determine some or all of the parameters below.\nEnter the missing "
      "parameters and click OK to proceed.\nClick Skip to skip this file.\nClick Cancel to stop "
      "the current operation.";
  static constexpr const char* LimitHelpText =
      "Enter masterpoint limit for top stratum.\nUse \"n\" for no limit (that is, unlimited).\nUse "
      "\"nlm\" for non-life-master.";
  static constexpr const char* SessionTimeItems[4] = {"Morning", "Afternoon", "Evening", "Late"};

  explicit CIdentifyModel(CIdentifyValues& values) : values_(values) {}
  CIdentifyValues& Values() { return values_; }

  // The first check that fails, or nothing when the values may be taken (OK closes).
  std::optional<Failure> Validate() const;
  // The limit check alone: "n", "none", "nlm" (any case) or a non-zero number before any "/".
  static bool IsValidLimit(std::string_view limit);

  // View File: the contents as text (up to the first zero byte) when the dialog has them.
  std::optional<std::string> ContentsText() const;
  // The address to fetch the file from when it has no contents: "file://" + path for a local
  // file, else website URL + score file directory + path, joined as they are.
  std::string FetchAddress(const std::string& websiteUrl, const std::string& websiteScoreFileDirectory) const;

 private:
  CIdentifyValues& values_;
};

}  // namespace tx
