// The exit status classes of results.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "cli/commands.h"
#include "cli/help_text.h"
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

struct DocumentedClass {
  int status = -1;
  std::string name;
  std::vector<std::pair<int32_t, int32_t>> codes;  // first, last
};

// The rows of the exit status table of docs/cli.md: "| N | `name` | meaning
// with codes 11001-11005, 11101, ... |".
std::vector<DocumentedClass> DocumentedClasses() {
  std::ifstream file(QORV_TEST_SOURCE_DIR "/docs/cli.md");
  std::stringstream text;
  text << file.rdbuf();
  const std::string document = text.str();
  const size_t section = document.find("\n## Exit status\n");
  EXPECT_NE(section, std::string::npos);
  std::vector<DocumentedClass> rows;
  std::istringstream lines(
      document.substr(section + 1, document.find("\n## ", section + 1) - section));
  const std::regex row(R"(^\| (\d+) \| `([a-z-]+)` \| (.*) \|$)");
  const std::regex code(R"((\d+)(-(\d+))?)");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (!std::regex_match(line, match, row)) continue;
    DocumentedClass documented{std::stoi(match[1]), match[2], {}};
    const std::string meaning = match[3];
    for (auto it = std::sregex_iterator(meaning.begin(), meaning.end(), code);
         it != std::sregex_iterator(); ++it) {
      const int32_t first = std::stoi((*it)[1]);
      documented.codes.emplace_back(first, (*it)[3].matched ? std::stoi((*it)[3]) : first);
    }
    rows.push_back(documented);
  }
  return rows;
}

// The table in docs/cli.md, the help text and the code are one: every class
// in order with its name, every code listed under the class the code gives
// it, and every code of the code's table listed under its class.
TEST(OutcomeTest, TheDocumentedExitStatusesAreThoseOfTheCode) {
  const std::vector<DocumentedClass> rows = DocumentedClasses();
  ASSERT_EQ(rows.size(), std::size(kAllExitClasses));
  const std::string help = ProgramHelp(ClientCommands());
  for (size_t i = 0; i < rows.size(); ++i) {
    const ExitClass exit_class = kAllExitClasses[i];
    EXPECT_EQ(rows[i].status, static_cast<int>(exit_class));
    EXPECT_EQ(rows[i].name, ExitClassName(exit_class));
    const std::string number = std::to_string(rows[i].status);
    EXPECT_NE(help.find("  " + number + std::string(3 - number.size(), ' ') + rows[i].name + " "),
              std::string::npos)
        << rows[i].name;
    for (const auto& [first, last] : rows[i].codes) {
      for (int32_t code = first; code <= last; ++code) {
        EXPECT_EQ(ClassifyResult(code, false, Step::kOperation), exit_class)
            << code << " is listed under " << rows[i].name;
      }
    }
  }
  for (const ResultClassRow& entry : ResultClassTable()) {
    const DocumentedClass& row = rows[static_cast<size_t>(entry.exit_class)];
    for (int32_t code = entry.first; code <= entry.last; ++code) {
      bool listed = false;
      for (const auto& [first, last] : row.codes)
        listed = listed || (code >= first && code <= last);
      EXPECT_TRUE(listed) << code << " is not listed under " << row.name;
    }
  }
}

}  // namespace
}  // namespace qorv::cli
