// SaveData of an upload history of 100,000 records (safe replacement of ProgramData.bin) and
// LoadAppData of it at start-up; prints both times and the file size.
//   bench_appdata [RECORDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/AppData.h"
#include "log/Logfile.h"
#include "platform/Environment.h"
#include "platform/Profile.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"
#include "store/Sha256.h"

namespace {

tx::CScoreFile Sample(int i) {
  char day[16];
  std::snprintf(day, sizeof day, "%02d%02d%02d", 10 + i % 15, 1 + i % 12, 1 + i % 28);
  tx::CScoreFile r;
  r.Hash = tx::CSha256::Digest("record " + std::to_string(i));
  r.Path = std::string("C:\\ACBLSCOR\\GAMEFILE\\") + day + "A.txt";
  r.HandRecordPath = std::string("C:\\Hands\\") + day + "A.pbn";
  r.Flags = tx::CScoreFile::LocalFile | tx::CScoreFile::HandRecordUploaded;
  r.Size = 20000 + i;
  r.Modified = 1388953000 + int64_t(i) * 3600;
  r.Posted = r.Modified + 600;
  r.WebPageName = std::string("20") + day + "anlma.htm";
  r.InsertNumber = i % 3;
  r.Event = "Club Championship Pairs";
  r.Session = "Wednesday Aft";
  r.Section = "A";
  r.DateText = "January 5, 2014";
  r.Limits = "750/300/0";
  return r;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("tx-bench-appdata-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(root);
  tx::SetEnvironmentVariable("TABULONIX_COMMON_DATA", root.string());

  tx::CProfile profile(root / "settings.ini");
  tx::CLogfile log(root);
  tx::CStatusChannel status;
  tx::CRecordingUi ui;
  tx::Services svc{log, status, ui, profile};

  tx::AppData data;
  for (int i = 0; i < records; ++i) data.History.Add(Sample(i));

  auto t0 = std::chrono::steady_clock::now();
  const bool saved = tx::SaveData(svc, data);
  const double save = Seconds(t0);

  tx::AppData loaded;
  t0 = std::chrono::steady_clock::now();
  tx::LoadAppData(svc, loaded);
  const double load = Seconds(t0);

  uint32_t error = 0;
  const uint64_t size = fs::file_size(tx::GetAppDataPath(false, error));
  std::printf("records %d, file %.1f MB\n", records, size / 1e6);
  std::printf("SaveData    %.3f s%s\n", save, saved ? "" : " (FAILED)");
  std::printf("LoadAppData %.3f s, %zu records\n", load, loaded.History.GetCount());
  fs::remove_all(root);
  return saved && loaded.History.GetCount() == size_t(records) ? 0 : 1;
}
