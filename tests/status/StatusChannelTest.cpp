#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestEnv.h"
#include "status/StatusChannel.h"
#include "status/StatusSink.h"

namespace tx {

using Texts = std::vector<std::string>;

TEST(StatusChannel, CodesChooseTheTargetAndStatusLineIsKept) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  EXPECT_TRUE(ch.SendStatus("main", StatusCode::Main));
  EXPECT_TRUE(ch.SendStatus("net", 1));
  EXPECT_TRUE(ch.StatusPrintf("Posting %d of %d", 1, 3));
  EXPECT_TRUE(ch.ShowAddress("http://club.example/"));
  EXPECT_TRUE(ch.SendStatus("hidden", 7));
  EXPECT_TRUE(ch.SendStatus("hidden too", -1));
  EXPECT_EQ(sink.TextsFor(StatusCode::Main), Texts{"main"});
  EXPECT_EQ(sink.TextsFor(StatusCode::Network), Texts{"net"});
  EXPECT_EQ(sink.TextsFor(StatusCode::StatusLine), Texts{"Posting 1 of 3"});
  EXPECT_EQ(sink.TextsFor(StatusCode::Address), Texts{"http://club.example/"});
  EXPECT_EQ(sink.Texts().size(), 4u);
  EXPECT_EQ(ch.LastStatusText(), "Posting 1 of 3");
  EXPECT_GE(sink.PumpCount(), 6);  // every message pumps
  ch.SetSink(nullptr);
  EXPECT_FALSE(ch.LastStatusText());  // no main window, no last status
}

TEST(StatusChannel, CancelReplacesTheNextTextWithCanceled) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  EXPECT_FALSE(ch.RequestCancel());  // nothing runs: Cancel is not available
  ch.SetBusy(true);
  EXPECT_TRUE(ch.SendStatus("Uploading"));
  ch.SendStatus("Canceling...");  // what the Cancel command shows
  EXPECT_TRUE(ch.RequestCancel());
  EXPECT_FALSE(ch.RequestCancel());  // already canceling
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Canceling);
  EXPECT_FALSE(ch.SendStatus("Next step"));
  EXPECT_EQ(sink.TextsFor(StatusCode::StatusLine), (Texts{"Uploading", "Canceling...", "Next step", "Canceled"}));
  EXPECT_EQ(ch.LastStatusText(), "Canceled");
  // Code 7 shows nothing, but still answers with the pending cancel.
  sink.Clear();
  EXPECT_FALSE(ch.SendStatus("invisible", 7));
  EXPECT_EQ(sink.TextsFor(StatusCode::StatusLine), Texts{"Canceled"});
  EXPECT_FALSE(ch.SendProgress(10, 5));
  EXPECT_FALSE(ch.HideProgress());
  ASSERT_EQ(sink.ProgressCalls().size(), 2u);
  EXPECT_TRUE(sink.ProgressCalls()[0].Show);
  EXPECT_EQ(sink.ProgressCalls()[0].Upper, 10u);
  EXPECT_EQ(sink.ProgressCalls()[0].Pos, 5u);
  EXPECT_FALSE(sink.ProgressCalls()[1].Show);
  // Leaving the operation forgets the cancel.
  ch.SetBusy(false);
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Idle);
  EXPECT_TRUE(ch.SendStatus("Ready"));
}

TEST(StatusChannel, BusyStateNestsAndNeverGoesNegative) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  ch.SetBusy(false);  // without a matching SetBusy(true)
  EXPECT_EQ(ch.BusyCount(), 0);
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Idle);
  EXPECT_EQ(sink.RefreshCount(), 0);
  ch.SetBusy(true);
  ch.SetBusy(true);
  EXPECT_EQ(ch.BusyCount(), 2);
  EXPECT_EQ(sink.RefreshCount(), 1);  // only the outermost entry changes the commands
  ch.RequestCancel();
  ch.SetBusy(false);
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Canceling);  // the outer one still runs
  ch.SetBusy(false);
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Idle);
  EXPECT_EQ(sink.RefreshCount(), 2);
  ch.SetBusy(false);
  ch.SetBusy(true);
  EXPECT_EQ(ch.BusyCount(), 1);
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Busy);
}

TEST(StatusChannel, QuitWhilePumpingCancelsAndIsPostedAgain) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  ch.SetBusy(true);
  sink.QuitOnPump(2);
  EXPECT_TRUE(ch.SendStatus("step 1"));
  EXPECT_FALSE(ch.SendStatus("step 2"));  // the quit arrives during this pump
  EXPECT_TRUE(ch.QuitRequested());
  EXPECT_TRUE(sink.QuitPosted());
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Canceling);
  EXPECT_EQ(sink.LastText(StatusCode::StatusLine), "Canceled");
}

TEST(StatusChannel, CancelPressedWhileTheOperationPumps) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  ch.SetBusy(true);
  // The user presses Cancel during the third pump, as a window event would.
  sink.SetPumpHook([&] {
    if (sink.PumpCount() == 3) ch.RequestCancel();
  });
  int steps = 0;
  while (ch.StatusPrintf("Step %d", steps + 1)) ++steps;
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(sink.LastText(StatusCode::StatusLine), "Canceled");
}

TEST(StatusChannel, WorkerThreadsReportWithoutPumping) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  ch.SetBusy(true);
  std::atomic<int> sent{0};
  CWorkerThread worker([&]() -> uint32_t {
    for (uint32_t i = 0;; ++i) {
      if (!ch.SendProgress(100, i % 100)) return 42;  // sees the cancel through the answer
      ++sent;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const int pumpsBefore = sink.PumpCount();
  sink.SetPumpHook([&] {
    if (sent > 20) ch.RequestCancel();
  });
  EXPECT_EQ(ch.WaitForThread(worker), 42u);
  EXPECT_GT(sink.PumpCount(), pumpsBefore);  // the wait kept the window served
  EXPECT_GT(sent.load(), 20);
  EXPECT_EQ(ch.GetOperationState(false), OperationState::Canceling);
}

TEST(StatusChannel, WaitForThreadWithoutCancelReturnsTheExitCode) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  CWorkerThread worker([]() -> uint32_t {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return 7;
  });
  EXPECT_EQ(ch.WaitForThread(worker), 7u);
  CWorkerThread thrower([]() -> uint32_t { throw std::runtime_error("boom"); });
  EXPECT_EQ(ch.WaitForThread(thrower), 1u);
  CWorkerThread never;
  EXPECT_EQ(ch.WaitForThread(never), 0u);
  // After a cancel the wait still lasts until the worker ends by itself.
  ch.SetBusy(true);
  ch.RequestCancel();
  std::atomic<bool> release{false};
  CWorkerThread slow([&]() -> uint32_t {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 3;
  });
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    release = true;
  });
  EXPECT_FALSE(ch.WaitUntil([&] { return slow.Finished(); }));
  EXPECT_TRUE(slow.Finished());
  EXPECT_EQ(slow.Join(), 3u);
  releaser.join();
}

TEST(StatusChannel, PumpingOnAWorkerDoesNothing) {
  CRecordingSink sink;
  CStatusChannel ch(&sink);
  sink.QuitOnPump(1);
  std::thread([&] {
    ch.PumpMessages();
    EXPECT_TRUE(ch.IsNotCanceled(true));
  }).join();
  EXPECT_EQ(sink.PumpCount(), 0);
  EXPECT_FALSE(ch.QuitRequested());
}

}  // namespace tx
