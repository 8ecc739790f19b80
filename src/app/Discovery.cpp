#include "app/Discovery.h"

#include <chrono>
#include <filesystem>
#include <fmt/printf.h>
#include <memory>
#include <system_error>

#include "platform/AsciiText.h"
#include "log/Logfile.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"
#include "web/ColScoreFile.h"

namespace tx {

namespace fs = std::filesystem;

namespace {

constexpr const char* GameExtensions[4] = {".acm", ".aca", ".ace", ".acl"};

bool IsGameExtension(std::string_view extension) {
  for (const char* e : GameExtensions)
    if (EqualNoCase(extension, e)) return true;
  return false;
}

int64_t Seconds(fs::file_time_type t) {
  using namespace std::chrono;
  return duration_cast<seconds>(file_clock::to_sys(t).time_since_epoch()).count();
}

}  // namespace

OperationResult FindNewScoreFiles(Services& services, const CSetup& setup, CSFPtrArray& list,
                                  PostMode mode, CColScoreFile& history) {
  if (setup.ScoreFileDirectory.empty()) {
    services.Status.SendStatus("Setup required: Computer: Score File Directory");
    return OperationResult::ResultNone;
  }
  const bool bridgeWebs = setup.IsBridgeWebs();
  std::error_code ec;
  for (fs::directory_iterator it(setup.ScoreFileDirectory, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    std::string extension = entry.path().extension().string();
    if (bridgeWebs ? !IsGameExtension(extension) : !EqualNoCase(extension, ".txt")) continue;
    std::error_code ec2;
    if (!entry.is_regular_file(ec2)) continue;
    // Only files newer than the cut-off are opened: a large directory stays fast.
    auto mtime = entry.last_write_time(ec2);
    if (ec2 || Seconds(mtime) <= setup.PostFilesModifiedAfter) continue;

    auto record = std::make_unique<CScoreFile>();
    if (!record->Open(services, entry.path().string(), nullptr, false, bridgeWebs)) continue;
    if (record->Modified <= setup.PostFilesModifiedAfter) continue;
    if (!record->Parse(services, true)) continue;
    if (mode == PostMode::Repost) {
      record->SetSelected(false);
    } else if (history.Lookup(*record)) {
      continue;
    }
    record->Close(false);
    list.push_back(std::move(record));
  }
  return OperationResult::ResultSucceeded;
}

OperationResult OpenScoreFilesForPosting(Services& services, const CSetup& setup, CSFPtrArray& list) {
  const bool bridgeWebs = setup.IsBridgeWebs();
  FileDialogRequest request;
  request.Title = "Open Score Files For Posting";
  request.InitialFolder = setup.ScoreFileDirectory;
  request.MultiSelect = true;
  request.Filter = std::string(bridgeWebs ? "ACBLscore Files (*.acm;*.aca;*.ace;*.acl)|*.acm;*.aca;*.ace;*.acl"
                                          : "Text Files (*.txt)|*.txt") +
                   "|All Files (*.*)|*.*||";
  FileDialogResult answer = services.Ui.AskOpenFiles(request);
  if (!answer.Ok) return OperationResult::ResultCanceled;
  for (const std::string& path : answer.Paths) {
    auto record = std::make_unique<CScoreFile>();
    if (record->Open(services, path, nullptr, false, bridgeWebs)) record->Parse(services, true);
    list.push_back(std::move(record));
  }
  return OperationResult::ResultSucceeded;
}

PostAnyway AskPostAnyway(Services& services, const CScoreFile& record, std::string message,
                         bool& askBeforePosting, int64_t now) {
  if (!askBeforePosting) return PostAnyway::Post;
  if (now == 0) now = Now();
  if (message.empty() && now - record.Modified > FourHours)
    message = fmt::sprintf("A score file is more than four hours old.\r\n\r\n%s: Last modified: %s",
                           record.Path, record.GetModifiedText());
  if (message.empty()) return PostAnyway::Post;
  message +=
      "\r\n\r\nPost this file anyway?\r\n\r\nPress Yes to post this file\r\nPress No to skip this "
      "file\r\nPress Cancel to cancel posting";
  services.Log.LogMessageBox(message);
  PostAnywayAnswer answer = services.Ui.AskPostAnyway(message);
  switch (answer) {
    case PostAnywayAnswer::Yes:
      services.Log.Printf("Press=[%s]\n", "Yes");
      return PostAnyway::Post;
    case PostAnywayAnswer::YesToAll:
      services.Log.Printf("Press=[%s]\n", "Yes to All");
      askBeforePosting = false;
      return PostAnyway::Post;
    case PostAnywayAnswer::No:
      services.Log.Printf("Press=[%s]\n", "No");
      return PostAnyway::Skip;
    case PostAnywayAnswer::Cancel:
      services.Log.Printf("Press=[%s]\n", "Cancel");
      return PostAnyway::Cancel;
  }
  services.Log.Printf("Press=[%s]\n", fmt::sprintf("%d", int(answer)));
  return PostAnyway::Skip;
}

}  // namespace tx
