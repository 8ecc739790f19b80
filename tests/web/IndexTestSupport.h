#pragma once
// A setup, index state and context for the index operations, with the template served from
// memory and the staging directory in the test's private folder.
#include <filesystem>
#include <string>

#include "TestEnv.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "web/IndexContext.h"

namespace tx::test {

// Pins a zone with daylight saving (no tz database needed).
struct IndexTz {
  ScopedEnv tz{"TZ", std::string("EST5EDT,M3.2.0,M11.1.0")};
  IndexTz() { ResetTimeZone(); }
  ~IndexTz() { ResetTimeZone(); }
};

inline int64_t Local(int y, int m, int d, int h = 0) { return MakeLocalTime(y, m, d, h, 0, 0); }

struct IndexFixture {
  IndexTz Tz;
  TestEnv Env;
  CSetup Setup;
  CIndexState Index;
  std::string Template;
  std::vector<std::string> Fetched, Navigated;
  int Saves = 0;
  int64_t NowValue = Local(2014, 1, 10, 12);
  std::filesystem::path Staging = Env.Dir("staging");
  CIndexContext Ctx{Env.Svc, Setup, Index, {}};

  IndexFixture() {
    Setup.WebsiteUrl = "http://club.example/";
    Setup.WebsiteScoreFileDirectory = "results";
    Setup.IndexTemplateFilename = "indextemplate.htm";
    Setup.IndexFilename = "index.htm";
    Ctx.Hooks.Fetch = [this](const std::string& url, std::string& data) {
      Fetched.push_back(url);
      data = Template;
      return 1;
    };
    Ctx.Hooks.GetStagingDirectory = [this] { return Staging.string(); };
    Ctx.Hooks.SaveData = [this] {
      ++Saves;
      return true;
    };
    Ctx.Hooks.Navigate = [this](const std::string& url) { Navigated.push_back(url); };
    Ctx.Hooks.Now = [this] { return NowValue; };
  }

  CScoreFile& Add(const char* event, const char* session, const char* section, const char* dateText,
                  int64_t date, const char* path, uint32_t flags = 0, const char* handRecord = "") {
    CScoreFile& e = Setup.IndexData.emplace_back();
    e.Event = event;
    e.Session = session;
    e.Section = section;
    e.DateText = dateText;
    e.SessionDate = date;
    e.Path = path;
    e.WebPageName = path;
    e.Flags |= flags;
    e.HandRecordPath = handRecord;
    return e;
  }

  std::string Page(const std::string& name) const { return TestEnv::ReadFile(Staging / name); }
};

// LF line ends to CR LF, for writing expected pages readably.
inline std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace tx::test
