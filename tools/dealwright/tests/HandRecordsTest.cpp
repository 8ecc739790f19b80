#include <gtest/gtest.h>

#include <regex>

#include "Failure.h"
#include "HandRecords.h"
#include "TestSupport.h"

namespace dwtest {
namespace {

dw::HandRecordSet Read(const fs::path& p) {
  std::vector<std::string> warnings;
  return dw::ReadHandRecords(p, warnings);
}

int PdfPages(const std::string& pdf) {
  const std::regex page("/Type\\s*/Page[^s]");
  return int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

const char* const kDeal = "N:AKQJ.T98.765.432 T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765";

}  // namespace

TEST(HandRecords, ReadsPbnWithCommentsInheritedTagsAndRepeats) {
  const dw::HandRecordSet set = Read(Fixture("sample.pbn"));
  EXPECT_EQ(set.Event, "Club Pairs");
  EXPECT_EQ(set.Date, "2014.01.05");
  ASSERT_EQ(set.Deals.size(), 4u);  // board 4 is given twice with the same deal
  for (int i = 0; i < 4; ++i) EXPECT_EQ(set.Deals[size_t(i)].Board, i + 1);
  const dw::Deal& b1 = set.Deals[0];
  EXPECT_EQ(dw::SuitText(b1.Hands[0], 0), "J843");
  EXPECT_EQ(dw::SuitText(b1.Hands[3], 3), "K873");
  ASSERT_TRUE(b1.DoubleDummy);
  EXPECT_EQ((*b1.DoubleDummy)[size_t(dw::Seat::North)][0], 7);
  EXPECT_EQ((*b1.DoubleDummy)[size_t(dw::Seat::West)][4], 8);
  const dw::Deal& b2 = set.Deals[1];  // given from East; North was left for the reader to complete
  EXPECT_EQ(b2.Dealer, dw::Seat::East);
  EXPECT_EQ(b2.Vul, dw::Vulnerability::NorthSouth);
  EXPECT_EQ(dw::SuitText(b2.Hands[1], 0), "QJ653");
  EXPECT_EQ(b2.Hands[0].size(), 13u);
  EXPECT_EQ(dw::SuitText(b2.Hands[3], 0), "");  // West's void
  EXPECT_EQ(dw::SuitText(set.Deals[2].Hands[0], 0), "AKQJT98765432");
  EXPECT_EQ(set.Deals[3].Vul, dw::Vulnerability::Both);
  EXPECT_EQ(set.Deals[3].Dealer, dw::Seat::West);
  EXPECT_EQ(dw::HighCardPoints(set.Deals[2].Hands[1]), 10);
}

TEST(HandRecords, DamagedPbnIsRefusedWithTheBoardAndLine) {
  struct Row {
    std::string Text;
    const char* Says;
  };
  const Row rows[] = {
      {"[Board \"1\"]\n[Deal \"N:AKQJ.T98.765.432 A98.765.432.KQJT 765.432.AKQJ.T98 432.AKQJ.T98.765\"]\n",
       "line 2: board 1: the card SA is given twice"},
      {"[Board \"1\"]\n[Deal \"N:AKQ.T98.765.432 T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765\"]\n",
       "North holds 12 cards"},
      {"[Board \"2\"]\n[Deal \"N:AKQJ.T98.765.43X T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765\"]\n",
       "\"X\" in North's hand is not a card"},
      {"[Board \"3\"]\n[Deal \"N:AKQJ.T98.765.432 - - 432.AKQJ.T98.765\"]\n", "two or more hands"},
      {"[Board \"3\"]\n[Deal \"N:AKQJ.T98.765.432 T98.765.432.AKQJ\"]\n", "gives 2 hands instead of 4"},
      {"[Board \"3\"]\n[Deal \"N:AKQJ.T98.765 T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765\"]\n",
       "does not give four suits"},
      {"[Board \"3\"]\n[Deal \"AKQJ.T98.765.432 T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765\"]\n",
       "first seat"},
      {std::string("[Board \"1\"]\n[Dealer \"Q\"]\n[Deal \"") + kDeal + "\"]\n", "\"Q\" is not a dealer"},
      {std::string("[Board \"1\"]\n[Vulnerable \"Sometimes\"]\n[Deal \"") + kDeal + "\"]\n", "not a vulnerability"},
      {std::string("[Board \"one\"]\n[Deal \"") + kDeal + "\"]\n", "\"one\" is not a board number"},
      {"[Board \"1\"]\n[Deal \"N:AKQJ.T98\n", "line 2: the value of the tag Deal is not closed"},
      {std::string("[Board \"1\"]\n[Deal \"") + kDeal + "\"]\n\n[Board \"1\"]\n[Deal \"E:" + (kDeal + 2) + "\"]\n",
       "board 1 is given twice with different deals"},
      {"[Board 1]\n", "line 1: a tag is not of the form"},
  };
  for (const Row& r : rows) {
    std::vector<std::string> warnings;
    try {
      dw::ReadPbn(r.Text, warnings);
      ADD_FAILURE() << "accepted: " << r.Says;
    } catch (const dw::Failure& f) {
      EXPECT_EQ(f.Code, dw::ExitCode::HandRecords);
      EXPECT_TRUE(Contains(f.what(), r.Says)) << f.what();
    }
  }
}

TEST(HandRecords, PbnLeniencies) {
  std::vector<std::string> warnings;
  // No dealer or vulnerability: the board number decides; "10" for the ten; lower-case seats.
  const dw::HandRecordSet set = dw::ReadPbn(
      "[Board \"7\"]\n[Deal \"n:AKQJ.1098.765.432 T98.765.432.AKQJ 765.432.AKQJ.T98 432.AKQJ.T98.765\"]\n", warnings);
  ASSERT_EQ(set.Deals.size(), 1u);
  EXPECT_EQ(set.Deals[0].Dealer, dw::Seat::South);
  EXPECT_EQ(set.Deals[0].Vul, dw::Vulnerability::Both);
  EXPECT_EQ(dw::SuitText(set.Deals[0].Hands[0], 1), "T98");
}

TEST(HandRecords, ReadsLinFiles) {
  const dw::HandRecordSet set = Read(Fixture("sample.lin"));
  ASSERT_EQ(set.Deals.size(), 2u);  // open and closed room of board 1 are one board
  EXPECT_EQ(set.Deals[0].Dealer, dw::Seat::North);
  EXPECT_EQ(set.Deals[0].Vul, dw::Vulnerability::None);
  EXPECT_EQ(dw::SuitText(set.Deals[0].Hands[0], 0), "AQT87");
  EXPECT_EQ(dw::SuitText(set.Deals[0].Hands[1], 1), "A2");  // East, left out of the file
  EXPECT_EQ(set.Deals[1].Dealer, dw::Seat::East);
  EXPECT_EQ(set.Deals[1].Vul, dw::Vulnerability::NorthSouth);
}

TEST(HandRecords, FilesThatCannotBeUsed) {
  TempDir dir;
  WriteFile(dir / "h.dup", "binary");
  WriteFile(dir / "empty.pbn", "% nothing here\n[Event \"Club\"]\n");
  WriteFile(dir / "h.xyz", "just words");
  WriteFile(dir / "pbn-named-oddly.xyz", std::string("[Board \"1\"]\n[Deal \"") + kDeal + "\"]\n");
  struct Row {
    fs::path File;
    const char* Says;
  };
  const Row rows[] = {
      {dir / "h.dup", "(.dup), which is not read"},
      {dir / "missing.pbn", "Cannot find the hand record file"},
      {dir / "empty.pbn", "holds no deals"},
      {dir / "h.xyz", "neither a PBN file nor"},
  };
  for (const Row& r : rows) {
    const RunResult res = RunInProcess({r.File.string(), "/pdf", (dir / "o.pdf").string()});
    EXPECT_EQ(res.Code, 3) << r.Says;
    EXPECT_TRUE(Contains(res.Err, r.Says)) << res.Err;
    EXPECT_TRUE(Contains(res.Err, r.File.string())) << res.Err;
    EXPECT_FALSE(fs::exists(dir / "o.pdf"));
  }
  EXPECT_EQ(Read(dir / "pbn-named-oddly.xyz").Deals.size(), 1u);
}

TEST(HandRecordPdf, OneDiagramPerBoardSeveralToAPage) {
  TempDir dir;
  RunResult r = RunInProcess({Fixture("251105A.pbn").string(), "/quiet", "/dda", "/pdf", (dir / "a.pdf").string()});
  ASSERT_EQ(r.Code, 0) << r.Err;
  const std::string pdf = ReadFile(dir / "a.pdf");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_TRUE(Contains(pdf.substr(pdf.size() - 8), "%%EOF"));
  EXPECT_EQ(PdfPages(pdf), 5);  // 26 boards, six to a Letter page
  EXPECT_TRUE(Contains(pdf, "/MediaBox [ 0 0 612 792 ]"));

  r = RunInProcess({Fixture("251105A.pbn").string(), "/quiet", "/layout", Fixture("layout-pdf-a4.pbn").string(), "/pdf",
                    (dir / "b.pdf").string()});
  ASSERT_EQ(r.Code, 0) << r.Err;
  const std::string a4 = ReadFile(dir / "b.pdf");
  EXPECT_EQ(PdfPages(a4), 7);
  EXPECT_TRUE(Contains(a4, "/MediaBox [ 0 0 595.2"));
}

TEST(HandRecordPdf, NothingIsLeftBehindWhenAnOutputFails) {
  TempDir dir;
  const RunResult r = RunInProcess({Fixture("sample.pbn").string(), "/pdf", (dir / "ok.pdf").string(), "/acbl",
                                    Fixture("251105A.txt").string(), "/html", (dir / "no" / "such" / "p.htm").string()});
  EXPECT_EQ(r.Code, 5);
  EXPECT_TRUE(Contains(r.Err, "does not exist")) << r.Err;
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  const RunResult d = RunInProcess({"/acbl", Fixture("251105A.txt").string(), "/html", dir.Path().string()});
  EXPECT_EQ(d.Code, 5);
  EXPECT_TRUE(Contains(d.Err, "a folder of that name exists")) << d.Err;
}

}  // namespace dwtest
