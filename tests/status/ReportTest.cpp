#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/Errors.h"
#include "status/Report.h"
#include "status/Ui.h"

namespace tx {

using Lines = std::vector<std::string>;

TEST(Report, SystemErrorLogsOperationStatusAndErrorThenShowsTheText) {
  test::TestEnv env;
  env.Status.SendStatus("Creating results page");
  ReportSystemError(env.Svc, 112, "CScoreFile::CreateWebFiles: CFile::Write");
  EXPECT_EQ(env.LogLines(), (Lines{"Operation=[CScoreFile::CreateWebFiles: CFile::Write]",
                                   "LastStatus=[Creating results page]",
                                   "Error(112)=[There is not enough space on the disk.]"}));
  ASSERT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_EQ(env.Ui.LastBox().Text, "There is not enough space on the disk.");
  EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::Error);
  EXPECT_EQ(env.Ui.LastBox().Buttons, MbButtons::Ok);
}

TEST(Report, UnknownCodeShowsTheNumberTwice) {
  test::TestEnv env;
  ReportSystemError(env.Svc, 0x4321, "CThing::Do");
  EXPECT_EQ(env.LogLines().back(), "Error(17185)=[Error code 17185 (0x00004321)]");
}

TEST(Report, ExceptionLogsThenShowsItsOwnMessage) {
  test::TestEnv env;
  env.Status.SendStatus("Reading score file");
  MbAnswer a = ReportException(env.Svc, CFileException(2, "/scores/a.txt"), "CScoreFile::Open: CStdioFile::Open");
  EXPECT_EQ(a, MbAnswer::Ok);
  EXPECT_EQ(env.LogLines(), (Lines{"Operation=[CScoreFile::Open: CStdioFile::Open]", "LastStatus=[Reading score file]",
                                   "Exception(CFileException,2)=[/scores/a.txt",
                                   "The system cannot find the file specified.]"}));
  EXPECT_EQ(env.Ui.LastBox().Text, "/scores/a.txt\nThe system cannot find the file specified.");
  EXPECT_EQ(env.Ui.LastBox().Buttons, MbButtons::Ok);
}

TEST(Report, ShowMessageLogsTheBoxAndReturnsTheAnswer) {
  test::TestEnv env;
  env.Ui.QueueAnswer(MbAnswer::No);
  EXPECT_EQ(ShowMessage(env.Svc, "Post it again?\nIt was posted before.", MbIcon::Question, MbButtons::YesNo, 1),
            MbAnswer::No);
  // Without a queued answer the default button answers.
  EXPECT_EQ(ShowMessage(env.Svc, "Go on?", MbIcon::Question, MbButtons::YesNoCancel, 2), MbAnswer::Cancel);
  EXPECT_EQ(ShowMessage(env.Svc, "Done.", MbIcon::Information), MbAnswer::Ok);
  EXPECT_EQ(env.LogLines(), (Lines{"Message Box=", "|Post it again?", "|It was posted before.", "Message Box=",
                                   "|Go on?", "Message Box=", "|Done."}));
  ASSERT_EQ(env.Ui.BoxCount(), 3u);
  EXPECT_EQ(env.Ui.Boxes()[0].DefaultButton, 1);
  EXPECT_EQ(env.Ui.Boxes()[0].Icon, MbIcon::Question);
}

TEST(Report, ButtonAnswersFollowTheBoxKind) {
  EXPECT_EQ(ButtonAnswers(MbButtons::YesNoCancel), (std::vector<MbAnswer>{MbAnswer::Yes, MbAnswer::No, MbAnswer::Cancel}));
  EXPECT_EQ(DefaultAnswer(MbButtons::RetryCancel, 1), MbAnswer::Cancel);
  EXPECT_EQ(DefaultAnswer(MbButtons::OkCancel, 5), MbAnswer::Ok);  // out of range: the first
  CRecordingUi ui;
  ui.SetDefaultAnswer(MbAnswer::Retry);
  EXPECT_EQ(ui.MessageBox("x", MbIcon::Warning, MbButtons::RetryCancel, 1), MbAnswer::Retry);
}

}  // namespace tx
