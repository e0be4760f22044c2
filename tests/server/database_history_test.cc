// Versions of projects, points in time, labels and history.
#include "store_fixture.h"

namespace qorv::server::testing {
namespace {

class HistoryTest : public StoreTest {
 protected:
  // $/P at project versions: 1 created, 2 a.c added, 3 b.c added,
  // 4 a.c checked in, 5 b.c deleted, 6 a.c renamed to c.c.
  void BuildProject() {
    MustCreateProject("$/P");
    Advance();
    MustAdd("$/P/a.c", "a1");
    Advance();
    MustAdd("$/P/b.c", "b1", kFileTypeAutodetect, &bob_);
    Advance();
    MustCheckOut(alice_, "$/P/a.c");
    MustCheckIn(alice_, "$/P/a.c", "a2");
    Advance();
    ASSERT_TRUE(db_->DeleteItem(alice_, "$/P/b.c", false).ok());
    Advance();
    ASSERT_TRUE(db_->RenameItem(alice_, "$/P/a.c", "c.c").ok());
  }

  std::string BodyAt(const std::string& file, PointInTime point, StoreStatus* status) {
    VersionInfo info;
    *status = db_->ResolveGetAt("$/P", point, true, file, &info);
    std::string bytes;
    if (status->ok()) {
      EXPECT_TRUE(db_->ReadBody(info.record_id, Eol::kLf, &bytes).ok());
    }
    return bytes;
  }
};

TEST_F(HistoryTest, AProjectVersionNamesTheTreeAsItWasThen) {
  BuildProject();
  ProjectGeneralInfo info;
  ASSERT_TRUE(db_->ProjectInfo("$/P", &info).ok());
  EXPECT_EQ(info.version, 6);
  EXPECT_EQ(info.files_deleted, 1);

  EXPECT_EQ(Names("$/P", 0, PointInTime::AtProjectVersion(3)),
            (std::vector<std::string>{"a.c", "b.c"}));
  EXPECT_EQ(Names("$/P", 0, PointInTime::AtProjectVersion(5)), std::vector<std::string>{"a.c"});
  EXPECT_EQ(Names("$/P", 0, PointInTime::AtProjectVersion(6)), std::vector<std::string>{"c.c"});

  StoreStatus status;
  EXPECT_EQ(BodyAt("$/P/a.c", PointInTime::AtProjectVersion(3), &status), "a1");
  EXPECT_EQ(BodyAt("$/P/a.c", PointInTime::AtProjectVersion(4), &status), "a2");
  EXPECT_EQ(BodyAt("$/P/b.c", PointInTime::AtProjectVersion(4), &status), "b1");
  EXPECT_EQ(BodyAt("$/P/c.c", PointInTime::AtProjectVersion(6), &status), "a2");
  BodyAt("$/P/c.c", PointInTime::AtProjectVersion(3), &status);
  EXPECT_EQ(status.code, kStatusFileNotFound);
  BodyAt("$/Q/a.c", PointInTime::AtProjectVersion(3), &status);
  EXPECT_EQ(status.code, kStatusFileNotFound);
  std::vector<ListedItem> items;
  status = db_->List(alice_, {"$/P", PointInTime::AtProjectVersion(7), 0, true}, &items);
  EXPECT_EQ(status.code, kStatusNoSuchVersion);
  EXPECT_EQ(status.text, "Version 7 of $/P does not exist");
  EXPECT_EQ(db_->List(alice_, {"$/P", PointInTime::AtProjectVersion(0), 0, true}, &items).code,
            kStatusNoSuchVersion);
}

TEST_F(HistoryTest, ALabelDateNamesTheLabeledStateEvenOneMillisecondEarly) {
  MustCreateProject("$/P");
  MustCreateProject("$/P/Sub");
  MustAdd("$/P/Sub/f.c", "before");
  Advance();
  OleMs label_time = 0;
  ASSERT_TRUE(db_->LabelItem(alice_, "$/P", "Release 1", "first", &label_time).ok());
  MustCheckOut(alice_, "$/P/Sub/f.c");
  MustCheckIn(alice_, "$/P/Sub/f.c", "after");
  MustAdd("$/P/Sub/new.c", "new");

  OleMs found = 0;
  ASSERT_TRUE(db_->LabelDate("$/p/SUB", "release 1", &found).ok());
  EXPECT_EQ(found, label_time);
  EXPECT_EQ(db_->LabelDate("$/P", "nope", &found).text, "Label nope does not exist on $/P");
  // The client's date round trip may lose a millisecond; changes are at
  // least one apart, so both points give the same tree.
  for (OleMs point : {label_time, label_time - 1}) {
    EXPECT_EQ(Names("$/P", -1, PointInTime::AtDate(point)),
              (std::vector<std::string>{"Sub/", "Sub/f.c"}));
    StoreStatus status;
    VersionInfo info;
    ASSERT_TRUE(
        db_->ResolveGetAt("$/P", PointInTime::AtDate(point), true, "$/P/Sub/f.c", &info).ok());
    EXPECT_EQ(info.version, 1);
    // Only files directly in the project without recursion.
    EXPECT_EQ(
        db_->ResolveGetAt("$/P", PointInTime::AtDate(point), false, "$/P/Sub/f.c", &info).code,
        kStatusFileNotFound);
  }
  std::vector<ListedItem> items;
  EXPECT_EQ(db_->List(alice_, {"$/P", PointInTime::AtDate(kStartTime - 1), 0, true}, &items).code,
            kStatusProjectDidNotExist);

  int32_t version = 0;
  ASSERT_TRUE(db_->VersionAtLabel("$/P/Sub/f.c", "Release 1", &version).ok());
  EXPECT_EQ(version, 1);
  std::vector<LabelInfo> labels;
  int32_t current = 0;
  ASSERT_TRUE(db_->Labels("$/P/Sub/f.c", &labels, &current).ok());
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0].labeled_item, "$/P");
  EXPECT_EQ(labels[0].version, 1);
  EXPECT_EQ(current, 2);

  // Labeling again with the same name moves the label.
  Advance();
  OleMs moved = 0;
  ASSERT_TRUE(db_->LabelItem(alice_, "$/P", "RELEASE 1", "", &moved).ok());
  ASSERT_TRUE(db_->VersionAtLabel("$/P/Sub/f.c", "Release 1", &version).ok());
  EXPECT_EQ(version, 2);
  EXPECT_EQ(db_->LabelItem(alice_, "$/P", "", "", &moved).code, kStatusInvalidLabel);
}

TEST_F(HistoryTest, FileHistoryIsNewestFirstWithInheritedLabelsAndFilters) {
  BuildProject();
  OleMs time = 0;
  Advance();
  ASSERT_TRUE(db_->LabelItem(bob_, "$/", "Root label", "on root", &time).ok());
  Advance();
  ASSERT_TRUE(db_->PinFile(alice_, "$/P/c.c", 2, &time).ok());

  FileHistory history;
  ASSERT_TRUE(db_->FileHistoryOf("$/P/c.c", {}, &history).ok());
  EXPECT_TRUE(history.pinned);
  std::vector<std::string> actions;
  for (const HistoryEntry& entry : history.entries) actions.push_back(entry.action);
  EXPECT_EQ(actions, (std::vector<std::string>{"Labeled", "Checked in", "Checked out", "Created"}));
  EXPECT_TRUE(history.entries[0].inherited_label);
  EXPECT_EQ(history.entries[0].label, "Root label");
  EXPECT_EQ(history.entries[0].label_comment, "on root");
  EXPECT_EQ(history.entries[0].version, 2);
  EXPECT_TRUE(history.entries[1].pinned);
  EXPECT_FALSE(history.entries[3].pinned);

  ASSERT_TRUE(db_->FileHistoryOf("$/P/c.c", {"BOB", 0, 0}, &history).ok());
  ASSERT_EQ(history.entries.size(), 1u);
  EXPECT_EQ(history.entries[0].action, "Labeled");
  OleMs labeled = history.entries[0].time;
  ASSERT_TRUE(db_->FileHistoryOf("$/P/c.c", {"", kStartTime + 1, labeled - 1}, &history).ok());
  EXPECT_EQ(history.entries.size(), 3u);
}

TEST_F(HistoryTest, ProjectHistoryMergesProjectsAndFilesOnce) {
  BuildProject();
  MustCreateProject("$/P/Sub");
  MustAdd("$/P/Sub/s.c", "s");

  std::vector<HistoryEntry> entries;
  ASSERT_TRUE(db_->ProjectHistoryOf("$/P", false, false, {}, &entries).ok());
  std::vector<std::string> actions;
  for (const HistoryEntry& entry : entries) actions.push_back(entry.action);
  EXPECT_EQ(actions, (std::vector<std::string>{"Added", "Renamed from a.c", "Deleted", "Checked in",
                                               "Added", "Added", "Created"}));
  EXPECT_EQ(entries[1].path, "$/P/c.c");
  EXPECT_EQ(entries[1].version, 6);
  EXPECT_TRUE(entries[0].is_project);
  EXPECT_EQ(entries[0].path, "$/P/Sub");

  ASSERT_TRUE(db_->ProjectHistoryOf("$/P", false, true, {}, &entries).ok());
  EXPECT_EQ(entries.size(), 9u);  // plus Sub's "Created" and "Added s.c"
  // With file records, a check-in seen as project and file record appears
  // once; the file's own "Checked out" and "Created" records join.
  ASSERT_TRUE(db_->ProjectHistoryOf("$/P", true, false, {}, &entries).ok());
  int checked_in = 0;
  for (const HistoryEntry& entry : entries) checked_in += entry.action == "Checked in";
  EXPECT_EQ(checked_in, 1);
  ASSERT_TRUE(db_->ProjectHistoryOf("$/P", true, false, {"bob", 0, 0}, &entries).ok());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].path, "$/P/b.c");
}

}  // namespace
}  // namespace qorv::server::testing
