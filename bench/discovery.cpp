// Discovery over a large score file directory: the scan that opens only files newer than the
// cut-off, and a repost that opens, parses and digests every file, timed against sha256sum.
// Usage: bench_discovery [files=20000] [folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <string>

#include "app/Discovery.h"
#include "log/Logfile.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"
#include "web/ColScoreFile.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void SetTime(const fs::path& p, int64_t t) {
  fs::last_write_time(p, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(t))));
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
  fs::path dir = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tx-bench-discovery";
  fs::create_directories(dir);
  const int64_t base = 1500000000;
  std::string body;
  for (int line = 0; body.size() < 10000; ++line)
    body += fmt::format("{:3d}  N-S  {:5.2f}  {:4d}  Pair {} and partner  section A board {}\r\n", line,
                        line * 1.5, line * 7, line, line % 27);
  for (int i = 0; i < count; ++i) {
    fs::path p = dir / fmt::format("{:06d}A.txt", i);
    if (!fs::exists(p)) {
      std::FILE* f = std::fopen(p.c_str(), "wb");
      std::string text = fmt::format("Club Pairs {} Wednesday Aft Session January 5, 2014\r\nSection  A\r\n", i) + body;
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    SetTime(p, i < count - 10 ? base : base + 100);
  }

  tx::CProfile profile{dir / "profile.ini"};
  tx::CLogfile log{fs::path()};
  tx::CStatusChannel status;
  tx::CRecordingUi ui;
  tx::Services services{log, status, ui, profile};
  tx::CSetup setup;
  setup.ScoreFileDirectory = dir.string();
  setup.PostFilesModifiedAfter = base;
  tx::CColScoreFile history;

  tx::CSFPtrArray list;
  auto t0 = std::chrono::steady_clock::now();
  tx::FindNewScoreFiles(services, setup, list, tx::PostMode::PostNew, history);
  double scan = Seconds(std::chrono::steady_clock::now() - t0);
  std::printf("FindNewScoreFiles, %d files, %zu new: %.3f s (target < 0.2 s)\n", count, list.size(), scan);

  list.clear();
  setup.PostFilesModifiedAfter = 0;
  t0 = std::chrono::steady_clock::now();
  tx::FindNewScoreFiles(services, setup, list, tx::PostMode::Repost, history);
  double repost = Seconds(std::chrono::steady_clock::now() - t0);
  std::printf("Repost scan (open, parse, digest all %zu): %.3f s\n", list.size(), repost);
  list.clear();

  // sha256sum over the same files, started without a shell, in batches of 1000 arguments.
  t0 = std::chrono::steady_clock::now();
  for (int first = 0; first < count; first += 1000) {
    std::vector<std::string> argv2 = {"sha256sum"};
    for (int i = first; i < std::min(count, first + 1000); ++i) argv2.push_back((dir / fmt::format("{:06d}A.txt", i)).string());
    tx::ProcessOptions options;
    options.StdOutFile = "/dev/null";
    tx::CProcess process;
    if (tx::StartProcess(argv2, options, process) != 0) {
      std::printf("sha256sum could not be started\n");
      return 1;
    }
    process.Wait(-1);
  }
  double sum = Seconds(std::chrono::steady_clock::now() - t0);
  std::printf("sha256sum over the same files: %.3f s; ratio %.2f (target <= 1.5)\n", sum, repost / sum);
  return 0;
}
