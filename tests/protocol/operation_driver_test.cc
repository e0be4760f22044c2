// The operation driver: events raised through the owner, report batches,
// progress mapping and prompt answers.
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/operation_driver.h"

namespace qorv {
namespace {

// Records every event and, for report batches, the batch it saw.
class RecordingOwner : public DriverOwner {
 public:
  void RaiseEvent(SdkEvent event) override {
    events.push_back(event);
    if (event == SdkEvent::kOperationResultSend && driver != nullptr) {
      std::vector<ReportLine> seen;
      ReportLine line;
      for (int32_t i = 0; driver->GetReportLine(i, &line); ++i) seen.push_back(line);
      EXPECT_EQ(static_cast<int32_t>(seen.size()), driver->ReportLineCount());
      batches.push_back(seen);
    }
    if (on_prompt && event != SdkEvent::kOperationResultSend && event != SdkEvent::kPercentDone) {
      on_prompt(event);
    }
  }
  OperationDriver* driver = nullptr;
  std::vector<SdkEvent> events;
  std::vector<std::vector<ReportLine>> batches;
  std::function<void(SdkEvent)> on_prompt;
};

TEST(OperationDriver, ReportFunctionBuildsBatches) {
  RecordingOwner owner;
  OperationDriver driver(&owner);
  owner.driver = &driver;
  driver.Report("Heading", "Outcome", false);
  driver.Report("", "", true);  // still raises the event, with an empty batch
  driver.Report("", "Only outcome", true);
  ASSERT_EQ(owner.batches.size(), 3u);
  EXPECT_EQ(owner.batches[0], (std::vector<ReportLine>{{1, "Heading"}, {0, "Outcome"}}));
  EXPECT_TRUE(owner.batches[1].empty());
  EXPECT_EQ(owner.batches[2], (std::vector<ReportLine>{{1, "Only outcome"}}));
  // The last batch stays readable; indices outside it are refused.
  ReportLine line{7, "untouched"};
  EXPECT_FALSE(driver.GetReportLine(-1, &line));
  EXPECT_FALSE(driver.GetReportLine(1, &line));
  EXPECT_EQ(line, (ReportLine{7, "untouched"}));
}

TEST(OperationDriver, LockedDeliveriesFromTwoThreadsAreRaisedOneAtATime) {
  struct SlowOwner : RecordingOwner {
    std::atomic<int> inside{0};
    int max_inside = 0;
    void RaiseEvent(SdkEvent event) override {
      max_inside = std::max(max_inside, ++inside);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      RecordingOwner::RaiseEvent(event);
      --inside;
    }
  } owner;
  OperationDriver driver(&owner);
  owner.driver = &driver;
  auto deliver = [&](const std::string& who) {
    for (int i = 0; i < 20; ++i) {
      driver.DeliverReportLinesLocked({{1, who + std::to_string(i)}, {0, who}});
    }
  };
  std::thread a(deliver, "a"), b(deliver, "b");
  a.join();
  b.join();
  EXPECT_EQ(owner.max_inside, 1);
  ASSERT_EQ(owner.batches.size(), 40u);
  for (const auto& batch : owner.batches) {
    // Every batch seen by a handler is whole: never a mix of two deliveries.
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(batch[0].text.substr(0, 1), batch[1].text);
  }
}

TEST(OperationDriver, ProgressIsMappedIntoTheRangeAndAlwaysRaised) {
  RecordingOwner owner;
  OperationDriver driver(&owner);
  driver.SetProgressRange(20, 100);
  driver.ReportProgress(50);
  EXPECT_EQ(driver.percent_done(), 60);
  driver.ReportProgress(50);  // the same value raises the event again
  EXPECT_EQ(owner.events.size(), 2u);
  driver.SetPercentDone(100);
  EXPECT_EQ(driver.percent_done(), 100);
}

TEST(OperationDriver, ProgressFromAWorkerNeverMixesTwoRanges) {
  struct QuietOwner : DriverOwner {
    void RaiseEvent(SdkEvent) override {}
  } owner;
  OperationDriver driver(&owner);
  driver.SetProgressRange(0, 100);
  // Half way through 0..100 is 50 and through 100..200 is 150; a range read
  // half before and half after a change would give 100.
  std::vector<int32_t> seen;
  std::thread worker([&] {
    for (int i = 0; i < 2000; ++i) {
      driver.ReportProgress(50);
      seen.push_back(driver.current_percent());
    }
  });
  for (int i = 0; i < 2000; ++i) {
    if (i % 2 == 0) {
      driver.SetProgressRange(100, 200);
    } else {
      driver.SetProgressRange(0, 100);
    }
  }
  worker.join();
  for (int32_t percent : seen) ASSERT_TRUE(percent == 50 || percent == 150) << percent;
}

TEST(OperationDriver, PromptAnswersAreNormalised) {
  RecordingOwner owner;
  OperationDriver driver(&owner);
  // No handler: the answer stored last, 0 on a fresh object.
  PromptAnswer fresh = driver.AskWritableFile("info", true);
  EXPECT_EQ(fresh.answer, 0);
  EXPECT_FALSE(fresh.apply_to_all);
  EXPECT_EQ(driver.prompt(PromptKind::kWritableFile).information, "info");
  EXPECT_TRUE(driver.prompt(PromptKind::kWritableFile).three_way_merge);

  int32_t next_answer = 0;
  owner.on_prompt = [&](SdkEvent event) {
    driver.StoreAnswer(event == SdkEvent::kLeaveOrReplaceWriteableFile ? PromptKind::kWritableFile
                                                                       : PromptKind::kUnchangedFile,
                       next_answer, true);
  };
  for (int32_t answer : {0, 1, 2, 3, 4, 5, 7, -1}) {
    next_answer = answer;
    PromptAnswer w = driver.AskWritableFile("w", false);
    PromptAnswer u = driver.Ask(PromptKind::kUnchangedFile, "u");
    const bool writable_kept = answer == 0 || answer == 2 || answer == 3 || answer == 4;
    const bool other_kept = answer == 0 || answer == 2 || answer == 3;
    EXPECT_EQ(w.answer, writable_kept ? answer : 0) << answer;
    EXPECT_EQ(u.answer, other_kept ? answer : 0) << answer;
    EXPECT_TRUE(w.apply_to_all);
  }
  // The stored answer itself is kept as the caller gave it.
  EXPECT_EQ(driver.prompt(PromptKind::kUnchangedFile).answer, -1);
}

TEST(OperationDriver, InstanceTagNamesThisObject) {
  RecordingOwner owner;
  OperationDriver driver(&owner);
  EXPECT_EQ(driver.instance_tag().rfind("~_~", 0), 0u);
  EXPECT_EQ(driver.instance_tag().find('/'), std::string::npos);
}

}  // namespace
}  // namespace qorv
