// Binding files: the bytes written, which lines of an existing file survive,
// and what is left on disk when the file is damaged or the disk fails.
#include "local/binding_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "local/file_layer.h"
#include "local/working_folder.h"
#include "support/fault_file_system.h"
#include "support/scoped_temp.h"

namespace qorv {
namespace {

using testing::FaultFileSystem;
using testing::FileStep;
using testing::ReadTextFile;
using testing::ScopedTempFolder;
using testing::WriteTextFile;

constexpr char kBanner[] = "SCC = This is a Source Code Control file.\r\n\r\n";

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class BindingFileTest : public ::testing::Test {
 protected:
  BindingFileTest() : path_(BindingFilePathOf(temp_.path())) {
    binding_.SetPath(path_);
    binding_.SetConnection("srv", 7777, "main", "$/Web");
  }

  ScopedTempFolder temp_;
  std::string path_;
  BindingFile binding_;
};

TEST(BindingFilePathTest, JoinsTheNameWithOneSeparator) {
  EXPECT_EQ(BindingFilePathOf("/w/app"), "/w/app/MSSCCPRJ.SCC");
  EXPECT_EQ(BindingFilePathOf("/w/app/"), "/w/app/MSSCCPRJ.SCC");
}

TEST_F(BindingFileTest, AFolderWithoutAFileGetsOneWithTheNewSectionsOnly) {
  BindingResult read = binding_.Read();
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.description, "Error opening SCC file " + path_);
  EXPECT_EQ(binding_.AddProjectFile("Site.csproj").description, "Completed");
  ASSERT_EQ(binding_.sections().size(), 1u);
  EXPECT_EQ(binding_.sections()[0].header, "[Site.csproj]");
  EXPECT_EQ(binding_.sections()[0].aux_path, "SCC_Aux_Path = srv:7777:main");
  EXPECT_EQ(binding_.sections()[0].project_name, "SCC_Project_Name = $/Web");

  BindingResult written = binding_.Write();
  EXPECT_TRUE(written.ok);
  EXPECT_EQ(written.description, "Completed");
  EXPECT_EQ(ReadTextFile(path_), std::string(kBanner) +
                                     "[Site.csproj]\r\nSCC_Aux_Path = srv:7777:main\r\n"
                                     "SCC_Project_Name = $/Web\r\n\r\n");
  EXPECT_TRUE(IsReadOnly(path_));
  EXPECT_EQ(NamesIn(temp_.path()), std::set<std::string>{"MSSCCPRJ.SCC"});
}

TEST_F(BindingFileTest, OnlyTheRecognisedExtensionsAddASection) {
  for (const char* name : {"notes.txt", "Makefile", "App.csproj.bak", "x.proj", "sln"}) {
    BindingResult added = binding_.AddProjectFile(name);
    EXPECT_TRUE(added.ok && added.description == "Completed") << name;
  }
  EXPECT_TRUE(binding_.sections().empty());
  // Nothing to write: no file appears.
  EXPECT_EQ(binding_.Write().description, "Completed");
  EXPECT_TRUE(NamesIn(temp_.path()).empty());

  for (const char* name : {"a.DSP", "b.vbp", "c.Pjx", "d.sln", "e.vjp", "f.dbp", "g.vap", "h.vup",
                           "i.vip", "j.CSPROJ", "k.vbproj", "l.vjsproj", "m.vdproj", "n.etp",
                           "o.vcproj", "p.actproj", "q.ssmssqlproj", "r.SsmsSln"}) {
    binding_.AddProjectFile(name);
  }
  EXPECT_EQ(binding_.sections().size(), 18u);
}

// Such a section would make the whole file unreadable once written.
TEST_F(BindingFileTest, ASectionThatCouldNotBeReadBackIsNotAdded) {
  binding_.AddProjectFile("Good.sln");
  binding_.AddProjectFile("Two\nLines.sln");
  binding_.AddProjectFile(std::string("Zero\0.sln", 10));
  binding_.AddProjectFile(std::string(kMaxBindingLineLength, 'x') + ".sln");
  binding_.SetConnection("srv", 7777, "main\n", "$/Web");
  binding_.AddProjectFile("Other.sln");
  ASSERT_EQ(binding_.sections().size(), 1u);
  ASSERT_TRUE(binding_.Write().ok);
  BindingFile again;
  again.SetPath(path_);
  ASSERT_TRUE(again.Read().ok);
  ASSERT_EQ(again.sections().size(), 1u);
  EXPECT_EQ(again.sections()[0].header, "[Good.sln]");
}

TEST_F(BindingFileTest, TheSameProjectFileInOtherLetterCaseReplacesItsSection) {
  binding_.AddProjectFile("Tools.sln");
  binding_.AddProjectFile("App.CSPROJ");
  binding_.SetConnection("other", 1, "db2", "$/New");
  binding_.AddProjectFile("app.csproj");
  ASSERT_EQ(binding_.sections().size(), 2u);
  EXPECT_EQ(binding_.sections()[0].header, "[Tools.sln]");
  EXPECT_EQ(binding_.sections()[1].header, "[app.csproj]");
  EXPECT_EQ(binding_.sections()[1].aux_path, "SCC_Aux_Path = other:1:db2");
  EXPECT_EQ(binding_.sections()[1].project_name, "SCC_Project_Name = $/New");

  // A header read with white space inside its brackets names the same file.
  WriteTextFile(path_, "[  Lib.vcproj ]\r\nSCC_Aux_Path = a:1:b\r\nSCC_Project_Name = $/Old\r\n");
  ASSERT_TRUE(binding_.Read().ok);
  binding_.AddProjectFile("LIB.VCPROJ");
  ASSERT_EQ(binding_.sections().size(), 1u);
  EXPECT_EQ(binding_.sections()[0].header, "[LIB.VCPROJ]");
  EXPECT_EQ(binding_.sections()[0].project_name, "SCC_Project_Name = $/New");
}

TEST_F(BindingFileTest, ReadKeepsWholeSectionsAndWriteDropsEverythingElse) {
  WriteTextFile(path_,
                "SCC = This is a Source Code Control file.\r\n"
                "\r\n"
                "[A.sln]\r\n"
                "SCC_Aux_Path = s:1:d\r\n"
                "; a comment between the lines\r\n"
                "SCC_Project_Name = $/A\r\n"
                "\r\n"
                "[Broken.csproj]\r\n"
                "SCC_Aux_Path = s:1:d\r\n"
                "\r\n"
                "[Reversed.vbp]\r\n"
                "SCC_Project_Name = $/R\r\n"
                "SCC_Aux_Path = s:1:d\r\n"
                "[B.vbproj]\n"  // a line feed alone ends a line too
                "Other_Key = x\n"
                "scc_aux_path = t:2:e\n"
                "SCC_PROJECT_NAME = $/B");  // the last line without a line end
  BindingResult read = binding_.Read();
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.description, "Completed");
  ASSERT_EQ(binding_.sections().size(), 2u);
  EXPECT_EQ(binding_.sections()[0].header, "[A.sln]");
  EXPECT_EQ(binding_.sections()[0].project_name, "SCC_Project_Name = $/A");
  EXPECT_EQ(binding_.sections()[1].header, "[B.vbproj]");
  EXPECT_EQ(binding_.sections()[1].aux_path, "scc_aux_path = t:2:e");
  EXPECT_EQ(binding_.sections()[1].project_name, "SCC_PROJECT_NAME = $/B");

  binding_.AddProjectFile("C.etp");
  ASSERT_TRUE(binding_.Write().ok);
  EXPECT_EQ(ReadTextFile(path_), std::string(kBanner) +
                                     "[A.sln]\r\nSCC_Aux_Path = s:1:d\r\n"
                                     "SCC_Project_Name = $/A\r\n\r\n"
                                     "[B.vbproj]\r\nscc_aux_path = t:2:e\r\n"
                                     "SCC_PROJECT_NAME = $/B\r\n\r\n"
                                     "[C.etp]\r\nSCC_Aux_Path = srv:7777:main\r\n"
                                     "SCC_Project_Name = $/Web\r\n\r\n");
}

TEST_F(BindingFileTest, AWrittenFileIsReadOnlyAndCanBeWrittenAgain) {
  binding_.AddProjectFile("One.sln");
  ASSERT_TRUE(binding_.Write().ok);
  EXPECT_TRUE(IsReadOnly(path_));

  BindingFile again;
  again.SetPath(path_);
  again.SetConnection("srv", 7777, "main", "$/Two");
  ASSERT_TRUE(again.Read().ok);
  again.AddProjectFile("Two.sln");
  BindingResult written = again.Write();
  EXPECT_TRUE(written.ok) << written.description;
  EXPECT_TRUE(IsReadOnly(path_));
  BindingFile check;
  check.SetPath(path_);
  ASSERT_TRUE(check.Read().ok);
  ASSERT_EQ(check.sections().size(), 2u);
  EXPECT_EQ(check.sections()[1].project_name, "SCC_Project_Name = $/Two");
  EXPECT_EQ(NamesIn(temp_.path()), std::set<std::string>{"MSSCCPRJ.SCC"});
}

// A file that exists but cannot be taken in is reported and never rewritten,
// whatever the object holds, until it is pointed at another file.
TEST_F(BindingFileTest, ADamagedFileIsLeftByteForByteAsItWas) {
  constexpr char kWithZeroByte[] = "[B.sln]\r\nSCC_Aux\0_Path = s:1:d\r\n";
  const std::string section = "[A.sln]\r\nSCC_Aux_Path = s:1:d\r\nSCC_Project_Name = $/A\r\n";
  const std::string damaged[] = {
      section + std::string(kWithZeroByte, sizeof kWithZeroByte - 1),
      section + "; " + std::string(kMaxBindingLineLength, 'x') + "\r\n",
      section + std::string(kMaxBindingFileBytes, '\n'),
  };
  for (const std::string& bytes : damaged) {
    WriteTextFile(path_, bytes);
    BindingResult read = binding_.Read();
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.description, "Error reading SCC file");
    EXPECT_TRUE(binding_.sections().empty());
    EXPECT_TRUE(binding_.AddProjectFile("Site.csproj").ok);
    BindingResult written = binding_.Write();
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.description, "Error reading SCC file");
    EXPECT_EQ(ReadTextFile(path_), bytes);
    EXPECT_FALSE(IsReadOnly(path_));
  }

  // A line of exactly the longest length is still read.
  const std::string longest = section + std::string(kMaxBindingLineLength, 'x') + "\r\n";
  WriteTextFile(path_, longest);
  EXPECT_TRUE(binding_.Read().ok);
  EXPECT_EQ(binding_.sections().size(), 1u);

  // Another file name lifts the refusal.
  WriteTextFile(path_, std::string("\0", 1));
  EXPECT_FALSE(binding_.Read().ok);
  ScopedTempFolder other;
  binding_.SetPath(BindingFilePathOf(other.path()));
  binding_.AddProjectFile("Site.csproj");
  EXPECT_TRUE(binding_.Write().ok);
  EXPECT_EQ(ReadTextFile(binding_.path()), std::string(kBanner) +
                                               "[Site.csproj]\r\nSCC_Aux_Path = srv:7777:main\r\n"
                                               "SCC_Project_Name = $/Web\r\n\r\n");
}

TEST_F(BindingFileTest, AFileThatCannotBeOpenedOrReadIsNotReplaced) {
  // A folder where the file should be cannot be opened.
  std::filesystem::create_directory(path_);
  BindingResult read = binding_.Read();
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.description, "Error opening SCC file " + path_);
  binding_.AddProjectFile("Site.csproj");
  EXPECT_FALSE(binding_.Write().ok);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  std::filesystem::remove(path_);

  const std::string bytes = "[A.sln]\r\nSCC_Aux_Path = s:1:d\r\nSCC_Project_Name = $/A\r\n";
  WriteTextFile(path_, bytes);
  FaultFileSystem disk;
  FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
  disk.FailCall(FileStep::kRead, EIO);
  read = binding_.Read();
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.description, "Error reading SCC file");
  EXPECT_FALSE(binding_.Write().ok);
  EXPECT_EQ(ReadTextFile(path_), bytes);

  // Read again once the disk answers: the file may be written.
  ASSERT_TRUE(binding_.Read().ok);
  binding_.AddProjectFile("Site.csproj");
  EXPECT_TRUE(binding_.Write().ok);
  EXPECT_EQ(binding_.sections().size(), 2u);
}

TEST_F(BindingFileTest, AFailedWriteLeavesTheOldFileReadOnlyAndNothingBeside) {
  binding_.AddProjectFile("Old.sln");
  ASSERT_TRUE(binding_.Write().ok);
  const std::string old_bytes = ReadTextFile(path_);
  binding_.AddProjectFile("New.csproj");

  FaultFileSystem disk;
  FileLayer::ScopedFileSystem scope(FileLayer::Shared(), disk);
  disk.FailWritesAfter(20, ENOSPC);
  BindingResult written = binding_.Write();
  EXPECT_FALSE(written.ok);
  EXPECT_EQ(written.description, "Error writing SCC file.");
  EXPECT_EQ(ReadTextFile(path_), old_bytes);
  EXPECT_TRUE(IsReadOnly(path_));
  EXPECT_EQ(NamesIn(temp_.path()), std::set<std::string>{"MSSCCPRJ.SCC"});

  disk.FailWritesAfter(1 << 20, ENOSPC);
  disk.FailCall(FileStep::kRename, EIO);
  EXPECT_EQ(binding_.Write().description, "Error writing SCC file.");
  EXPECT_EQ(ReadTextFile(path_), old_bytes);
  EXPECT_TRUE(IsReadOnly(path_));
  EXPECT_EQ(NamesIn(temp_.path()), std::set<std::string>{"MSSCCPRJ.SCC"});

  disk.FailCall(FileStep::kOpen, EMFILE);
  written = binding_.Write();
  EXPECT_FALSE(written.ok);
  EXPECT_EQ(written.description, "Error opening SCC file " + path_);
  EXPECT_EQ(ReadTextFile(path_), old_bytes);
  EXPECT_TRUE(IsReadOnly(path_));

  // A folder that is not there cannot take a binding file.
  BindingFile nowhere;
  nowhere.SetPath(BindingFilePathOf(temp_.Child("missing")));
  nowhere.AddProjectFile("Old.sln");
  EXPECT_EQ(nowhere.Write().description,
            "Error opening SCC file " + BindingFilePathOf(temp_.Child("missing")));

  EXPECT_TRUE(binding_.Write().ok);
  EXPECT_NE(ReadTextFile(path_).find("[New.csproj]"), std::string::npos);
}

}  // namespace
}  // namespace qorv
