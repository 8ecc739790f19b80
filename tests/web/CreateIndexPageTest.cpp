#include "web/CreateIndexPage.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IndexTestSupport.h"
#include "platform/Errors.h"

using namespace tx;
using namespace tx::test;
namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

constexpr uint32_t Pdf = CScoreFile::PdfUploaded;
constexpr uint32_t Hand = CScoreFile::HandRecordUploaded;

const char* const kTemplate = "<html>\r\n<body>\n<table>\n  <!--tabulonix:index-->  \n</table>\n</body>\n</html>";

std::string Wrap(const std::string& body) {
  return Crlf("<html>\n<body>\n<table>\n  <!--tabulonix:index-->  \n" + body +
              "<!--tabulonix:indexend-->\n</table>\n</body>\n</html>\n");
}

// Two years of results, now Friday 10 January 2014 at noon.
void AddGoldenEntries(IndexFixture& f) {
  f.Setup.SetFlag(setupflag::MultiPageIndex | setupflag::LinkPdfHandRecords | setupflag::LinkComputerHandRecords,
                  true);
  f.Setup.OldestToIndex = Local(2013, 1, 1);
  f.Add("Spring Sectional", "Friday Aft", "A", "March 15, 2013", Local(2013, 3, 15), "2013\\03\\20130315aa.htm");
  f.Add("Club Pairs", "Thursday Eve", "A", "January 9, 2014", Local(2014, 1, 9), "2014\\01\\20140109eac.htm",
        Pdf | Hand, "C:\\hands\\0109.PBN");
  f.Add("Open Pairs", "Tuesday Aft", "B", "January 7, 2014", Local(2014, 1, 7), "2014\\01\\20140107anlb.htm");
  f.Add("Open Pairs", "Tuesday Aft", "a", "January 7, 2014", Local(2014, 1, 7), "2014\\01\\20140107anla.htm", Pdf);
  f.Add("Swiss", "Saturday Morn", "A", "January 4, 2014", Local(2014, 1, 4), "2014\\01\\20140104mnla.htm");
  f.Add("", "Friday Aft", "C", "January 3, 2014", Local(2014, 1, 3), "2014\\01\\20140103anlc.htm", Hand, "x.dup");
  f.Add("Club Pairs", "Thursday Eve", "A", "January 2, 2014", Local(2014, 1, 2), "2014\\01\\20140102eac.htm");
  f.Add("Holiday Pairs", "Friday Eve", "A", "December 20, 2013", Local(2013, 12, 20), "2013\\12\\20131220ea.htm");
  f.Add("Club Pairs", "Friday Eve", "A", "December 6, 2013", Local(2013, 12, 6), "2013\\12\\20131206ea.htm");
  f.Add("Too Old", "Friday Eve", "A", "December 28, 2012", Local(2012, 12, 28), "2012\\12\\20121228ea.htm");
  f.Add("No Date", "Friday Eve", "A", "", 0, "nodate.htm");
}

const std::string kSite = "http://club.example/results/";

std::string Row(const std::string& date, const std::string& session, const std::string& section,
                const std::string& path, const std::string& name, const std::string& links) {
  return "<tr><td>" + date + "</td><td>" + session + "</td><td>" + section + "</td><td><a href=\"" + kSite + path +
         "\">" + name + "</a></td><td>" + links + "</td></tr>\n";
}

const std::string kJan9 = Row("January 9, 2014", "Thursday Evening", "A", "2014/01/20140109eac.htm", "Club Pairs",
                              "[<a href=\"" + kSite + "2014/01/20140109eac.pdf\"><small>PDF</small></a>] [<a href=\"" +
                                  kSite +
                                  "2014/01/20140109eac.pbn\" type=\"application/octet-stream\"><small>PBN</small></a>]");
const std::string kJan7a = Row("January 7, 2014", "Tuesday Afternoon", "a", "2014/01/20140107anla.htm", "Open Pairs",
                               "[<a href=\"" + kSite + "2014/01/20140107anla.pdf\"><small>PDF</small></a>]");
const std::string kJan7b = Row("January 7, 2014", "Tuesday Afternoon", "B", "2014/01/20140107anlb.htm", "Open Pairs", "");
const std::string kJan4 = Row("January 4, 2014", "Saturday Morning", "A", "2014/01/20140104mnla.htm", "Swiss", "");
const std::string kJan3 =
    Row("January 3, 2014", "Friday Afternoon", "C", "2014/01/20140103anlc.htm", "20140103anlc.htm",
        "[<a href=\"" + kSite + "2014/01/20140103anlc.dup\" type=\"application/octet-stream\"><small>DUP</small></a>]");
const std::string kJan2 = Row("January 2, 2014", "Thursday Evening", "A", "2014/01/20140102eac.htm", "Club Pairs", "");
const std::string kDec20 =
    Row("December 20, 2013", "Friday Evening", "A", "2013/12/20131220ea.htm", "Holiday Pairs", "");
const std::string kDec6 = Row("December 6, 2013", "Friday Evening", "A", "2013/12/20131206ea.htm", "Club Pairs", "");
const std::string kMar15 =
    Row("March 15, 2013", "Friday Afternoon", "A", "2013/03/20130315aa.htm", "Spring Sectional", "");
const std::string kNewWeek = "</tbody><tbody>\n";

}  // namespace

TEST(CreateIndexPage, MultiPageGolden) {
  IndexFixture f;
  f.Template = kTemplate;
  AddGoldenEntries(f);
  // A page of an earlier index that must not survive, and an unrelated file that must.
  f.Env.WriteFile("staging/index200001.htm", "old");
  f.Env.WriteFile("staging/other.htm", "keep");

  ASSERT_EQ(CreateIndexPage(f.Ctx), 1);
  EXPECT_TRUE(f.Index.IndexCreated);
  EXPECT_THAT(f.Fetched, ElementsAre("http://club.example/indextemplate.htm"));
  std::vector<std::string> names;
  for (const CIndexPage& p : f.Index.IndexPages) names.push_back(fmt::format("{} {} {}", p.FileName, p.Year, p.Month));
  EXPECT_THAT(names, ElementsAre("index.htm 0 0", "index201401.htm 2014 1", "index201312.htm 2013 12",
                                 "index201303.htm 2013 3", "indexByMonth.htm 0 0"));
  EXPECT_FALSE(fs::exists(f.Staging / "index200001.htm"));
  EXPECT_TRUE(fs::exists(f.Staging / "other.htm"));

  // The main page: the Saturday row opens a new week after Tuesday; Friday 3 (7 days old)
  // stays with it; Thursday 2 (8 days old) gives way to the link to the older results.
  EXPECT_EQ(f.Page("index.htm"),
            Wrap("<tbody>\n" + kJan9 + kJan7a + kJan7b + kNewWeek + kJan4 + kJan3 +
                 "<tr><td><a href=\"indexByMonth.htm\"><em>Older results...</em></a></td></tr>\n</tbody>\n"));
  EXPECT_EQ(f.Page("index201401.htm"),
            Wrap("<tbody>\n" + kJan9 + kJan7a + kJan7b + kNewWeek + kJan4 + kJan3 + kJan2 + "</tbody>\n"));
  // Same weekday two weeks apart: a new week as well.
  EXPECT_EQ(f.Page("index201312.htm"), Wrap("<tbody>\n" + kDec20 + kNewWeek + kDec6 + "</tbody>\n"));
  EXPECT_EQ(f.Page("index201303.htm"), Wrap("<tbody>\n" + kMar15 + "</tbody>\n"));
  EXPECT_EQ(f.Page("indexByMonth.htm"), Wrap("<tbody>\n"
                                             "<tr><td>2014</td><td>\n"
                                             " <a href=\"index201401.htm\">Jan</a>\n"
                                             "</td></tr>\n"
                                             "</tbody><tbody>\n"
                                             "<tr><td>2013</td><td>\n"
                                             " <a href=\"index201303.htm\">Mar</a>\n"
                                             " <a href=\"index201312.htm\">Dec</a>\n"
                                             "</td></tr>\n"
                                             "</tbody>\n"));

  std::string command = "/usr/bin/python3 " + std::string(TX_SOURCE_DIR) + "/tests/web/check_html.py";
  for (const CIndexPage& p : f.Index.IndexPages) command += " '" + (f.Staging / p.FileName).string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(CreateIndexPage, SinglePageListsEverythingWithoutLinksCell) {
  IndexFixture f;
  f.Template = kTemplate;
  AddGoldenEntries(f);
  f.Setup.SetFlag(setupflag::MultiPageIndex | setupflag::LinkPdfHandRecords | setupflag::LinkComputerHandRecords,
                  false);
  ASSERT_EQ(CreateIndexPage(f.Ctx), 1);
  ASSERT_EQ(f.Index.IndexPages.size(), 1u);
  std::string page = f.Page("index.htm");
  EXPECT_EQ(page.find("Older results"), std::string::npos);
  EXPECT_EQ(page.find("<td></td>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"" + kSite + "2013/03/20130315aa.htm\">Spring Sectional</a></td></tr>\r\n</tbody>\r\n"),
            std::string::npos);
  EXPECT_EQ(page.find("Too Old"), std::string::npos);
  EXPECT_EQ(page.find("No Date"), std::string::npos);
  EXPECT_THAT(f.Env.Sink.TextsFor(StatusCode::StatusLine),
              ElementsAre("Downloading indexing template file", "Creating local index page", "Local index page created"));
}

TEST(CreateIndexPage, EmptyAndRecentOnlyIndexes) {
  for (bool multi : {false, true}) {
    IndexFixture f;
    f.Template = kTemplate;
    f.Setup.SetFlag(setupflag::MultiPageIndex, multi);
    ASSERT_EQ(CreateIndexPage(f.Ctx), 1);
    ASSERT_EQ(f.Index.IndexPages.size(), 1u) << multi;
    EXPECT_EQ(f.Page("index.htm"), Wrap("<tbody>\n</tbody>\n"));
  }
  // All within the last week: no "Older results..." row, then an empty by-month page.
  IndexFixture f;
  f.Template = kTemplate;
  f.Setup.SetFlag(setupflag::MultiPageIndex, true);
  f.Add("Club Pairs", "Thursday Eve", "A", "January 9, 2014", Local(2014, 1, 9), "a.htm");
  f.Add("Club Pairs", "Friday Eve", "A", "January 3, 2014", Local(2014, 1, 3), "b.htm");
  ASSERT_EQ(CreateIndexPage(f.Ctx), 1);
  ASSERT_EQ(f.Index.IndexPages.size(), 2u);
  EXPECT_EQ(f.Index.IndexPages[1].FileName, "indexByMonth.htm");
  EXPECT_EQ(f.Page("index.htm").find("Older"), std::string::npos);
  EXPECT_EQ(f.Page("indexByMonth.htm"), Wrap("<tbody>\n</tbody>\n"));
}

TEST(CreateIndexPage, AllOlderThanAWeekListsTheNewestFirst) {
  IndexFixture f;
  f.Template = kTemplate;
  f.Setup.SetFlag(setupflag::MultiPageIndex, true);
  f.Add("One", "Friday Eve", "A", "December 20, 2013", Local(2013, 12, 20), "a.htm");
  f.Add("Two", "Friday Eve", "A", "December 13, 2013", Local(2013, 12, 13), "b.htm");
  ASSERT_EQ(CreateIndexPage(f.Ctx), 1);
  std::string main = f.Page("index.htm");
  EXPECT_NE(main.find(">One</a>"), std::string::npos);
  EXPECT_EQ(main.find(">Two</a>"), std::string::npos);
  EXPECT_NE(main.find("Older results..."), std::string::npos);
  EXPECT_EQ(f.Index.IndexPages.size(), 3u);
}

TEST(CreateIndexPage, EndMarkerRule) {
  struct Case {
    const char* name;
    std::string templ;
    std::string expected;
  } cases[] = {
      {"old table between the markers is replaced",
       "top\n<!--tabulonix:index-->\n<tr><td>old</td></tr>\n<!--tabulonix:indexend--> tail\nbottom\n",
       "top\n<!--tabulonix:index-->\n<tbody>\n</tbody>\n<!--tabulonix:indexend--> tail\nbottom\n"},
      {"text before the end marker on its line is dropped",
       "<!--tabulonix:index-->\nold<!--tabulonix:indexend-->\nbottom",
       "<!--tabulonix:index-->\n<tbody>\n</tbody>\n<!--tabulonix:indexend-->\nbottom\n"},
      {"no end marker: one is written",
       "<!--tabulonix:index-->\r\nbottom\r\n",
       "<!--tabulonix:index-->\n<tbody>\n</tbody>\n<!--tabulonix:indexend-->\nbottom\n"},
      {"a second marker is an ordinary line",
       "<!--tabulonix:index-->\n<!--tabulonix:index-->\n",
       "<!--tabulonix:index-->\n<tbody>\n</tbody>\n<!--tabulonix:indexend-->\n<!--tabulonix:index-->\n"},
      {"marker with text after it is not a marker; the next one is",
       "<!--tabulonix:index--> x\n\t<!--tabulonix:index-->\t\n",
       "<!--tabulonix:index--> x\n\t<!--tabulonix:index-->\t\n<tbody>\n</tbody>\n<!--tabulonix:indexend-->\n"},
  };
  for (const Case& c : cases) {
    IndexFixture f;
    f.Template = c.templ;
    ASSERT_EQ(CreateIndexPage(f.Ctx), 1) << c.name;
    EXPECT_EQ(f.Page("index.htm"), Crlf(c.expected)) << c.name;
  }
}

TEST(CreateIndexPage, Failures) {
  {
    IndexFixture f;
    f.Setup.WebsiteUrl.clear();
    EXPECT_EQ(CreateIndexPage(f.Ctx), 0);
    EXPECT_EQ(f.Env.Ui.LastBox().Text, "Setup required: Website URL");
  }
  {
    IndexFixture f;
    f.Setup.IndexTemplateFilename.clear();
    EXPECT_EQ(CreateIndexPage(f.Ctx), 0);
    EXPECT_EQ(f.Env.Ui.LastBox().Text, "Setup required: Website: Index Template Filename");
    EXPECT_EQ(f.Env.Ui.LastBox().Icon, MbIcon::Error);
  }
  {
    IndexFixture f;
    f.Ctx.Hooks.Fetch = [](const std::string&, std::string&) { return 0; };
    EXPECT_EQ(CreateIndexPage(f.Ctx), 0);
    EXPECT_EQ(f.Env.Ui.BoxCount(), 0u);
  }
  {
    IndexFixture f;
    f.Template = "<html>\n<!--tabulonix:index--> not alone\n</html>\n";
    EXPECT_EQ(CreateIndexPage(f.Ctx), 0);
    EXPECT_FALSE(f.Index.IndexCreated);
    EXPECT_EQ(f.Env.Ui.LastBox().Text,
              "indextemplate.htm\r\nThe index URL does not contain the required insert marker:\r\n"
              "<!--tabulonix:index-->\r\n(The marker must be on a line by itself.)");
  }
  {
    // A character a one-byte page cannot hold fails the page instead of being replaced.
    IndexFixture f;
    f.Template = kTemplate;
    f.Add("Pairs \xE2\x82\xAC", "Friday Eve", "A", "January 3, 2014", Local(2014, 1, 3), "a.htm");
    EXPECT_EQ(CreateIndexPage(f.Ctx), 0);
    EXPECT_FALSE(f.Index.IndexCreated);
    EXPECT_EQ(f.Env.Ui.BoxCount(), 1u);
  }
  {
    // The staging directory's own failure abandons the operation.
    IndexFixture f;
    f.Template = kTemplate;
    f.Ctx.Hooks.GetStagingDirectory = []() -> std::string { throw QuietAbort{}; };
    EXPECT_THROW(CreateIndexPage(f.Ctx), QuietAbort);
    EXPECT_FALSE(f.Index.IndexCreated);
  }
  {
    // A page that cannot be created: the file error's own box.
    IndexFixture f;
    f.Template = kTemplate;
    fs::create_directories(f.Staging / "index.htm");
    EXPECT_EQ(CreateIndexPage(f.Ctx), 0);
    EXPECT_EQ(f.Env.Ui.BoxCount(), 1u);
  }
}
