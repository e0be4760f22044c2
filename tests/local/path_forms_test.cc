#include "local/path_forms.h"

#include <gtest/gtest.h>

#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

TEST(PathFormsTest, SplitsServerPathsAtTheLastSlash) {
  SplitPath a = SplitServerPath("$/A");
  EXPECT_EQ(a.parent, "$/");
  EXPECT_EQ(a.name, "A");
  SplitPath ab = SplitServerPath("$/A/B");
  EXPECT_EQ(ab.parent, "$/A");
  EXPECT_EQ(ab.name, "B");
  SplitPath bare = SplitServerPath("name");
  EXPECT_EQ(bare.parent, "");
  EXPECT_EQ(bare.name, "name");
}

TEST(PathFormsTest, SplitsLocalPathsKeepingTheRoot) {
  SplitPath at_root = SplitLocalPath("/x.txt");
  EXPECT_EQ(at_root.parent, "/");
  EXPECT_EQ(at_root.name, "x.txt");
  SplitPath nested = SplitLocalPath("/w/sub/x.txt");
  EXPECT_EQ(nested.parent, "/w/sub");
  EXPECT_EQ(nested.name, "x.txt");
}

TEST(PathFormsTest, JoinsWithoutDoublingTheSeparator) {
  EXPECT_EQ(JoinServerPath("$/", "A"), "$/A");
  EXPECT_EQ(JoinServerPath("$/A", "x.c"), "$/A/x.c");
  EXPECT_EQ(JoinLocalPath("/", "x.txt"), "/x.txt");
  EXPECT_EQ(JoinLocalPath("/w/", "x.txt"), "/w/x.txt");
  EXPECT_EQ(JoinLocalPath("/w", "x.txt"), "/w/x.txt");
}

TEST(PathFormsTest, MapsItemsBelowTheBaseProject) {
  EXPECT_EQ(MappedLocalPath("$/A", "/w", "$/A/B/c.txt").path, "/w/B/c.txt");
  EXPECT_EQ(MappedLocalPath("$/", "/w/", "$/B/c.txt").path, "/w/B/c.txt");
  EXPECT_EQ(MappedLocalPath("$/a", "/w", "$/A/c.txt").path, "/w/c.txt");  // case ignored
  // Nothing maps: not a server path, not longer than the base, or not below
  // the base (a sibling sharing the base's first letters).
  EXPECT_EQ(MappedLocalPath("A", "/w", "$/A/c.txt").path, "");
  EXPECT_EQ(MappedLocalPath("$/A", "/w", "A/c.txt").path, "");
  EXPECT_EQ(MappedLocalPath("$/A", "/w", "$/A").path, "");
  LocalPathResult sibling = MappedLocalPath("$/A", "/w", "$/AB/c.txt");
  EXPECT_TRUE(sibling.ok());
  EXPECT_EQ(sibling.path, "");
}

TEST(PathFormsTest, RefusesServerNamesThatLeaveTheFolder) {
  for (const char* name :
       {"..", "../x", "A/../../x", ".", "...", "/etc/passwd", "a\\b", "", "A//B", "A/"}) {
    LocalPathResult result = LocalPathBelow("/w", name);
    EXPECT_EQ(result.result, kResultUnsafeServerName) << name;
    EXPECT_EQ(result.path, "") << name;
    EXPECT_NE(result.description.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(MappedLocalPath("$/A", "/w", "$/A/../../etc").result, kResultUnsafeServerName);
  // Dots inside a name are fine.
  EXPECT_EQ(LocalPathBelow("/w", "a..b/.hidden/x.txt").path, "/w/a..b/.hidden/x.txt");
}

}  // namespace
}  // namespace qorv
