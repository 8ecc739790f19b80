#include "ui/IdentifyModel.h"

#include <gtest/gtest.h>

namespace {

TEST(IdentifyModel, Limits) {
  for (const char* ok : {"N", "None", "NLM", "750", "750/300/0", "300/200", "-5", " 12", "n/x"})
    EXPECT_TRUE(tx::CIdentifyModel::IsValidLimit(ok)) << ok;
  for (const char* bad : {"0", "abc", "300x/100", "", "750 ", "/300", "+"})
    EXPECT_FALSE(tx::CIdentifyModel::IsValidLimit(bad)) << bad;
}

TEST(IdentifyModel, ChecksRunInOrder) {
  tx::CIdentifyValues v;
  v.Event = "  ";
  v.SessionIndex = -1;
  v.Limit = "0";
  tx::CIdentifyModel m(v);
  auto f = m.Validate();
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Focus, tx::CIdentifyModel::EventControl);
  EXPECT_EQ(f->Message, "Enter a title for the event being posted,\r\nfor example, \"Open Pairs\"");
  v.Event = "Open";
  EXPECT_EQ(m.Validate()->Focus, tx::CIdentifyModel::SessionTimeControl);
  v.SessionIndex = 3;
  EXPECT_EQ(m.Validate()->Focus, tx::CIdentifyModel::LimitControl);
  v.Limit = "nlm";
  EXPECT_FALSE(m.Validate());
}

TEST(IdentifyModel, ViewFileTextOrAddress) {
  tx::CIdentifyValues v;
  v.FileName = "2014/01/p.htm";
  tx::CIdentifyModel m(v);
  EXPECT_FALSE(m.ContentsText());
  EXPECT_EQ(m.FetchAddress("http://club.example/", "results/"), "http://club.example/results/2014/01/p.htm");
  std::vector<uint8_t> data = {'h', 'i', 0, 'x', 0};
  v.Contents = &data;
  v.Local = true;
  EXPECT_EQ(*m.ContentsText(), "hi");
  EXPECT_EQ(m.FetchAddress("", ""), "file://2014/01/p.htm");
}

}  // namespace
