// The exit status classes of results.
#include <gtest/gtest.h>

#include "cli/outcome.h"
#include "qorvsdk/result_codes.h"

namespace qorv::cli {
namespace {

TEST(OutcomeTest, ResultValuesFallIntoTheirClasses) {
  struct Case {
    int32_t result;
    Step step;
    ExitClass expected;
  };
  const Case cases[] = {
      {0, Step::kOperation, ExitClass::kSuccess},
      {kResultConnectFailed, Step::kConnect, ExitClass::kConnection},
      {kResultPeerClosed, Step::kOperation, ExitClass::kConnection},
      {kResultProxyTargetUnreachable, Step::kConnect, ExitClass::kConnection},
      {kResultVersionRefused, Step::kConnect, ExitClass::kConnection},
      {20009, Step::kConnect, ExitClass::kConnection},  // an SSL library code
      {kResultProxyAuthFailed, Step::kConnect, ExitClass::kAuthentication},
      {40003, Step::kLogin, ExitClass::kAuthentication},
      // At the login step even a status that means "not found" is a refused login.
      {40002, Step::kLogin, ExitClass::kAuthentication},
      // A transport failure during the login stays a connection failure.
      {kResultSocketError, Step::kLogin, ExitClass::kConnection},
      {40001, Step::kOperation, ExitClass::kAuthentication},
      {kResultNotFound, Step::kOperation, ExitClass::kNotFound},
      {40101, Step::kOperation, ExitClass::kNotFound},
      {40302, Step::kOperation, ExitClass::kNotFound},
      {kResultAlreadyCheckedOutByYou, Step::kOperation, ExitClass::kRefused},
      {kResultBusy, Step::kOperation, ExitClass::kRefused},
      {40007, Step::kOperation, ExitClass::kRefused},
      {123456, Step::kOperation, ExitClass::kRefused},  // another server's status
      {kResultCacheSaveFailed, Step::kOperation, ExitClass::kLocalFile},
      {kResultUnsafeServerName, Step::kOperation, ExitClass::kLocalFile},
      {kFileErrorAccessDenied, Step::kOperation, ExitClass::kLocalFile},
      {kResultRequestCanceled, Step::kOperation, ExitClass::kCanceled},
      {kResultPromptCanceled, Step::kOperation, ExitClass::kCanceled},
      {kResultSocketCanceled, Step::kConnect, ExitClass::kCanceled},
      {kResultSystemError, Step::kOperation, ExitClass::kInternal},
      {kResultOutOfMemory, Step::kOperation, ExitClass::kInternal},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyResult(c.result, false, c.step), c.expected) << c.result;
  }
}

TEST(OutcomeTest, CanceledFlagWinsAndCallFailuresAreInternal) {
  EXPECT_EQ(ClassifyResult(40101, true, Step::kOperation), ExitClass::kCanceled);
  EXPECT_EQ(ClassifyResult(0, true, Step::kOperation), ExitClass::kCanceled);

  Outcome not_built = Outcome::FailedCall("ConnectToServer", E_NOTIMPL);
  EXPECT_FALSE(not_built.ok());
  EXPECT_EQ(ClassifyOutcome(not_built), ExitClass::kInternal);
  EXPECT_EQ(ClassifyOutcome(Outcome::Usage("bad")), ExitClass::kUsage);
  EXPECT_EQ(ClassifyOutcome(Outcome::Interrupted()), ExitClass::kCanceled);
  EXPECT_EQ(ClassifyOutcome(Outcome::Internal("no SDK")), ExitClass::kInternal);

  Outcome no;
  no.answer_no = true;
  EXPECT_TRUE(no.ok());
  EXPECT_EQ(ClassifyOutcome(no), ExitClass::kNo);
  // A failure is reported as such even when the command meant to answer no.
  no.result = 40101;
  EXPECT_EQ(ClassifyOutcome(no), ExitClass::kNotFound);
}

}  // namespace
}  // namespace qorv::cli
