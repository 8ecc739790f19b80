#include "web/ColScoreFile.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/Errors.h"
#include "store/Archive.h"
#include "store/Sha256.h"

namespace tx {
namespace {

using Bytes = std::vector<uint8_t>;

CScoreFile Record(const std::string& content, const std::string& page, uint32_t insert = 0) {
  CScoreFile r;
  r.Hash = CSha256::Digest(content);
  r.Path = "C:\\ACBLSCOR\\GAMEFILE\\" + content + ".txt";
  r.WebPageName = page;
  r.InsertNumber = insert;
  return r;
}

void Fill(CColScoreFile& history, int n, int from = 0) {
  for (int i = from; i < from + n; ++i) history.Add(Record("c" + std::to_string(i), "p" + std::to_string(i)));
}

Bytes Store(CColScoreFile& history) {
  CMemoryStream out;
  CArchive ar(out, CArchive::Mode::Store);
  history.Serialize(ar);
  ar.Close();
  return out.Data();
}

TEST(ColScoreFile, BucketCountRule) {
  const std::pair<size_t, uint32_t> cases[] = {
      {0, 17}, {5, 17}, {13, 17}, {14, 17}, {15, 19}, {100, 127}, {121, 151}, {1000, 1259},
  };
  for (auto [n, buckets] : cases) EXPECT_EQ(CColScoreFile::BucketCountFor(n), buckets) << n;
}

TEST(ColScoreFile, IndexIsRebuiltOnlyWhenTheRuleSays) {
  CColScoreFile history;
  Fill(history, 5);
  EXPECT_EQ(history.BucketCount(), 17u);
  EXPECT_FALSE(history.IsIndexValid());
  ASSERT_NE(history.Lookup(Record("c3", "")), nullptr);
  EXPECT_EQ(history.BucketCount(), 17u);

  // 100 loaded records: the first lookup sizes the index at 127.
  CColScoreFile source;
  Fill(source, 100);
  Bytes bytes = Store(source);
  CMemoryStream in(bytes);
  CArchive ar(in, CArchive::Mode::Load);
  history.Serialize(ar);
  EXPECT_FALSE(history.IsIndexValid());
  EXPECT_EQ(history.Lookup(Record("c42", ""))->WebPageName, "p42");
  EXPECT_EQ(history.BucketCount(), 127u);
  EXPECT_TRUE(history.IsIndexValid());

  // Adds keep the index current; 120 records still fit 127 buckets (120 + 7 = 127).
  Fill(history, 20, 100);
  EXPECT_EQ(history.Lookup(Record("c119", ""))->WebPageName, "p119");
  EXPECT_EQ(history.BucketCount(), 127u);
  Fill(history, 1, 120);
  EXPECT_EQ(history.Lookup(Record("c120", ""))->WebPageName, "p120");
  EXPECT_EQ(history.BucketCount(), 151u);
  EXPECT_EQ(history.Lookup(Record("missing", "")), nullptr);
}

TEST(ColScoreFile, SameContentOnAnotherPageAddsAndLookupFindsTheNewer) {
  CColScoreFile history;
  history.AddOrReplace(Record("same", "2014\\01\\a.htm"));
  history.AddOrReplace(Record("same", "2014\\01\\b.htm"));
  EXPECT_EQ(history.GetCount(), 2u);
  EXPECT_EQ(history.Lookup(Record("same", ""))->WebPageName, "2014\\01\\b.htm");
  // And once the index is built, a third one is entered at once.
  history.AddOrReplace(Record("same", "2014\\01\\c.htm"));
  EXPECT_EQ(history.Lookup(Record("same", ""))->WebPageName, "2014\\01\\c.htm");
}

TEST(ColScoreFile, AddOrReplaceOneRecordPerPageAndInsert) {
  struct Case {
    const char* why;
    CScoreFile incoming;
    size_t count;            // history size afterwards
    size_t position;         // where the incoming content is
  };
  const Case cases[] = {
      {"same page, other case, same insert: replaced", Record("new", "2014\\01\\PAGE.HTM", 1), 3, 1},
      {"same page, other insert: appended", Record("new", "2014\\01\\page.htm", 2), 4, 3},
      {"other page: appended", Record("new", "2014\\02\\page.htm", 1), 4, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    CColScoreFile history;
    history.Add(Record("a", "2014\\01\\other.htm", 0));
    history.Add(Record("old", "2014\\01\\page.htm", 1));
    history.Add(Record("b", "2014\\01\\more.htm", 0));
    ASSERT_NE(history.Lookup(Record("old", "")), nullptr);  // index built
    EXPECT_EQ(history.AddOrReplace(c.incoming), 1);
    EXPECT_EQ(history.GetCount(), c.count);
    EXPECT_EQ(history.GetAt(c.position).Hash, c.incoming.Hash);
    EXPECT_EQ(history.Lookup(c.incoming), &history.GetAt(c.position));
    bool replaced = c.count == 3;
    EXPECT_EQ(history.Lookup(Record("old", "")) != nullptr, !replaced);
    EXPECT_NE(history.Lookup(Record("a", "")), nullptr);
  }
}

TEST(ColScoreFile, ReplacingKeepsOtherRecordsOfTheOldContentFindable) {
  CColScoreFile history;
  history.Add(Record("dup", "first.htm"));
  history.Add(Record("dup", "second.htm"));
  ASSERT_EQ(history.Lookup(Record("dup", ""))->WebPageName, "second.htm");
  history.AddOrReplace(Record("fresh", "second.htm"));
  const CScoreFile* found = history.Lookup(Record("dup", ""));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->WebPageName, "first.htm");
  EXPECT_EQ(history.Lookup(Record("fresh", ""))->WebPageName, "second.htm");
}

TEST(ColScoreFile, RemovalsAndCopiesInvalidateTheIndex) {
  CColScoreFile history;
  Fill(history, 4);
  ASSERT_NE(history.Lookup(Record("c2", "")), nullptr);
  history.RemoveAt(0);
  EXPECT_FALSE(history.IsIndexValid());
  EXPECT_EQ(history.Lookup(Record("c2", "")), &history.GetAt(1));
  history.Remove(history.GetAt(1));
  EXPECT_EQ(history.Lookup(Record("c2", "")), nullptr);
  EXPECT_EQ(history.Lookup(Record("c3", "")), &history.GetAt(1));
  EXPECT_THROW(history.RemoveAt(2), CInvalidArgException);
  EXPECT_THROW(history.GetAt(2), CInvalidArgException);
  CScoreFile stranger;
  EXPECT_THROW(history.Remove(stranger), CInvalidArgException);

  CColScoreFile copy;
  copy.CopyFrom(history);
  EXPECT_EQ(copy.GetCount(), 2u);
  EXPECT_EQ(copy.GetAt(1).WebPageName, "p3");
  EXPECT_EQ(copy.Lookup(Record("c3", "")), &copy.GetAt(1));
  copy.CopyFrom(copy);
  EXPECT_FALSE(copy.IsIndexValid());
  EXPECT_EQ(copy.GetCount(), 2u);

  // After RemoveAll, nothing is found, and adding works without a rebuild.
  copy.RemoveAll();
  EXPECT_EQ(copy.Lookup(Record("c3", "")), nullptr);
  EXPECT_TRUE(copy.IsIndexValid());
  copy.Add(Record("c3", "again"));
  EXPECT_EQ(copy.Lookup(Record("c3", ""))->WebPageName, "again");
}

TEST(ColScoreFile, AddingARecordOfTheHistoryItself) {
  CColScoreFile history;
  history.Add(Record("x", "x.htm"));
  for (int i = 0; i < 10; ++i) history.Add(history.GetAt(0));  // reallocates meanwhile
  EXPECT_EQ(history.GetCount(), 11u);
  EXPECT_EQ(history.GetAt(10).WebPageName, "x.htm");
  history.AddOrReplace(history.GetAt(3));
  EXPECT_EQ(history.GetCount(), 11u);
}

TEST(ColScoreFile, SerializeListAndDamagedFiles) {
  CColScoreFile empty;
  EXPECT_EQ(Store(empty), (Bytes{0x00, 0x00}));

  CColScoreFile history;
  Fill(history, 3);
  history.GetAt(1).SetAddedByHand(true);
  Bytes bytes = Store(history);
  {
    CMemoryStream in(bytes);
    CArchive ar(in, CArchive::Mode::Load);
    CColScoreFile back;
    Fill(back, 2, 50);  // dropped by the load
    back.Serialize(ar);
    ASSERT_EQ(back.GetCount(), 3u);
    EXPECT_EQ(back.GetAt(2).WebPageName, "p2");
    EXPECT_TRUE(back.GetAt(1).IsAddedByHand());
    EXPECT_EQ(back.Lookup(Record("c50", "")), nullptr);
  }
  // A file that ends inside the third record keeps the first two.
  {
    Bytes cut(bytes.begin(), bytes.end() - 10);
    CMemoryStream in(cut);
    CArchive ar(in, CArchive::Mode::Load);
    CColScoreFile back;
    try {
      back.Serialize(ar);
      ADD_FAILURE();
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.GetCause(), CArchiveException::EndOfFile);
    }
    EXPECT_EQ(back.GetCount(), 2u);
  }
  // A count of four billion over a short file fails at the end of the data.
  {
    Bytes damaged = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    damaged.insert(damaged.end(), bytes.begin() + 2, bytes.end());
    CMemoryStream in(damaged);
    CArchive ar(in, CArchive::Mode::Load);
    CColScoreFile back;
    try {
      back.Serialize(ar);
      ADD_FAILURE();
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.GetCause(), CArchiveException::EndOfFile);
    }
    EXPECT_EQ(back.GetCount(), 3u);
  }
}

TEST(ColScoreFile, DamagedHistoriesFailCleanly) {
  CColScoreFile history;
  Fill(history, 4);
  history.GetAt(2).Event = std::string(300, 'e');  // a longer length ladder
  const Bytes good = Store(history);
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = good;
    int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) bytes[rng() % bytes.size()] = uint8_t(rng() % 3 == 0 ? 0xFF : rng());
    if (rng() % 4 == 0) bytes.resize(rng() % bytes.size());
    CMemoryStream in(bytes);
    CArchive ar(in, CArchive::Mode::Load);
    CColScoreFile back;
    try {
      back.Serialize(ar);
    } catch (const CArchiveException&) {
    }
    ASSERT_LE(back.GetCount(), bytes.size() / 59) << round;  // no record from nothing
    for (size_t i = 0; i < back.GetCount(); ++i) back.Lookup(back.GetAt(i));
  }
}

TEST(ColScoreFile, IsPostedAnswers) {
  CColScoreFile history;
  history.Add(Record("posted", "a.htm"));
  CScoreFile byHand = Record("byhand", "b.htm");
  byHand.SetAddedByHand(true);
  history.Add(byHand);

  CScoreFile current = Record("current", "c.htm");
  std::vector<CScoreFile*> postedNow = {&current};

  struct Case {
    const char* content;
    bool checkCurrent;
    PostedState state;
    const char* previousPage;  // null: none
  };
  const Case cases[] = {
      {"fresh", true, PostedState::NotPosted, nullptr},
      {"current", true, PostedState::InCurrentPosting, "c.htm"},
      {"current", false, PostedState::NotPosted, nullptr},
      {"posted", true, PostedState::PostedBefore, "a.htm"},
      {"byhand", false, PostedState::AddedByHand, "b.htm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    // Another name, same content.
    CScoreFile probe = Record(c.content, "");
    probe.Path = "D:\\copy\\renamed.txt";
    const CScoreFile* previous = &probe;
    PostedState state = IsPosted(probe, &previous, c.checkCurrent ? &postedNow : nullptr, history);
    EXPECT_EQ(state, c.state);
    if (c.previousPage) {
      ASSERT_NE(previous, nullptr);
      EXPECT_EQ(previous->WebPageName, c.previousPage);
    } else {
      EXPECT_EQ(previous, nullptr);
    }
  }
}

}  // namespace
}  // namespace tx
