#include "local/cache_format.h"

#include <gtest/gtest.h>

#include "local/variant_date.h"

namespace qorv {
namespace {

CacheDate Date(int64_t day, int32_t ms) {
  return CacheDate::Valid(DateFromDayAndMilliseconds(day, ms));
}

// A tree with every kind of content: working folders, cloaked and empty
// nodes, entries with and without local copies, all three date states.
void BuildSample(CacheModel* model) {
  model->set_current_project("$/Proj/Sub");
  model->SetWorkingFolder("$/Proj", "/home/u/proj");
  model->SetWorkingFolder("$/Other", "/srv/other");
  CacheNode* sub = model->EnsureProject("$/Proj/Sub");
  sub->set_cloaked(true);
  model->EnsureProject("$/Proj/Empty");
  CacheFileEntry entry;
  entry.checkout_path = "/home/u/proj/Sub/x.c";
  entry.latest_version_date = Date(45000, 43200123);
  entry.spare_integer = -7;
  entry.user_name = "bob...";
  entry.status = 5;
  entry.version = 12;
  entry.spare_date = CacheDate::Invalid();
  entry.SetLocalCopy("/home/u/proj/Sub/x.c", 12, Date(44999, 1));
  entry.SetLocalCopy("/tmp/x.c", 11, CacheDate::Null());
  model->PutFile("$/Proj/Sub/x.c", entry);
  CacheFileEntry plain;
  model->PutFile("$/Proj/readme.txt", plain);
}

TEST(CacheFormatTest, WritesTheExactLayout) {
  CacheModel model;
  BuildSample(&model);
  const std::string expected =
      "$$$Version: 5.3.1\n"
      "$/Proj/Sub\n"
      "$/OTHER\n/srv/other\n"
      "$/PROJ\n/home/u/proj\n"
      "\n"
      "$/\n0\n"
      "Proj\n0\n"
      "Sub\n2\n"
      "\n"
      "x.c\n/home/u/proj/Sub/x.c\n2023-03-15 12:00:00.123\n-7\nbob...\n5\n12\nInvalid DateTime\n"
      "0x00000000000000000000000000000000\n"
      "map\n/home/u/proj/Sub/x.c\n12\n2023-03-14 00:00:00.001\n"
      "map\n/tmp/x.c\n11\n\n"
      "\n"
      "Empty\n0\n\n\n"  // an empty node: name, flags, two empty lines
      "\n"
      "readme.txt\n\n\n0\n\n0\n0\n\n0x00000000000000000000000000000000\n"
      "\n"
      "\n"   // the root's sub-projects end
      "\n";  // the root has no files
  EXPECT_EQ(FormatCacheText(model), expected);
}

TEST(CacheFormatTest, AWrittenCacheReadsBackToTheSameModel) {
  CacheModel model;
  BuildSample(&model);
  std::string text = FormatCacheText(model);
  CacheModel read;
  ASSERT_TRUE(ParseCacheText(text, &read));
  EXPECT_EQ(read.current_project(), "$/Proj/Sub");
  EXPECT_EQ(read.working_folders(), model.working_folders());
  EXPECT_EQ(read.SubProjectNames("$/Proj"), (std::vector<std::string>{"Sub", "Empty"}));
  EXPECT_TRUE(read.FindProject("$/proj/sub")->cloaked());
  EXPECT_FALSE(read.FindProject("$/Proj/Empty")->cloaked());
  ASSERT_NE(read.FindFile("$/Proj/Sub/x.c"), nullptr);
  EXPECT_EQ(*read.FindFile("$/Proj/Sub/x.c"), *model.FindFile("$/Proj/Sub/x.c"));
  EXPECT_EQ(*read.FindFile("$/Proj/readme.txt"), *model.FindFile("$/Proj/readme.txt"));
  // Writing what was read gives the same bytes.
  EXPECT_EQ(FormatCacheText(read), text);
}

TEST(CacheFormatTest, AFileNamedMapKeepsItsPlaceAsAnEntry) {
  CacheModel model;
  CacheFileEntry first;
  first.SetLocalCopy("/w/a.c", 3, CacheDate::Null());
  model.PutFile("$/P/a.c", first);
  CacheFileEntry map_named;
  map_named.version = 9;
  model.PutFile("$/P/Map", map_named);
  CacheModel read;
  ASSERT_TRUE(ParseCacheText(FormatCacheText(model), &read));
  CacheNode* project = read.FindProject("$/P");
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->files().size(), 2u);
  EXPECT_EQ(project->FindFile("a.c")->local_copies.size(), 1u);
  ASSERT_NE(project->FindFile("map"), nullptr);
  EXPECT_EQ(project->FindFile("map")->version, 9);
}

TEST(CacheFormatTest, ReadsTheOlderLayoutsAndWindowsLineBreaks) {
  // 5.2: five-line entries, no digest, no local copies.
  const std::string old_layout =
      "$$$Version: 5.2\r\n$/A\r\n\r\n$/\r\n0\r\nA\r\n0\r\n\r\n"
      "one.c\r\nt1\r\n\r\n4\r\nt2\r\n"
      "map\r\nt1b\r\nInvalid DateTime\r\n5\r\n\r\n"
      "\r\n\r\n\r\n";
  CacheModel model;
  ASSERT_TRUE(ParseCacheText(old_layout, &model));
  CacheNode* a = model.FindProject("$/A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->FileNames(), (std::vector<std::string>{"one.c", "map"}));
  EXPECT_EQ(a->FindFile("one.c")->spare_integer, 4);
  EXPECT_EQ(a->FindFile("map")->checkout_path, "t1b");
  EXPECT_EQ(a->FindFile("map")->latest_version_date, CacheDate::Invalid());

  CacheModel current;
  ASSERT_TRUE(ParseCacheText("$$$Version: 5.3\n$/\n\n$/\n0\n\n\n", &current));
  EXPECT_EQ(current.current_project(), "$/");
}

TEST(CacheFormatTest, RefusesWhatBreaksTheGrammar) {
  const char* bad[] = {
      "$$$Version: 5.0\n$/\n\n$/\n0\n\n\n",                 // unknown version
      "$$$Version: 5.3.1\n$/\n$/A\n\n$/\n0\n\n\n",          // working folder without value
      "$$$Version: 5.3.1\n$/\n\nroot\n0\n\n\n",             // root name
      "$$$Version: 5.3.1\n$/\n\n$/\n0\nA/B\n0\n\n\n\n\n",   // sub-project with "/"
      "$$$Version: 5.3.1\n$/\n\n$/\n0\n\nx/y\n",            // file name with "/"
      "$$$Version: 5.3.1\n$/\n\n$/\n0\nA\n0\n\n",           // ends inside the tree
      "$$$Version: 5.3.1\n$/\n\n$/\n0\n\nx.c\n\n\n0\n",     // ends inside an entry
      "$$$Version: 5.3.1\n$/\n\n$/\n0\nA\rB\n0\n\n\n\n\n",  // a lone CR in a name
      "",
  };
  for (const char* text : bad) {
    CacheModel model;
    EXPECT_FALSE(ParseCacheText(text, &model)) << text;
  }
}

TEST(CacheFormatTest, LineBreaksInsideValuesCannotBreakTheFile) {
  CacheModel model;
  model.SetWorkingFolder("$/A", "/w/evil\nfolder");
  CacheFileEntry entry;
  entry.user_name = "user\r\nname";
  model.PutFile("$/A/f.c", entry);
  EXPECT_EQ(model.PutFile("$/A/bad\nname", entry), nullptr);
  EXPECT_EQ(model.EnsureProject("$/A/bad\nproject"), nullptr);
  CacheModel read;
  ASSERT_TRUE(ParseCacheText(FormatCacheText(model), &read));
  EXPECT_EQ(read.WorkingFolder("$/A"), "/w/evil folder");
  EXPECT_EQ(read.FindFile("$/A/f.c")->user_name, "user  name");
}

// Keys edited by hand: a carriage return inside a key is written as a
// space and extra trailing "/"s are dropped, so they are read that way at
// once; otherwise each save would change the file again, and two keys that
// meet only on the next load would lose a binding there.
TEST(CacheFormatTest, HandEditedKeysReadAsTheyAreWritten) {
  const std::string text =
      "$$$Version: 5.3.1\n$/\n"
      "$/A\rB\n/w/first\n"
      "$/A B\n/w/second\n"
      "$/C//\n/w/c\n"
      "\n$/\n0\n\n"
      "f.c\n\n\n0\n\n0\n0\n\n0x00000000000000000000000000000000\n"
      "map\n/w/x\ry\n1\n\n"
      "map\n/w/x y\n2\n\n"
      "\n";
  CacheModel model;
  ASSERT_TRUE(ParseCacheText(text, &model));
  EXPECT_EQ(model.working_folders().size(), 2u);
  EXPECT_EQ(model.WorkingFolder("$/A B"), "/w/second");  // the later pair wins
  EXPECT_EQ(model.WorkingFolder("$/C"), "/w/c");
  const CacheFileEntry* entry = model.FindFile("$/f.c");
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(entry->local_copies.size(), 1u);
  EXPECT_EQ(entry->local_copies[0].local_path, "/w/x y");
  EXPECT_EQ(entry->local_copies[0].version, 2);

  const std::string written = FormatCacheText(model);
  CacheModel again;
  ASSERT_TRUE(ParseCacheText(written, &again));
  EXPECT_EQ(FormatCacheText(again), written);
}

}  // namespace
}  // namespace qorv
