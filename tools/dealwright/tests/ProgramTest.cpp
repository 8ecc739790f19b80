#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>

#include "TestSupport.h"

namespace dwtest {

TEST(Program, ReportsAVersionThePosterAccepts) {
  for (const char* sw : {"--version", "/version"}) {
    const RunResult r = RunProcess(DW_PROGRAM, {sw});
    EXPECT_EQ(r.Code, 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.Out, m, std::regex("Dealwright (\\d+)\\.(\\d+)\\.\\d+\\.\\d+\n"))) << r.Out;
    EXPECT_GE(std::stoi(m[1]) * 100 + std::stoi(m[2]), 521);
  }
}

TEST(Program, RunsThePostersCommandLine) {
  TempDir dir;
  fs::create_directory(dir / "TBm1");
  const RunResult r = RunProcess(DW_PROGRAM, {Fixture("251105A.pbn").string(), "/quiet", "/sort", "/dda", "/pdf",
                                              (dir / "TBm2.pdf").string(), "/dda", "/acbl", Fixture("251105A.txt").string(),
                                              "/html", (dir / "TBm1" / "20251105a750a.htm").string()});
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "");
  EXPECT_TRUE(fs::is_regular_file(dir / "TBm1" / "20251105a750a.htm"));
  EXPECT_EQ(ReadFile(dir / "TBm2.pdf").substr(0, 5), "%PDF-");
  const std::set<fs::path> left{fs::directory_iterator(dir / "TBm1"), fs::directory_iterator()};
  EXPECT_EQ(left.size(), 1u);  // no temporary file stays behind

  const RunResult bad = RunProcess(DW_PROGRAM, {"/quiet", "/frobnicate"});
  EXPECT_EQ(bad.Code, 1);
  EXPECT_TRUE(Contains(bad.Err, "/frobnicate"));
}

// The sample generator's files are what the poster finds in a score file folder: named
// YYMMDD plus the session letter, dated when the game ended, and convertible.
TEST(Program, SampleGamesConvert) {
  TempDir dir;
  const RunResult gen = RunProcess("/usr/bin/python3", {DW_SAMPLE_SCRIPT, dir.Path().string(), "2025-11-03", "2025-11-09",
                                                        "7", "--seed", "5", "--two-sections", "3"},
                                   {"TZ=UTC"});
  ASSERT_EQ(gen.Code, 0) << gen.Err;
  const std::regex scoreName("(\\d{6})([MAEL])(-[AB])?\\.txt");
  int scores = 0, twoSection = 0;
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    std::smatch m;
    if (entry.path().extension() == ".pbn") continue;
    ASSERT_TRUE(std::regex_match(name, m, scoreName)) << name;
    ++scores;
    twoSection += m[3].matched;
    const fs::path pbn = dir / (m[1].str() + m[2].str() + ".pbn");
    ASSERT_TRUE(fs::exists(pbn)) << name;
    // Dated on the day of its name (UTC here), after its hand records were made.
    const auto when = std::chrono::file_clock::to_sys(fs::last_write_time(entry.path()));
    const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(when)};
    const std::string ymd = m[1].str();
    EXPECT_EQ(int(day.year()) % 100, std::stoi(ymd.substr(0, 2))) << name;
    EXPECT_EQ(unsigned(day.month()), unsigned(std::stoi(ymd.substr(2, 2)))) << name;
    EXPECT_EQ(unsigned(day.day()), unsigned(std::stoi(ymd.substr(4, 2)))) << name;
    EXPECT_GT(fs::last_write_time(entry.path()), fs::last_write_time(pbn)) << name;

    const fs::path html = dir / (name + ".htm");
    const RunResult r = RunInProcess({pbn.string(), "/quiet", "/pdf", (dir / (name + ".pdf")).string(), "/acbl",
                                      entry.path().string(), "/html", html.string()});
    ASSERT_EQ(r.Code, 0) << name << ": " << r.Err;
    const std::vector<std::string> body = BodyLines(ReadFile(html));
    ASSERT_FALSE(body.empty());
    EXPECT_TRUE(std::regex_search(body[0], std::regex("MP LIMITS&gt;[a-z0-9/]+\\| -->"))) << body[0];
    EXPECT_TRUE(Contains(ReadFile(html), "<table class=\"dw-rank\">")) << name;
  }
  EXPECT_EQ(scores, 7 + twoSection / 2);
  EXPECT_GT(twoSection, 0);
}

}  // namespace dwtest
