// qorv run as a program against a reference server holding the sample
// database: results, --json, report lines, exit statuses and failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "qorv_program.h"
#include "sample_server.h"
#include "server/admin_commands.h"

namespace qorv::cli {
namespace {

bool HasEscape(const QorvRun& run) {
  return run.out.find('\x1b') != std::string::npos || run.err.find('\x1b') != std::string::npos;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class QorvSessionTest : public ::testing::Test {
 protected:
  QorvRun Run(const std::vector<std::string>& arguments, platform::EnvironmentChanges login = {}) {
    if (login.empty()) login = server_.Login();
    QorvRun run = sandbox_.Run(arguments, login);
    EXPECT_FALSE(HasEscape(run)) << run.out << run.err;
    return run;
  }

  SampleServer server_;
  QorvSandbox sandbox_;
};

TEST_F(QorvSessionTest, LsShowsProjectsAndFilesWithStatus) {
  QorvRun run = Run({"ls"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "Game/\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "Tools/\n")) << run.out;
  // The report lines of connect, login and the queries go to standard error.
  EXPECT_TRUE(Contains(run.err, "Connecting to server...")) << run.err;
  EXPECT_TRUE(Contains(run.err, "Logging in database...")) << run.err;
  EXPECT_FALSE(Contains(run.out, "Connecting")) << run.out;

  run = Run({"ls", "Game"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "src/\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "assets/\n")) << run.out;
  EXPECT_FALSE(Contains(run.out, kSampleDeletedFile)) << run.out;
  bool found = false;
  for (size_t start = 0; start < run.out.size();) {
    const size_t end = run.out.find('\n', start);
    const std::string line = run.out.substr(start, end - start);
    if (line.rfind("README.txt", 0) == 0) {
      found = true;
      EXPECT_TRUE(Contains(line, "checked out")) << line;
      EXPECT_TRUE(Contains(line, kSampleSecondUser)) << line;
    }
    start = end + 1;
  }
  EXPECT_TRUE(found) << run.out;

  run = Run({"ls", "-R", "--quiet"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "$/Game/src:\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "main.c  3  ")) << run.out;
  EXPECT_EQ(run.err, "");  // --quiet: no report lines
}

TEST_F(QorvSessionTest, JsonIsOneDocumentWithDataAndReportLines) {
  const QorvRun run = Run({"--json", "ls", "$/Game/src"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
  EXPECT_EQ(run.out.rfind(R"({"command":"ls","ok":true,"exit_status":0,"class":"success",)", 0), 0u)
      << run.out;
  EXPECT_TRUE(Contains(run.out, R"("listings":[{"project":"$/Game/src","projects":[],"files":[)"))
      << run.out;
  EXPECT_TRUE(Contains(run.out, R"({"name":"main.c","version":3,"date":")")) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("status":2,"status_name":"shared")")) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("report":[{"ok":true,"text":"Connecting to server..."})"))
      << run.out;
}

// The transfer settings go into the SDK object before the connect: a put the
// object refused would end the run as an internal failure.
TEST_F(QorvSessionTest, TransferOptionsAreAcceptedAndCheckedBeforeAnythingConnects) {
  QorvRun run = Run({"--zip", "--delta", "--size-mode", "2", "ls", "Game"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "src/\n")) << run.out;

  for (const char* bad : {"3", "-1", "1x", ""}) {
    run = Run({"--size-mode", bad, "ls"});
    EXPECT_EQ(run.exit_code, 2) << bad;
    EXPECT_TRUE(Contains(run.err, "--size-mode takes 0, 1 or 2")) << run.err;
    EXPECT_FALSE(Contains(run.err, "Connecting")) << run.err;
  }
}

TEST_F(QorvSessionTest, InfoOfAProjectAndOfAFile) {
  QorvRun run = Run({"info", kSampleVersionedFile});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "Type:     Text\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "Version:  3\n")) << run.out;
  EXPECT_TRUE(
      Contains(run.out, "Size:     " + std::to_string(SampleLatestMainText().size()) + "\n"))
      << run.out;
  EXPECT_TRUE(Contains(run.out, "Comment:  Uses the helper")) << run.out;

  run = Run({"--json", "info", kSampleProject});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("data":{"path":"$/Game","kind":"project",)")) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("subprojects":2,"deleted_subprojects":0,"files":1,)"))
      << run.out;
  EXPECT_TRUE(Contains(run.out, R"("deleted_files":1)")) << run.out;

  run = Run({"info", "--file", kSampleBinaryFile});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "Type:     Binary\n")) << run.out;
}

TEST_F(QorvSessionTest, HistoryWithUserAndDateFilters) {
  QorvRun run = Run({"history", kSampleVersionedFile});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  for (const char* text :
       {"Version 1  ", "Version 2  ", "Version 3  ", "Greets the world", "Uses the helper"}) {
    EXPECT_TRUE(Contains(run.out, text)) << text << "\n" << run.out;
  }
  EXPECT_TRUE(Contains(run.out, std::string("Label: ") + kSampleLabel)) << run.out;

  run = Run({"history", kSampleVersionedFile, "--by", kSampleSecondUser});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "Uses the helper")) << run.out;
  EXPECT_FALSE(Contains(run.out, "Greets the world")) << run.out;

  run = Run({"--json", "history", kSampleVersionedFile, "--since", "2999-01-01"});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("kind":"file","pinned":false,"entries":[])")) << run.out;

  run = Run({"history", kSampleProject, "--files", "--until", "1990-01-01"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST_F(QorvSessionTest, LinksDeletedCountDatabasesAndFiles) {
  QorvRun run = Run({"links", kSampleSharedFile});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "$/Tools")) << run.out;

  run = Run({"deleted", kSampleProject});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, std::string(kSampleDeletedFile) + "\n");

  run = Run({"count", "$/Game/src"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "2\n");

  run = Run({"projects", kSampleProject});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "src\n") && Contains(run.out, "assets\n")) << run.out;

  run = Run({"files", "$/Tools"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "build.sh\n") && Contains(run.out, "util.c\n")) << run.out;

  // The database list needs no login: a wrong password does not matter.
  run = Run({"databases"}, server_.Login(kSampleUser, "wrong"));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, std::string(kSampleDatabase) + "\n");
  EXPECT_FALSE(Contains(run.err, "Logging in")) << run.err;
}

TEST_F(QorvSessionTest, ExistsAndCompareAnswerWithTheirExitStatus) {
  QorvRun run = Run({"exists", kSampleProject});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "$/Game exists\n");
  run = Run({"exists", "$/Game/levels"});
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_EQ(run.out, "$/Game/levels does not exist\n");

  const std::string local = sandbox_.Child("main.c");
  std::ofstream(local, std::ios::binary) << SampleLatestMainText();
  run = Run({"compare", local, kSampleVersionedFile});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  // The same bytes with CR LF line ends equal the server's file only when
  // it is delivered with CR LF.
  run = Run({"compare", "--eol", "crlf", local, kSampleVersionedFile});
  EXPECT_EQ(run.exit_code, 1) << run.err;
  run = Run({"--json", "compare", "-r", "1", local, kSampleVersionedFile});
  EXPECT_EQ(run.exit_code, 1) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("ok":true,"exit_status":1,"class":"no")")) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("version":1,"same":false)")) << run.out;
}

TEST_F(QorvSessionTest, FailuresGetTheirClassAndOneMessage) {
  QorvRun run = Run({"ls"}, server_.Login(kSampleUser, "wrong"));
  EXPECT_EQ(run.exit_code, 4) << run.err;
  EXPECT_EQ(run.out, "");
  // The server's text once, marked as a failure, and the last line names the
  // result.
  const std::string refusal = "error: Invalid user name or password\n";
  ASSERT_TRUE(Contains(run.err, refusal)) << run.err;
  EXPECT_EQ(run.err.find("Invalid user name or password"),
            run.err.rfind("Invalid user name or password"))
      << run.err;
  EXPECT_TRUE(Contains(run.err, "qorv: ls failed (result 40003)\n")) << run.err;

  run = Run({"--json", "ls"}, server_.Login(kSampleUser, "wrong"));
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_TRUE(Contains(run.out, R"("class":"authentication","result":40003,)")) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("method":"Login")")) << run.out;

  run = Run({"info", "--file", "$/Game/nothing.c"});
  EXPECT_EQ(run.exit_code, 5) << run.err;
  run = Run({"ls", "$/Nowhere"});
  EXPECT_EQ(run.exit_code, 5) << run.err;

  // Nobody listens on the server's port once it is stopped.
  const platform::EnvironmentChanges login = server_.Login();
  server_.server().Stop();
  run = Run({"count", "$/"}, login);
  EXPECT_EQ(run.exit_code, 3) << run.err;
}

TEST_F(QorvSessionTest, ExistsAnswersForFilesAndProjects) {
  QorvRun run = Run({"--json", "exists", "$/game/SRC/Main.c"});
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("exists":true,"kind":"file")")) << run.out;
  run = Run({"exists", kSampleProject});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  // A file that is not there, in a project that is or is not: no, and no
  // failure on the way to the answer.
  for (const char* path : {"$/Game/src/nothing.c", "$/Nowhere/main.c", "$/Game/src/main.c/x"}) {
    run = Run({"exists", path});
    EXPECT_EQ(run.exit_code, 1) << path << "\n" << run.err;
    EXPECT_EQ(run.out, std::string(path) + " does not exist\n");
    EXPECT_FALSE(Contains(run.err, "error:")) << run.err;
  }
}

TEST_F(QorvSessionTest, CompareSaysWhatItComparedWhenTheServerHasNoSuchFile) {
  const std::string local = sandbox_.Child("main.c");
  std::ofstream(local, std::ios::binary) << SampleLatestMainText();
  QorvRun run = Run({"compare", local, "$/Game/src/mian.c"});
  EXPECT_EQ(run.exit_code, 5) << run.err;
  EXPECT_FALSE(Contains(run.err, "Checking in")) << run.err;
  EXPECT_TRUE(Contains(run.err, "compare: $/Game/src/mian.c is no file on the server, so " + local +
                                    " cannot be compared with it"))
      << run.err;
  run = Run({"compare", local, kSampleProject});
  EXPECT_EQ(run.exit_code, 5) << run.err;
  EXPECT_TRUE(Contains(run.err, "$/Game is a project, not a file")) << run.err;
  // A version the server does not have: the SDK's text, then what was
  // compared.
  run = Run({"compare", "-r", "9", local, kSampleVersionedFile});
  EXPECT_EQ(run.exit_code, 5) << run.err;
  EXPECT_TRUE(Contains(run.err, "): comparing " + local + " with $/Game/src/main.c version 9\n"))
      << run.err;
}

TEST_F(QorvSessionTest, ResultsThatCannotBeWrittenAreAFailure) {
  for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
           {"-q", "files", "$/Game/src"}, {"--json", "count", kSampleProject}}) {
    const QorvRun run = sandbox_.RunWithOutputTo("/dev/full", line, server_.Login());
    EXPECT_EQ(run.exit_code, 7) << line[1] << "\n" << run.err;
    EXPECT_TRUE(Contains(run.err, "qorv: the output could not be written to standard output: "))
        << run.err;
  }
}

TEST_F(QorvSessionTest, ARefusedLoginSaysWhatQorvKnowsOfIt) {
  // No password given and none to ask for on a pipe: the empty one was sent.
  QorvRun run = Run({"ls"}, {{"QORV_SERVER", server_.address()},
                             {"QORV_USER", kSampleUser},
                             {"QORV_DATABASE", kSampleDatabase}});
  EXPECT_EQ(run.exit_code, 4) << run.err;
  EXPECT_TRUE(Contains(run.err, "error: Invalid user name or password\n")) << run.err;
  EXPECT_TRUE(Contains(run.err, "no password was given")) << run.err;
  // A wrong password given is only the server's word.
  run = Run({"ls"}, server_.Login(kSampleUser, "wrong"));
  EXPECT_FALSE(Contains(run.err, "no password was given")) << run.err;
  // An unknown database refuses the login, as the help says.
  run = Run({"ls", "-d", "Nope"});
  EXPECT_EQ(run.exit_code, 4) << run.err;
}

// A user the server asks to change the password learns how, in text and
// in the JSON document; once qorv passwd changed it, no more.
TEST_F(QorvSessionTest, MustChangePasswordSaysHowInTextAndJson) {
  std::ostringstream out, err;
  ASSERT_EQ(server::RunAdminCommand(
                {"add-user", "--data", server_.data_directory(), "--db", kSampleDatabase, "--user",
                 "carol", "--password", "first", "--must-change-password"},
                out, err),
            0)
      << err.str();
  const std::string how = "change it with 'qorv passwd'";
  QorvRun run = Run({"count", "$/"}, server_.Login("carol", "first"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "change your password")) << run.err;
  EXPECT_TRUE(Contains(run.err, how)) << run.err;

  run = Run({"--json", "count", "$/"}, server_.Login("carol", "first"));
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, R"("notices":["the server asks you to change your password)"))
      << run.out;
  EXPECT_TRUE(Contains(run.out, how)) << run.out;
  EXPECT_EQ(run.err, "");

  // passwd itself does not tell the user to run it.
  run = sandbox_.Run({"passwd"}, server_.Login("carol", "first"), "second\n");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Contains(run.err, how)) << run.err;
  run = Run({"count", "$/"}, server_.Login("carol", "second"));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Contains(run.err, "change your password")) << run.err;
}

// Listings are sorted by name at every level, also after the SDK's cache
// learnt of a project created since it last listed the root.
TEST_F(QorvSessionTest, ListingsAreSortedAtEveryLevel) {
  QorvRun run = Run({"-q", "projects"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "Game\nTools\n");
  const std::string folder = server_.data_directory() + "/../import";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/a.txt") << "a\n";
  std::ostringstream out, err;
  for (const char* project : {"$/Alpha", "$/Game/Alpha"}) {
    ASSERT_EQ(server::RunAdminCommand({"import", "--data", server_.data_directory(), "--db",
                                       kSampleDatabase, "--folder", folder, "--project", project},
                                      out, err),
              0)
        << err.str();
  }
  run = Run({"-q", "projects"});
  EXPECT_EQ(run.out, "Alpha\nGame\nTools\n");
  run = Run({"-q", "ls"});
  EXPECT_EQ(run.out, "Alpha/\nGame/\nTools/\n");
  run = Run({"-q", "projects", "Game"});
  EXPECT_EQ(run.out, "Alpha\nassets\nsrc\n");
}

// The root's own entry is "$/", not "$//".
TEST_F(QorvSessionTest, HistoryOfTheRootNamesItOnce) {
  const QorvRun run = Run({"-q", "history", ""});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "  $/\n")) << run.out;
  EXPECT_FALSE(Contains(run.out, "$//")) << run.out;
}

TEST_F(QorvSessionTest, CtrlCCancelsAWaitingRequest) {
  // Every reply comes a second late, so the interrupt below arrives while
  // qorv waits for one (the SDK looks at the cancel flag every 300 ms).
  server::FaultHooks slow;
  slow.reply_delay_ms = 1000;
  server_.server().SetFaultHooks(slow);
  platform::CapturedProgram program;
  ASSERT_EQ(program.Start(QORV_TEST_QORV_PATH, {"count", kSampleProject},
                          sandbox_.Environment(server_.Login()), ""),
            0);
  ASSERT_TRUE(program.WaitForOutput("Logging in database...", 30000)) << program.err();
  program.Interrupt();
  int exit_code = -1;
  ASSERT_TRUE(program.Finish(30000, &exit_code));
  EXPECT_EQ(exit_code, 8) << program.err();
  EXPECT_TRUE(Contains(program.err(), "qorv: canceled")) << program.err();
  EXPECT_EQ(program.out(), "");
}

}  // namespace
}  // namespace qorv::cli
