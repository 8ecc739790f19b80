#include <gtest/gtest.h>

#include "ResultsHtml.h"
#include "ScoreFile.h"
#include "TestSupport.h"
#include "Text.h"

namespace dwtest {
namespace {

struct Page {
  RunResult Run;
  std::string Html;
};

Page Convert(const TempDir& dir, const fs::path& score, std::vector<std::string> before = {},
             const std::string& name = "20140105anlma.htm") {
  std::vector<std::string> args = std::move(before);
  args.insert(args.end(), {"/quiet", "/acbl", score.string(), "/html", (dir / name).string()});
  Page p{RunInProcess(args), {}};
  p.Html = ReadFile(dir / name);
  return p;
}

dw::Identification ReadBack(const std::vector<std::string>& body) { return dw::ParseScoreText(body).Id; }

}  // namespace

TEST(ScoreFileHeader, IdentifiesLikeThePoster) {
  struct Row {
    std::vector<std::string> Lines;
    const char *Event, *Session, *Section, *Date, *Limits;
  };
  const Row rows[] = {
      {{"Club Pairs Wednesday Aft Session January 5, 2014", "Scores   Section  A  North-South"},
       "Club Pairs", "Wednesday Aft", "A", "January 5, 2014", ""},
      {{"Club Pairs Wednesday Aft Session January 5, 2014", "Section A1"}, "Club Pairs", "Wednesday Aft", "A", "January 5, 2014", ""},
      {{"Club Pairs Wednesday Aft Session January 5, 2014", "Section BB North"}, "Club Pairs", "Wednesday Aft", "BB", "January 5, 2014", ""},
      {{"Club Pairs Wednesday Aft Session January 5, 2014", "Section a"}, "Club Pairs", "Wednesday Aft", "", "January 5, 2014", ""},
      {{"Club Pairs Wednesday Aft Session January 5, 2014", "", "Section A"}, "Club Pairs", "Wednesday Aft", "", "January 5, 2014", ""},
      {{"Early Birds Wednesday Mor Session May 1, 2024", "Section A"}, "Early Birds", "Wednesday Morn", "A", "May 1, 2024", ""},
      {{"EVENT&gt;Open Pairs|SESSION&gt;Monday Evening|SECTION&gt;B|DATE&gt;Mar 3, 2014|MP LIMITS&gt;nlm"},
       "Open Pairs", "Monday Evening", "B", "Mar 3, 2014", "nlm"},
      // Once a key is found a session header line is only text.
      {{"MP LIMITS>750", "Club Pairs Wednesday Aft Session January 5, 2014", "EVENT>Late|SESSION>Monday Eve|SECTION>C|DATE>x"},
       "Late", "Monday Eve", "C", "x", "750"},
  };
  for (const Row& r : rows) {
    const dw::Identification id = dw::ParseScoreText(r.Lines).Id;
    EXPECT_EQ(id.Event, r.Event) << r.Lines[0];
    EXPECT_EQ(id.Session, r.Session) << r.Lines[0];
    EXPECT_EQ(id.Section, r.Section) << r.Lines[0];
    EXPECT_EQ(id.DateText, r.Date) << r.Lines[0];
    EXPECT_EQ(id.Limits, r.Limits) << r.Lines[0];
  }
}

TEST(ResultsPage, BodyCarriesTheHeaderKeysAndTheRankings) {
  TempDir dir;
  const Page p = Convert(dir, Fixture("251105A.txt"));
  ASSERT_EQ(p.Run.Code, 0) << p.Run.Err;
  int bodyOpen = 0, bodyClose = 0;
  for (const std::string& line : Lines(p.Html)) {
    bodyOpen += dw::Lower(line).rfind("<body", 0) == 0;
    bodyClose += dw::Lower(line).rfind("</body", 0) == 0;
  }
  EXPECT_EQ(bodyOpen, 1);
  EXPECT_EQ(bodyClose, 1);
  const std::vector<std::string> body = BodyLines(p.Html);
  ASSERT_FALSE(body.empty());
  EXPECT_EQ(body[0],
            "<!-- EVENT&gt;Wednesday Afternoon Pairs|SESSION&gt;Wednesday Aft|SECTION&gt;A|DATE&gt;November 5, 2025|"
            "MP LIMITS&gt;750/300/0| -->");
  const std::string all = ReadFile(Fixture("251105A.txt"));
  int pairRows = 0;
  for (const std::string& line : Lines(all)) pairRows += line.size() > 5 && line[4] >= '0' && line[4] <= '9';
  int tableRows = 0;
  for (const std::string& line : body) tableRows += line.rfind("<tr><td", 0) == 0;
  EXPECT_EQ(tableRows, pairRows);
  EXPECT_TRUE(Contains(p.Html, "<h1>Wednesday Afternoon Pairs</h1>"));
  EXPECT_TRUE(Contains(p.Html, "<meta name=\"viewport\""));
  // The poster writes the page one byte per character: nothing above U+00FF may reach it.
  for (const std::string& line : body)
    for (char32_t c : dw::ToU32(line)) ASSERT_LE(uint32_t(c), 0xFFu) << line;
}

TEST(ResultsPage, ThePosterReadsTheIdentificationBack) {
  struct Row {
    const char* File;
    const char *Event, *Session, *Section, *Date, *Limits;
  };
  const Row rows[] = {
      {"251105A.txt", "Wednesday Afternoon Pairs", "Wednesday Aft", "A", "November 5, 2025", "750/300/0"},
      {"140105A.txt", "Club Pairs", "Wednesday Aft", "A", "January 5, 2014", ""},
      // '>' survives as the entity the reader turns back; a letter above U+00FF becomes a reference.
      {"unparsed.txt", "Fish > Chips Cup &#937;", "Monday Evening", "B", "Mar 3, 2014", "nlm"},
  };
  for (const Row& r : rows) {
    TempDir dir;
    const Page p = Convert(dir, Fixture(r.File));
    ASSERT_EQ(p.Run.Code, 0) << p.Run.Err;
    const dw::Identification id = ReadBack(BodyLines(p.Html));
    EXPECT_EQ(id.Event, r.Event) << r.File;
    EXPECT_EQ(id.Session, r.Session) << r.File;
    EXPECT_EQ(id.Section, r.Section) << r.File;
    EXPECT_EQ(id.DateText, r.Date) << r.File;
    EXPECT_EQ(id.Limits, r.Limits) << r.File;
  }
}

TEST(ResultsPage, KeyValuesCannotBreakTheKeyLine) {
  dw::Identification id;
  id.Event = "Fish|Chips > Cup\x01";
  id.Session = "Caf\u00e9 Aft";  // Latin-1 letters stay as they are
  id.Section = "\u0391";         // above U+00FF: a reference
  id.DateText = "--> May 1";
  id.Limits = "nlm";
  const std::string line = dw::HeaderKeysLine(id);
  EXPECT_EQ(line, "<!-- EVENT&gt;Fish/Chips &gt; Cup|SESSION&gt;Caf\u00e9 Aft|SECTION&gt;&#913;|DATE&gt;--&gt; May 1|"
                  "MP LIMITS&gt;nlm| -->");
  const dw::Identification back = ReadBack({line});
  EXPECT_EQ(back.Event, "Fish/Chips > Cup");
  EXPECT_EQ(back.Session, "Caf\u00e9 Aft");
  EXPECT_EQ(back.DateText, "--> May 1");
}

TEST(ResultsPage, EscapesNamesAndReadsOlderCodePages) {
  TempDir dir;
  const Page p = Convert(dir, Fixture("140105A.txt"));
  ASSERT_EQ(p.Run.Code, 0) << p.Run.Err;
  EXPECT_TRUE(Contains(p.Html, "<td>Fish &amp; Chips &lt;Club&gt; - &quot;Lucky&quot; Lou</td>"));
  EXPECT_TRUE(Contains(p.Html, "<td>Ren&#233;e C&#244;t&#233; - &#211;lafur &#222;&#243;rsson</td>"));  // Windows-1252 bytes
  EXPECT_TRUE(Contains(p.Html, "Ann O&#39;Brien"));
  EXPECT_FALSE(Contains(p.Html, "<Club>"));
  EXPECT_TRUE(Contains(p.Html, "&lt;/body&gt;"));
  EXPECT_TRUE(Contains(p.Html, "<h2>Scores after 18 boards Average: 36.0 Section A North-South</h2>"));
  EXPECT_TRUE(Contains(p.Html, "<h2>Scores after 18 boards Average: 36.0 Section B North-South</h2>"));
  EXPECT_TRUE(Contains(p.Html, "<p class=\"dw-sub\">Wednesday Aft Session, January 5, 2014</p>"));
}

TEST(ResultsPage, TextThatIsNoTableStaysPreformatted) {
  TempDir dir;
  const Page p = Convert(dir, Fixture("unparsed.txt"));
  ASSERT_EQ(p.Run.Code, 0);
  EXPECT_FALSE(Contains(p.Html, "<table"));
  EXPECT_TRUE(Contains(p.Html, "<pre>This session was scored by hand.\n    1st   Smith &amp; Jones     62%\n        Tabbed  line\n</pre>"));
  EXPECT_TRUE(Contains(p.Html, "<h1>Fish &gt; Chips Cup &#937;</h1>"));
}

TEST(ResultsPage, SortOrdersRowsByRank) {
  TempDir dir;
  WriteFile(dir / "s.txt",
            "Club Pairs Monday Eve Session May 4, 2020\n"
            " Pair    Pct   Rank   Players\n"
            "    1  40.00   3      Ann - Bob\n"
            "    2  60.00   1      Cid - Dot\n"
            "    3  50.00   2      Eve - Fay\n");
  auto order = [&](const std::string& html) {
    std::string names;
    for (const std::string& line : BodyLines(html))
      if (line.rfind("<tr><td", 0) == 0) names += line.substr(line.rfind("<td>") + 4, 3);
    return names;
  };
  EXPECT_EQ(order(Convert(dir, dir / "s.txt").Html), "AnnCidEve");
  EXPECT_EQ(order(Convert(dir, dir / "s.txt", {"/sort"}).Html), "CidEveAnn");
}

TEST(ResultsPage, ExternalStylesheetGoesIntoTheFilesFolder) {
  TempDir dir;
  const Page p = Convert(dir, Fixture("251105A.txt"),
                         {Fixture("251105A.pbn").string(), "/layout", Fixture("layout-external.pbn").string()},
                         "Club page.htm");
  ASSERT_EQ(p.Run.Code, 0) << p.Run.Err;
  EXPECT_TRUE(fs::is_regular_file(dir / "Club page_files" / "dealwright.css"));
  EXPECT_TRUE(Contains(ReadFile(dir / "Club page_files" / "dealwright.css"), "@media (max-width:600px)"));
  std::string body;
  for (const std::string& line : BodyLines(p.Html)) body += line + "\n";
  EXPECT_TRUE(Contains(body, "<link rel=\"stylesheet\" href=\"Club%20page_files/dealwright.css\">"));
  EXPECT_FALSE(Contains(body, "<style>"));
  EXPECT_TRUE(Contains(body, "<div class=\"dw-deal\" id=\"board26\">"));  // the layout asks for the deals
  EXPECT_TRUE(Contains(body, "&#9824;"));

  TempDir plain;
  const Page q = Convert(plain, Fixture("251105A.txt"), {Fixture("251105A.pbn").string()});
  ASSERT_EQ(q.Run.Code, 0);
  EXPECT_FALSE(fs::exists(plain / "20140105anlma_files"));
  std::string qbody;
  for (const std::string& line : BodyLines(q.Html)) qbody += line + "\n";
  EXPECT_TRUE(Contains(qbody, "<style>"));  // inside the body, so it survives the merge
  EXPECT_FALSE(Contains(qbody, "dw-deal\""));
}

TEST(ResultsPage, UnusableScoreFilesFailWithoutWritingAPage) {
  TempDir dir;
  WriteFile(dir / "empty.txt", " \r\n\r\n");
  WriteFile(dir / "game.acm", std::string("ACBL\0\0\x01\x02", 8) + std::string(600, 'x'));
  struct Row {
    fs::path Score;
    const char* Says;
  };
  const Row rows[] = {
      {dir / "missing.txt", "Cannot find the score file"},
      {dir.Path(), "is a folder"},
      {dir / "empty.txt", "is empty"},
      {dir / "game.acm", "not a text score file"},
  };
  for (const Row& r : rows) {
    const Page p = Convert(dir, r.Score);
    EXPECT_EQ(p.Run.Code, 2) << r.Says;
    EXPECT_TRUE(Contains(p.Run.Err, r.Says)) << p.Run.Err;
    EXPECT_FALSE(fs::exists(dir / "20140105anlma.htm"));
  }
}

TEST(ResultsPage, BadLayoutsFailWithTheLayoutCode) {
  TempDir dir;
  WriteFile(dir / "bad.pbn", "[Stylesheet \"sideways\"]\n");
  WriteFile(dir / "odd.pbn", "[Board \"1\"]\n[Colour \"blue\"]\nnot a setting\n");
  Page p = Convert(dir, Fixture("251105A.txt"), {"/layout", (dir / "bad.pbn").string()});
  EXPECT_EQ(p.Run.Code, 4);
  EXPECT_TRUE(Contains(p.Run.Err, "\"sideways\" is not a value for stylesheet")) << p.Run.Err;
  p = Convert(dir, Fixture("251105A.txt"), {"/layout", (dir / "none.pbn").string()});
  EXPECT_EQ(p.Run.Code, 4);
  // Settings it does not know are reported and passed over.
  p = Convert(dir, Fixture("251105A.txt"), {"/layout", (dir / "odd.pbn").string()});
  EXPECT_EQ(p.Run.Code, 0);
  EXPECT_TRUE(Contains(p.Run.Err, "colour is not known")) << p.Run.Err;
}

}  // namespace dwtest
