// The runner in-process, with commands of the test's own: what is written
// for a result, for a failure, for a method the SDK does not implement, and
// with --json.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/runner.h"
#include "qorvsdk/result_codes.h"

namespace qorv::cli {
namespace {

Outcome RunListing(CommandContext& context) {
  context.console().ReportLine(true, "Listing...");
  context.SetResult(
      JsonValue::Object().Set("names", JsonValue::Array().Append(JsonValue::String("a\x1b[2J"))),
      "a\x1b[2J\n");
  return Outcome::Success();
}

Outcome RunNotBuilt(CommandContext&) { return Outcome::FailedCall("GetLatestFiles", E_NOTIMPL); }

Outcome RunRefused(CommandContext& context) {
  context.console().ReportLine(false, "Project $/X does not exist");
  Outcome outcome;
  outcome.method = "GetFileListFromProject";
  outcome.result = 40101;
  outcome.description = "Project $/X does not exist";
  context.SetResult(JsonValue::String("never shown"), "never shown\n");
  return outcome;
}

class RunnerTest : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& arguments) {
    out_.str("");
    err_.str("");
    ProgramIo io(out_, err_);
    io.environment = [](const char*) -> std::optional<std::string> { return std::nullopt; };
    return RunQorv(arguments, commands_, io);
  }

  std::vector<Command> commands_ = {
      {.name = "list", .max_arguments = kAnyNumber, .run = RunListing},
      {.name = "get", .run = RunNotBuilt},
      {.name = "refused", .run = RunRefused},
  };
  std::ostringstream out_, err_;
};

TEST_F(RunnerTest, ResultTextOnOutputReportLinesOnError) {
  EXPECT_EQ(Run({"list", "x", "y"}), 0);
  EXPECT_EQ(out_.str(), "a?[2J\n");
  EXPECT_EQ(err_.str(), "Listing...\n");
  EXPECT_EQ(Run({"--json", "list"}), 0);
  EXPECT_EQ(out_.str(),
            R"({"command":"list","ok":true,"exit_status":0,"class":"success","result":0,)"
            R"("description":"","canceled":false,"data":{"names":["a\u001b[2J"]},)"
            R"("report":[{"ok":true,"text":"Listing..."}]})"
            "\n");
  EXPECT_EQ(err_.str(), "");
}

TEST_F(RunnerTest, AMethodNotBuiltIsReportedAsSuchNeverAsAResult) {
  EXPECT_EQ(Run({"get"}), 9);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(), "qorv: get: this SDK does not implement GetLatestFiles yet (E_NOTIMPL)\n");
  EXPECT_EQ(Run({"get", "--json"}), 9);
  EXPECT_NE(out_.str().find(R"("ok":false,"exit_status":9,"class":"internal")"), std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find(R"("hresult":"0x80004001")"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find(R"("data":null)"), std::string::npos) << out_.str();
}

TEST_F(RunnerTest, AFailureIsNamedOnceAndItsResultWithheld) {
  EXPECT_EQ(Run({"refused"}), 5);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(),
            "error: Project $/X does not exist\n"
            "qorv: refused failed (result 40101)\n");
  EXPECT_EQ(Run({"refused", "--json"}), 5);
  EXPECT_NE(
      out_.str().find(R"json("error":"Project $/X does not exist (result 40101)","data":null)json"),
      std::string::npos)
      << out_.str();
}

TEST_F(RunnerTest, ArgumentCountsAndHelp) {
  EXPECT_EQ(Run({"get", "extra"}), 2);
  EXPECT_NE(err_.str().find("get: too many arguments"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("  refused"), std::string::npos);
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace qorv::cli
