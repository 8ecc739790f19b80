// Creates a multi-page index of 10,000 results over 20 years (240 month pages) and prints the
// time of the best of a few runs.
//   bench_create_index [ENTRIES] [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "log/Logfile.h"
#include "platform/LocalTime.h"
#include "platform/Profile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"
#include "web/CreateIndexPage.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  fs::path root = fs::temp_directory_path() / "tx-create-index-bench";
  fs::remove_all(root);
  fs::create_directories(root / "staging");

  tx::CProfile profile(root / "profile.ini");
  tx::CLogfile log(root, &profile);
  tx::CNullSink sink;
  tx::CStatusChannel status(&sink);
  tx::CRecordingUi ui;
  tx::Services svc{log, status, ui, profile};

  tx::CSetup setup;
  setup.WebsiteUrl = "http://club.example/";
  setup.WebsiteScoreFileDirectory = "results";
  setup.IndexTemplateFilename = "indextemplate.htm";
  setup.IndexFilename = "index.htm";
  setup.SetFlag(tx::setupflag::MultiPageIndex | tx::setupflag::LinkPdfHandRecords |
                    tx::setupflag::LinkComputerHandRecords,
                true);
  static const char* const months[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
  static const char* const sessions[3] = {"Monday Aft", "Wednesday Eve", "Friday Morn"};
  // 20 years, 10,000 sessions: about one every 17 hours, several sections on some days.
  const int64_t start = tx::MakeLocalTime(2005, 1, 1, 0, 0, 0);
  for (int i = 0; i < entries; ++i) {
    int64_t t = start + int64_t(i) * (20LL * 365 * 86400 / entries);
    tx::LocalTimeParts p = tx::BreakLocalTime(t);
    tx::CScoreFile& e = setup.IndexData.emplace_back();
    e.SessionDate = tx::MakeLocalTime(p.Year, p.Month, p.Day, 0, 0, 0);
    e.Event = "Club Championship Pairs";
    e.Session = sessions[i % 3];
    e.Section = std::string(1, char('A' + i % 3));
    e.DateText = std::string(months[p.Month - 1]) + " " + std::to_string(p.Day) + ", " + std::to_string(p.Year);
    e.Path = tx::FormatLocalTime(e.SessionDate, "%Y\\%m\\%Y%m%d") + "anlm" + e.Section + ".htm";
    e.WebPageName = e.Path;
    e.HandRecordPath = "C:\\Hands\\x.PBN";
    e.Flags |= tx::CScoreFile::PdfUploaded | (i % 2 ? uint32_t(tx::CScoreFile::HandRecordUploaded) : 0u);
  }
  const std::string templ =
      "<html>\n<head><title>Results</title></head>\n<body>\n<h1>Club results</h1>\n<table>\n"
      "<!--tabulonix:index-->\n<tr><td>old</td></tr>\n<!--tabulonix:indexend-->\n</table>\n</body>\n</html>\n";

  tx::CIndexState index;
  tx::CIndexContext ctx{svc, setup, index, {}};
  ctx.Hooks.Fetch = [&](const std::string&, std::string& data) {
    data = templ;
    return 1;
  };
  ctx.Hooks.GetStagingDirectory = [&] { return (root / "staging").string(); };
  ctx.Hooks.Now = [] { return tx::MakeLocalTime(2024, 12, 31, 12, 0, 0); };

  double best = 1e9;
  for (int r = 0; r < runs; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    if (!tx::CreateIndexPage(ctx)) {
      std::fprintf(stderr, "CreateIndexPage failed\n");
      return 1;
    }
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  uint64_t bytes = 0;
  for (const auto& p : index.IndexPages) bytes += fs::file_size(root / "staging" / p.FileName);
  std::printf("CreateIndexPage: %d entries, %zu pages, %.1f MB written, best of %d: %.3f s\n", entries,
              index.IndexPages.size(), bytes / 1e6, runs, best);
  fs::remove_all(root);
  return 0;
}
