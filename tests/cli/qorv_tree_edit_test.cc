// qorv's commands that add files and reshape the project tree, run as a
// program against a reference server holding the sample database: each
// change seen through the read commands (exists, deleted, links, history),
// and the usage errors found before anything connects.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "qorv_program.h"
#include "sample_server.h"

namespace qorv::cli {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool Writable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

class QorvTreeEditTest : public ::testing::Test {
 protected:
  QorvRun Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return sandbox_.Run(arguments, server_.Login(), input);
  }

  // `exists` answers 0 for an item on the server, 1 for none.
  int Exists(const std::string& path) { return Run({"exists", path}).exit_code; }

  void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  SampleServer server_;
  QorvSandbox sandbox_;
};

TEST_F(QorvTreeEditTest, ProjectsAreMadeAndFilesAndFoldersAdded) {
  QorvRun run = Run({"mkdir", "-m", "new", "Docs", "Docs/api"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "created $/Docs\ncreated $/Docs/api\n");
  EXPECT_EQ(Exists("$/Docs/api"), 0);

  const std::string guide = sandbox_.Child("local/guide.txt");
  WriteFile(guide, "Read me.\n");
  run = Run({"--json", "add", "-m", "first", guide, "$/Docs"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, R"("path":"$/Docs/guide.txt","kind":"file")")) << run.out;
  EXPECT_FALSE(Writable(guide)) << "added files are left read-only";
  const std::string got = sandbox_.Child("got");
  ASSERT_EQ(Run({"get", "$/Docs/guide.txt", "-C", got}).exit_code, 0);
  EXPECT_EQ(Run({"compare", got + "/guide.txt", "$/Docs/guide.txt"}).exit_code, 0);

  // Added once already: the item fails the command with the server's reason.
  run = Run({"add", guide, "$/Docs"});
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(Contains(run.err, "already exist")) << run.err;
  EXPECT_TRUE(Contains(run.err, "1 of 1 item could not be added")) << run.err;

  // A folder with a sub-folder becomes a project with a sub-project.
  WriteFile(sandbox_.Child("local/site/index.html"), "<p>hi</p>\n");
  WriteFile(sandbox_.Child("local/site/css/main.css"), "p {}\n");
  run = Run({"add", "-r", "--writable", sandbox_.Child("local/site"), "Docs"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Docs/site/index.html"), 0);
  EXPECT_EQ(Exists("$/Docs/site/css/main.css"), 0);
  EXPECT_TRUE(Writable(sandbox_.Child("local/site/index.html")));
}

// The sample's $/Game holds notes.txt as a deleted item: adding a file of
// that name asks whether to recover it or purge it and add.
TEST_F(QorvTreeEditTest, AnAddOverADeletedCopyDoesWhatTheAnswerSays) {
  const std::string notes = sandbox_.Child("local/notes.txt");
  WriteFile(notes, "new notes\n");
  QorvRun run = Run({"add", notes, "$/Game"});
  EXPECT_EQ(run.exit_code, 8) << run.err;
  EXPECT_TRUE(Contains(run.err, "--recover, --purge")) << run.err;
  EXPECT_EQ(Exists("$/Game/notes.txt"), 1);

  run = Run({"add", "--recover", notes, "$/Game"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Run({"compare", notes, "$/Game/notes.txt"}).exit_code, 1) << "the old file is back";

  ASSERT_EQ(Run({"rm", "$/Game/notes.txt"}).exit_code, 0);
  run = Run({"add", "--purge", notes, "$/Game"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Run({"compare", notes, "$/Game/notes.txt"}).exit_code, 0) << "the new file is added";
  EXPECT_FALSE(Contains(Run({"deleted", "$/Game"}).out, "notes.txt"));
}

TEST_F(QorvTreeEditTest, DeletedItemsAreRecoveredOrPurged) {
  QorvRun run = Run({"rm", "$/Game/src/main.c", "$/Tools"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Game/src/main.c"), 1);
  EXPECT_EQ(Exists("$/Tools"), 1);
  run = Run({"deleted", "$/Game/src"});
  EXPECT_TRUE(Contains(run.out, "main.c")) << run.out;

  run = Run({"recover", "$/Game/src/main.c", "$/Tools"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Game/src/main.c"), 0);
  EXPECT_EQ(Exists("$/Tools"), 0);
  run = Run({"history", "$/Game/src/main.c"});
  EXPECT_TRUE(Contains(run.out, "Version 3  ")) << "its history came back: " << run.out;

  // Purged: gone from the deleted items, and recover has nothing to bring.
  ASSERT_EQ(Run({"rm", "--file", "$/Game/src/main.c"}).exit_code, 0);
  run = Run({"purge", "$/Game/src/main.c"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Contains(Run({"deleted", "$/Game/src"}).out, "main.c"));
  run = Run({"recover", "$/Game/src/main.c"});
  EXPECT_NE(run.exit_code, 0) << run.out;
  EXPECT_EQ(Exists("$/Game/src/main.c"), 1);

  // A project the server refuses to delete answers success with a failed
  // item: the command fails all the same.
  run = Run({"rm", "--project", "$/Game/nothing"});
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(Contains(run.err, "rm failed")) << run.err;

  // --destroy leaves nothing to recover.
  ASSERT_EQ(Run({"rm", "--destroy", "$/Game/assets/logo.png"}).exit_code, 0);
  EXPECT_FALSE(Contains(Run({"deleted", "$/Game/assets"}).out, "logo.png"));
}

TEST_F(QorvTreeEditTest, ItemsAreRenamedAndMoved) {
  QorvRun run = Run({"rename", "$/Game/src/main.c", "game.c"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "$/Game/src/main.c -> $/Game/src/game.c\n");
  EXPECT_EQ(Exists("$/Game/src/game.c"), 0);
  EXPECT_EQ(Exists("$/Game/src/main.c"), 1);

  run = Run({"--json", "rename", "$/Game/assets", "art"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, R"("kind":"project")")) << run.out;
  EXPECT_EQ(Exists("$/Game/art/logo.png"), 0);

  ASSERT_EQ(Run({"mkdir", "$/Game/old"}).exit_code, 0);
  run = Run({"mv", "$/Game/src/game.c", "$/Game/old"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Game/old/game.c"), 0);
  EXPECT_EQ(Exists("$/Game/src/game.c"), 1);
  run = Run({"mv", "$/Game/art", "$/Game/old"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Game/old/art/logo.png"), 0);
}

TEST_F(QorvTreeEditTest, SharesBranchesPinsAndLabels) {
  ASSERT_EQ(Run({"mkdir", "$/Lib", "$/Fork"}).exit_code, 0);
  QorvRun run = Run({"share", "$/Game/src/main.c", "$/Lib"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(Run({"links", "$/Lib/main.c"}).out, "$/Game/src/main.c"));
  // Branched at once: a file of its own, linked to nothing.
  run = Run({"share", "--branch", "$/Game/src/main.c", "$/Fork"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Fork/main.c"), 0);
  EXPECT_FALSE(Contains(Run({"links", "$/Fork/main.c"}).out, "$/Game/src/main.c"));
  run = Run({"branch", "$/Lib/main.c"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Contains(Run({"links", "$/Lib/main.c"}).out, "$/Game/src/main.c"));
  run = Run({"share", "-r", "$/Tools", "$/Fork"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Exists("$/Fork/Tools/build.sh"), 0);
  run = Run({"share", "-r", "$/Game", "$/Game/src"});
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(Contains(run.err, "A project cannot be shared under a descendant")) << run.err;

  // A pinned file cannot be checked out; unpinned, it can.
  const std::string work = sandbox_.Child("work");
  run = Run({"pin", "$/Game/src/main.c", "2"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "pinned $/Game/src/main.c at version 2\n");
  EXPECT_NE(Run({"checkout", "$/Game/src/main.c", "-C", work}).exit_code, 0);
  ASSERT_EQ(Run({"unpin", "$/Game/src/main.c"}).exit_code, 0);
  EXPECT_EQ(Run({"checkout", "$/Game/src/main.c", "-C", work}).exit_code, 0);

  run = Run({"label", "-m", "cut", "$/Game", "beta-2"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Contains(Run({"history", "$/Game"}).out, "beta-2"));
}

// Not on a terminal, the new password is the first line of standard input;
// it is never printed.
TEST_F(QorvTreeEditTest, PasswdTakesTheNewPasswordFromStandardInput) {
  QorvRun run = Run({"passwd"}, "looking-glass\n");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_FALSE(Contains(run.out + run.err, "looking-glass"));
  EXPECT_EQ(sandbox_.Run({"ls"}, server_.Login()).exit_code, 4) << "the old password is refused";
  EXPECT_EQ(sandbox_.Run({"ls"}, server_.Login(kSampleUser, "looking-glass")).exit_code, 0);

  for (const char* input : {"", "\n"}) {
    run = sandbox_.Run({"passwd"}, server_.Login(kSampleUser, "looking-glass"), input);
    EXPECT_EQ(run.exit_code, 2) << "input \"" << input << "\": " << run.err;
  }
  EXPECT_EQ(sandbox_.Run({"ls"}, server_.Login(kSampleUser, "looking-glass")).exit_code, 0);
}

// Mistakes found before anything connects: no server is given here, so
// reaching the connection would fail differently.
TEST(QorvTreeEditUsageTest, ArgumentsThatCannotWorkAreUsageErrors) {
  QorvSandbox sandbox;
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"rename", "$/Game/main.c", "src/main.c"}, "is not a name"},
      {{"rename", "$/", "Root"}, "the root project has no name"},
      {{"pin", "$/Game/main.c", "0"}, "is not a version number"},
      {{"pin", "$/Game/main.c", "v2"}, "is not a version number"},
      {{"label", "$/Game", ""}, "the label is empty"},
      {{"rm", "$/"}, "the root project cannot be deleted"},
      {{"mv", "$/", "$/Game"}, "the root project cannot be moved"},
      {{"mkdir", "$/"}, "exists always"},
      {{"share", "-r", "--file", "$/Game/a.c", "$/B"}, "exclude each other"},
      {{"rm", "--project", "--file", "$/Game"}, "exclude each other"},
      {{"add", sandbox.Child("."), "$/Game"}, "is a folder; add it with -r"},
      {{"add", "main.c", "$//Game"}, "is not a server path"},
  };
  for (const auto& [arguments, message] : cases) {
    const QorvRun run = sandbox.Run(arguments);
    EXPECT_EQ(run.exit_code, 2) << arguments[0] << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, message)) << arguments[0] << ": " << run.err;
  }
}

}  // namespace
}  // namespace qorv::cli
