// Check out, undo check out and check in through the interface against the
// reference server: the whole cycle seen from a second working folder,
// every local-file handling and prompt answer, merges with a version another
// user checked in, and a server that goes away between the two steps of a
// check-in.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "net/command_list.h"
#include "sdk_fixture.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  LONG result = -1;
  std::string description;
  bool canceled = false;
  std::vector<std::pair<LONG, std::string>> items;  // result, description
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  if (fs::exists(path)) fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool IsWritable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

// Fills `set` (an input set whose items have a server path and a local file
// name) through IDispatch-free calls of the item's interface.
template <class Set, class Item>
Set* MakeSet(const CLSID& set_class, const IID& set_iid, const CLSID& item_class,
             const IID& item_iid, const std::vector<std::pair<std::string, std::string>>& files,
             HRESULT (Item::*put_server)(BSTR)) {
  Set* set = sdk::CreateObject<Set>(set_class, set_iid);
  for (const auto& [server, local] : files) {
    Item* item = sdk::CreateObject<Item>(item_class, item_iid);
    (item->*put_server)(Text(server.c_str()));
    item->put_LocalFileName(Text(local.c_str()));
    set->Add(item, nullptr);
    item->Release();
  }
  return set;
}

class CheckInOutTest : public SdkTest {
 protected:
  void SetUp() override {
    MustCreateProject("$/P");
    MustAddFile("$/P/a.txt", "one\ntwo\nthree\n");
    MustAddFile("$/P/b.txt", "bee\n");
    client_ = LoggedInClient();
    folder_ = work_folder_ + "/wf";
    a_ = folder_ + "/a.txt";
    b_ = folder_ + "/b.txt";
  }

  Outcome Finish(LONG result, BSTR description, VARIANT_BOOL canceled,
                 IQORVOperationResultSet* set) {
    Outcome outcome;
    outcome.result = result;
    outcome.description = TakeText(description);
    outcome.canceled = canceled == VARIANT_TRUE;
    LONG count = 0;
    if (set != nullptr) set->get_Count(&count);
    for (LONG i = 0; i < count; ++i) {
      VARIANT element;
      set->get_Item(i, &element);
      IQORVOperationResult* item = nullptr;
      element.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                             reinterpret_cast<void**>(&item));
      VariantClear(&element);
      LONG value = -1;
      BSTR text = nullptr;
      item->get_OperationResult(&value);
      item->get_Description(&text);
      outcome.items.emplace_back(value, TakeText(text));
      item->Release();
    }
    if (set != nullptr) set->Release();
    return outcome;
  }

  Outcome CheckOut(const std::vector<std::pair<std::string, std::string>>& files,
                   bool no_local_copy = false,
                   Enum_WritableFileHandling handling = Enum_WritableFileHandlingReplace) {
    auto* set = MakeSet<IQORVCheckoutFileSet, IQORVCheckoutFile>(
        CLSID_QORVCheckoutFileSet, IID_IQORVCheckoutFileSet, CLSID_QORVCheckoutFile,
        IID_IQORVCheckoutFile, files, &IQORVCheckoutFile::put_FileToCheckout);
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->CheckoutFiles(
                  set, Text("working on it"), no_local_copy ? VARIANT_TRUE : 0, handling, Enum_LF,
                  Enum_SetLocalFileTimeCurrent, &canceled, &description, &items, &result),
              S_OK);
    set->Release();
    return Finish(result, description, canceled, items);
  }

  Outcome Undo(const std::vector<std::pair<std::string, std::string>>& files,
               Enum_UndoCheckOutLocalFileHandling local,
               Enum_UndoCheckOutChangedFileHandling changed, bool read_only = true) {
    auto* set = MakeSet<IQORVUndoCheckoutFileSet, IQORVUndoCheckoutFile>(
        CLSID_QORVUndoCheckoutFileSet, IID_IQORVUndoCheckoutFileSet, CLSID_QORVUndoCheckoutFile,
        IID_IQORVUndoCheckoutFile, files, &IQORVUndoCheckoutFile::put_FileToUndo);
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->UndoFilesCheckout(set, Enum_LF, Enum_SetLocalFileTimeCurrent, local,
                                            changed, read_only ? VARIANT_TRUE : 0, &canceled,
                                            &description, &items, &result),
              S_OK);
    set->Release();
    return Finish(result, description, canceled, items);
  }

  struct CheckInArgs {
    bool keep = false;
    bool remove_local = false;
    Enum_CheckinUnchangedFileHandling unchanged = Enum_CheckinUnchangedFileHandlingCheckin;
    std::string tool;
    std::string merge_args;
  };
  Outcome CheckIn(const std::vector<std::pair<std::string, std::string>>& files,
                  const CheckInArgs& args) {
    auto* set = MakeSet<IQORVCheckinFileSet, IQORVCheckinFile>(
        CLSID_QORVCheckinFileSet, IID_IQORVCheckinFileSet, CLSID_QORVCheckinFile,
        IID_IQORVCheckinFile, files, &IQORVCheckinFile::put_FileToCheckin);
    LONG result = -1;
    BSTR description = nullptr;
    VARIANT_BOOL canceled = 5;
    IQORVOperationResultSet* items = nullptr;
    EXPECT_EQ((*client_)->CheckInFiles(set, args.keep ? VARIANT_TRUE : 0, Text("done"), Enum_LF,
                                       Enum_SetLocalFileTimeCurrent, args.unchanged, VARIANT_TRUE,
                                       args.remove_local ? VARIANT_TRUE : 0,
                                       Text(args.tool.c_str()), Text(args.merge_args.c_str()),
                                       &canceled, &description, &items, &result),
              S_OK);
    set->Release();
    return Finish(result, description, canceled, items);
  }

  int32_t LatestVersion(const std::string& path) {
    server::FileGeneralInfo info;
    EXPECT_TRUE(db().FileInfo(path, &info).ok());
    return info.version;
  }
  bool CheckedOutBy(const std::string& path, const std::string& user) {
    server::CheckoutState state;
    EXPECT_TRUE(db().CheckoutStateOf(Actor(user), path, &state).ok());
    return state.checked_out_by_actor;
  }

  std::unique_ptr<SdkClient> client_;
  std::string folder_;
  std::string a_;
  std::string b_;
};

TEST_F(CheckInOutTest, ACheckOutEditCheckInCycleReachesASecondWorkingFolder) {
  const Outcome out = CheckOut({{"$/P/a.txt", a_}});
  ASSERT_EQ(out.result, 0) << out.description;
  EXPECT_EQ(ReadFile(a_), "one\ntwo\nthree\n");
  EXPECT_TRUE(IsWritable(a_));
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));

  // Every byte value but the carriage return, whose line ending a text file
  // takes from the get's EOL.
  std::string body = "one\ntwo\nthree\n";
  for (int i = 0; i < 256; ++i) {
    if (i != '\r') body.push_back(static_cast<char>(i));
  }
  WriteFile(a_, body);
  const Outcome in = CheckIn({{"$/P/a.txt", a_}}, {});
  ASSERT_EQ(in.result, 0) << in.description;
  ASSERT_EQ(in.items.size(), 1u);
  EXPECT_EQ(in.items[0].first, 0) << in.items[0].second;
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 2);
  EXPECT_FALSE(CheckedOutBy("$/P/a.txt", "alice"));
  EXPECT_FALSE(IsWritable(a_));  // ReadOnlyIfNotCheckedout

  const std::string second = work_folder_ + "/second";
  LONG result = -1;
  BSTR description = nullptr;
  VARIANT_BOOL canceled = 5;
  IQORVOperationResultSet* items = nullptr;
  ASSERT_EQ((*client_)->GetLatestProject(Text("$/P"), Text(second.c_str()), 0, 0,
                                         Enum_WritableFileHandlingReplace, Enum_LF,
                                         Enum_SetLocalFileTimeCurrent, nullptr, nullptr, &canceled,
                                         &description, &items, &result),
            S_OK);
  Finish(result, description, canceled, items);
  EXPECT_EQ(ReadFile(second + "/a.txt"), body);
}

TEST_F(CheckInOutTest, ProjectFormsWalkTheProjectRecursively) {
  MustCreateProject("$/P/Sub");
  MustAddFile("$/P/Sub/c.txt", "sea\n");
  LONG result = -1;
  BSTR description = nullptr;
  VARIANT_BOOL canceled = 5;
  IQORVOperationResultSet* items = nullptr;
  ASSERT_EQ((*client_)->CheckoutProject(Text("$/P"), Text(folder_.c_str()), Text(""), 0,
                                        VARIANT_TRUE, Enum_WritableFileHandlingReplace, Enum_LF,
                                        Enum_SetLocalFileTimeCurrent, &canceled, &description,
                                        &items, &result),
            S_OK);
  Outcome out = Finish(result, description, canceled, items);
  ASSERT_EQ(out.result, 0) << out.description;
  EXPECT_EQ(out.items.size(), 3u);
  EXPECT_TRUE(IsWritable(folder_ + "/Sub/c.txt"));
  EXPECT_TRUE(CheckedOutBy("$/P/Sub/c.txt", "alice"));

  WriteFile(folder_ + "/Sub/c.txt", "sea change\n");
  ASSERT_EQ((*client_)->CheckInProject(Text("$/P"), Text(folder_.c_str()), Text("all"),
                                       VARIANT_TRUE, 0, 0, Enum_LF, Enum_SetLocalFileTimeCurrent,
                                       Enum_CheckinUnchangedFileHandlingUndoCheckout, VARIANT_TRUE,
                                       nullptr, nullptr, &canceled, &description, &items, &result),
            S_OK);
  out = Finish(result, description, canceled, items);
  ASSERT_EQ(out.result, 0) << out.description;
  for (const auto& [value, text] : out.items) EXPECT_EQ(value, 0) << text;
  EXPECT_EQ(LatestVersion("$/P/Sub/c.txt"), 2);
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 1);
  EXPECT_FALSE(CheckedOutBy("$/P/a.txt", "alice"));
  EXPECT_FALSE(CheckedOutBy("$/P/Sub/c.txt", "alice"));
}

TEST_F(CheckInOutTest, CheckOutWithoutACopyTwiceAndByAnotherUser) {
  const Outcome out = CheckOut({{"$/P/a.txt", folder_ + "/new/a.txt"}}, true);
  ASSERT_EQ(out.result, 0) << out.description;
  EXPECT_TRUE(fs::is_directory(folder_ + "/new"));
  EXPECT_FALSE(fs::exists(folder_ + "/new/a.txt"));
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));

  // Already checked out by alice: 30020, and her local copy made writable.
  fs::create_directories(folder_);
  WriteFile(a_, "mine\n");
  fs::permissions(a_, fs::perms::owner_write, fs::perm_options::remove);
  const Outcome again = CheckOut({{"$/P/a.txt", a_}, {"$/P/nope.txt", folder_ + "/nope.txt"}});
  EXPECT_EQ(again.result, 0) << again.description;
  ASSERT_EQ(again.items.size(), 2u);
  EXPECT_EQ(again.items[0].first, kResultAlreadyCheckedOutByYou);
  EXPECT_EQ(again.items[0].second, "You currently have file $/P/a.txt checked out");
  EXPECT_EQ(again.items[1].first, kResultNotFound);
  EXPECT_TRUE(IsWritable(a_));

  // Bob holds b.txt: with several check-outs allowed alice gets it too;
  // without, the server refuses and the local file is left alone.
  server::CheckoutResult held;
  ASSERT_TRUE(db().CheckOut(Actor("bob"), "$/P/b.txt", "", &held).ok());
  EXPECT_EQ(CheckOut({{"$/P/b.txt", b_}}).items.at(0).first, 0);
  ASSERT_EQ(Undo({{"$/P/b.txt", b_}}, Enum_UndoCheckOutLocalFileHandlingLeave,
                 Enum_UndoCheckOutChangedFileHandlingCancel)
                .result,
            0);
  ASSERT_TRUE(db().SetMultipleCheckouts(false).ok());
  WriteFile(b_, "local b\n");
  const Outcome refused = CheckOut({{"$/P/b.txt", b_}});
  ASSERT_EQ(refused.items.size(), 1u);
  EXPECT_NE(refused.items[0].first, 0);
  EXPECT_EQ(ReadFile(b_), "local b\n");
  EXPECT_FALSE(CheckedOutBy("$/P/b.txt", "alice"));
}

TEST_F(CheckInOutTest, UndoHandlesTheLocalCopyOnlyAsTheCallerAgreed) {
  ASSERT_EQ(CheckOut({{"$/P/a.txt", a_}, {"$/P/b.txt", b_}}).result, 0);
  WriteFile(a_, "changed a\n");
  int prompts = 0;
  LONG answer = Enum_UndoCheckOutChangedFileHandlingNotUndo;
  client_->sink().on_event = [&](DISPID dispid) {
    if (dispid != DISPID_PromptUndoCheckoutChangedFile) return;
    ++prompts;
    BSTR information = nullptr;
    (*client_)->GetPromptUndoCheckoutChangedFile(&information);
    EXPECT_EQ(TakeText(information), a_ + " has changed.\r\nUndo check out and lose changes?");
    (*client_)->SetPromptUndoCheckoutChangedFile(
        static_cast<Enum_UndoCheckOutChangedFileHandling>(answer), VARIANT_FALSE);
  };

  // Leave never asks, even for a changed file; the file becomes read-only.
  ASSERT_EQ(Undo({{"$/P/a.txt", a_}}, Enum_UndoCheckOutLocalFileHandlingLeave,
                 Enum_UndoCheckOutChangedFileHandlingAsk)
                .result,
            0);
  EXPECT_EQ(prompts, 0);
  EXPECT_EQ(ReadFile(a_), "changed a\n");
  EXPECT_FALSE(IsWritable(a_));
  EXPECT_FALSE(CheckedOutBy("$/P/a.txt", "alice"));

  // Replace of a changed file: NotUndo keeps it checked out and untouched,
  // Cancel stops, Undo replaces it.
  ASSERT_EQ(CheckOut({{"$/P/a.txt", a_}}, true).result, 0);
  fs::permissions(a_, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(Undo({{"$/P/a.txt", a_}}, Enum_UndoCheckOutLocalFileHandlingReplace,
                 Enum_UndoCheckOutChangedFileHandlingAsk)
                .result,
            0);
  EXPECT_EQ(prompts, 1);
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));
  EXPECT_EQ(ReadFile(a_), "changed a\n");
  answer = Enum_UndoCheckOutChangedFileHandlingCancel;
  const Outcome canceled = Undo({{"$/P/a.txt", a_}}, Enum_UndoCheckOutLocalFileHandlingReplace,
                                Enum_UndoCheckOutChangedFileHandlingAsk);
  EXPECT_EQ(canceled.result, kResultPromptCanceled);
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));
  answer = Enum_UndoCheckOutChangedFileHandlingUndo;
  ASSERT_EQ(Undo({{"$/P/a.txt", a_}}, Enum_UndoCheckOutLocalFileHandlingReplace,
                 Enum_UndoCheckOutChangedFileHandlingAsk)
                .result,
            0);
  EXPECT_EQ(ReadFile(a_), "one\ntwo\nthree\n");
  EXPECT_FALSE(CheckedOutBy("$/P/a.txt", "alice"));

  // Delete of an unchanged file deletes it without asking; Replace of a
  // missing one fetches it.
  prompts = 0;
  ASSERT_EQ(Undo({{"$/P/b.txt", b_}}, Enum_UndoCheckOutLocalFileHandlingDelete,
                 Enum_UndoCheckOutChangedFileHandlingAsk)
                .result,
            0);
  EXPECT_EQ(prompts, 0);
  EXPECT_FALSE(fs::exists(b_));
  ASSERT_EQ(CheckOut({{"$/P/b.txt", b_}}, true).result, 0);
  ASSERT_EQ(Undo({{"$/P/b.txt", b_}}, Enum_UndoCheckOutLocalFileHandlingReplace,
                 Enum_UndoCheckOutChangedFileHandlingCancel)
                .result,
            0);
  EXPECT_EQ(ReadFile(b_), "bee\n");
  EXPECT_FALSE(IsWritable(b_));
}

TEST_F(CheckInOutTest, UnchangedFilesKeepAndRemoveLocalCopy) {
  ASSERT_EQ(CheckOut({{"$/P/a.txt", a_}, {"$/P/b.txt", b_}}).result, 0);
  // Checkin: a new version although nothing changed.
  CheckInArgs keep;
  keep.keep = true;
  ASSERT_EQ(CheckIn({{"$/P/a.txt", a_}}, keep).result, 0);
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 2);
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));
  EXPECT_TRUE(IsWritable(a_));

  // UndoCheckout with KeepCheckout: neither checked in nor released.
  keep.unchanged = Enum_CheckinUnchangedFileHandlingUndoCheckout;
  ASSERT_EQ(CheckIn({{"$/P/a.txt", a_}}, keep).result, 0);
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 2);
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));

  // RemoveLocalCopy with KeepCheckout keeps the local file.
  WriteFile(a_, "edited\n");
  keep.remove_local = true;
  ASSERT_EQ(CheckIn({{"$/P/a.txt", a_}}, keep).result, 0);
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 3);
  EXPECT_TRUE(fs::exists(a_));

  // UndoCheckout without KeepCheckout releases; RemoveLocalCopy deletes.
  CheckInArgs release;
  release.unchanged = Enum_CheckinUnchangedFileHandlingUndoCheckout;
  release.remove_local = true;
  ASSERT_EQ(CheckIn({{"$/P/b.txt", b_}}, release).result, 0);
  EXPECT_EQ(LatestVersion("$/P/b.txt"), 1);
  EXPECT_FALSE(CheckedOutBy("$/P/b.txt", "alice"));
  EXPECT_FALSE(fs::exists(b_));

  // Canceled stops with 30016 and changes nothing.
  CheckInArgs cancel;
  cancel.unchanged = Enum_CheckinUnchangedFileHandlingCanceled;
  WriteFile(a_, "edited\n");
  const Outcome canceled = CheckIn({{"$/P/a.txt", a_}}, cancel);
  EXPECT_EQ(canceled.result, kResultPromptCanceled);
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 3);
}

TEST_F(CheckInOutTest, AFileNotCheckedOutFailsAloneAndANewerVersionIsMergedFirst) {
  ASSERT_EQ(CheckOut({{"$/P/a.txt", a_}}).result, 0);
  fs::create_directories(folder_);
  WriteFile(b_, "not mine\n");
  // Bob checks in a change to the last line meanwhile.
  server::CheckoutResult held;
  ASSERT_TRUE(db().CheckOut(Actor("bob"), "$/P/a.txt", "", &held).ok());
  server::CheckinResult done;
  ASSERT_TRUE(db().CheckIn(Actor("bob"), "$/P/a.txt", server::UploadedBody("one\ntwo\nTHREE\n", 0),
                           false, "", &done)
                  .ok());
  WriteFile(a_, "ONE\ntwo\nthree\n");

  const std::string tool = work_folder_ + "/merge3";
  std::ofstream(tool) << "#!/bin/sh\n"
                         "diff3 -m \"$1\" \"$2\" \"$3\" > \"$4.merging\" && mv \"$4.merging\" "
                         "\"$4\"\nstatus=$?\nrm -f \"$4.merging\"\nexit $status\n";
  fs::permissions(tool, fs::perms::owner_exec, fs::perm_options::add);
  CheckInArgs args;
  args.tool = tool;
  args.merge_args = "%YOURS_FILE% %BASE_FILE% %THEIRS_FILE% %RESULT_FILE%";
  const Outcome in = CheckIn({{"$/P/b.txt", b_}, {"$/P/a.txt", a_}}, args);
  ASSERT_EQ(in.result, 0) << in.description;
  ASSERT_EQ(in.items.size(), 2u);
  EXPECT_EQ(in.items[0].first, kResultNotCheckedOutByYou);
  EXPECT_EQ(in.items[0].second, "$/P/b.txt has not been checked out by you");
  EXPECT_EQ(in.items[1].first, 0) << in.items[1].second;
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 3);
  EXPECT_EQ(ReadFile(a_), "ONE\ntwo\nTHREE\n");
}

TEST_F(CheckInOutTest, AConflictingMergeLeavesTheFileCheckedOutAsTheUserHadIt) {
  ASSERT_EQ(CheckOut({{"$/P/a.txt", a_}}).result, 0);
  server::CheckoutResult held;
  ASSERT_TRUE(db().CheckOut(Actor("bob"), "$/P/a.txt", "", &held).ok());
  server::CheckinResult done;
  ASSERT_TRUE(db().CheckIn(Actor("bob"), "$/P/a.txt",
                           server::UploadedBody("bob's one\ntwo\nthree\n", 0), false, "", &done)
                  .ok());
  WriteFile(a_, "alice's one\ntwo\nthree\n");
  const std::string tool = work_folder_ + "/merge3";
  std::ofstream(tool) << "#!/bin/sh\ndiff3 -m \"$1\" \"$2\" \"$3\" > \"$4\"\n";
  fs::permissions(tool, fs::perms::owner_exec, fs::perm_options::add);
  CheckInArgs args;
  args.tool = tool;
  args.merge_args = "%YOURS_FILE% %BASE_FILE% %THEIRS_FILE% %RESULT_FILE%";
  const Outcome in = CheckIn({{"$/P/a.txt", a_}}, args);
  ASSERT_EQ(in.items.size(), 1u);
  EXPECT_EQ(in.items[0].first, kResultMergeFailed);
  EXPECT_EQ(ReadFile(a_), "alice's one\ntwo\nthree\n");
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 2);
}

TEST_F(CheckInOutTest, AServerGoneBeforeTheCommitLeavesNoHalfVersion) {
  ASSERT_EQ(CheckOut({{"$/P/a.txt", a_}}).result, 0);
  WriteFile(a_, "edited once\n");
  server::FaultHooks hooks;
  hooks.drop_at_code = static_cast<int32_t>(CommandCode::kCheckInCommit);
  server_->SetFaultHooks(hooks);
  const Outcome failed = CheckIn({{"$/P/a.txt", a_}}, {});
  EXPECT_NE(failed.result, 0);
  EXPECT_EQ(ReadFile(a_), "edited once\n");
  EXPECT_TRUE(IsWritable(a_));
  EXPECT_TRUE(CheckedOutBy("$/P/a.txt", "alice"));
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 1);
  server::FileHistory history;
  ASSERT_TRUE(db().FileHistoryOf("$/P/a.txt", {}, &history).ok());

  server_->SetFaultHooks({});
  const Outcome again = CheckIn({{"$/P/a.txt", a_}}, {});
  ASSERT_EQ(again.result, 0) << again.description;
  EXPECT_EQ(LatestVersion("$/P/a.txt"), 2);
  server::FileHistory after;
  ASSERT_TRUE(db().FileHistoryOf("$/P/a.txt", {}, &after).ok());
  EXPECT_EQ(after.entries.size(), history.entries.size() + 1);
}

}  // namespace
}  // namespace qorv::integration
