// The project tree edits through the interface against the reference server:
// creating, deleting, renaming and moving projects and files with the local
// cache following, shares seen from both places until a branch separates
// them, pins and labels seen by the gets, deleted items recovered and
// purged, a new password, and the refusals with their texts.
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "local/cache_store.h"
#include "net/command_list.h"
#include "sdk_fixture.h"

namespace qorv::integration {
namespace {

namespace fs = std::filesystem;

struct Item {
  std::string name;
  LONG result = -1;
  std::string description;
  bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
  return out << "{" << item.name << ", " << item.result << ", \"" << item.description << "\"}";
}

struct Outcome {
  LONG result = -1;
  std::string description;
  bool canceled = true;
  std::vector<Item> items;
};

Item ReadItem(IQORVOperationResult* result) {
  Item item;
  BSTR text = nullptr;
  result->get_ItemFullName(&text);
  item.name = TakeText(text);
  result->get_OperationResult(&item.result);
  result->get_Description(&text);
  item.description = TakeText(text);
  return item;
}

std::vector<Item> ReadItems(IQORVOperationResultSet* set) {
  std::vector<Item> items;
  EXPECT_NE(set, nullptr);
  if (set == nullptr) return items;
  LONG count = 0;
  set->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    VARIANT element;
    EXPECT_EQ(set->get_Item(i, &element), S_OK);
    IQORVOperationResult* result = nullptr;
    element.value.pdispVal->QueryInterface(IID_IQORVOperationResult,
                                           reinterpret_cast<void**>(&result));
    VariantClear(&element);
    items.push_back(ReadItem(result));
    result->Release();
  }
  set->Release();
  return items;
}

// The names of a query's collection elements, read with `name_of`.
template <class Element, class Set, class NameOf>
std::vector<std::string> ReadNames(Set* set, const IID& element_iid, NameOf name_of) {
  std::vector<std::string> names;
  EXPECT_NE(set, nullptr);
  if (set == nullptr) return names;
  LONG count = 0;
  set->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    VARIANT item;
    EXPECT_EQ(set->get_Item(i, &item), S_OK);
    Element* element = nullptr;
    item.value.pdispVal->QueryInterface(element_iid, reinterpret_cast<void**>(&element));
    VariantClear(&item);
    BSTR text = nullptr;
    (element->*name_of)(&text);
    names.push_back(TakeText(text));
    element->Release();
  }
  set->Release();
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A text input set (delete, share, recover, purge) holding `texts`.
template <class Set>
Set* TextSet(const CLSID& set_class, const IID& set_iid, const std::vector<std::string>& texts) {
  Set* set = sdk::CreateObject<Set>(set_class, set_iid);
  for (const std::string& text : texts) set->Add(Text(text.c_str()), nullptr);
  return set;
}

class TreeEditsTest : public SdkTest {
 protected:
  void SetUp() override {
    MustCreateProject("$/P");
    MustCreateProject("$/P/Sub");
    MustCreateProject("$/P/Sub/Deep");
    MustCreateProject("$/Q");
    MustAddFile("$/P/a.txt", "one\n");
    MustAddFile("$/P/b.txt", "bee\n");
    MustAddFile("$/P/Sub/c.txt", "sea\n");
    client_ = LoggedInClient();
    folder_ = work_folder_ + "/wf";
  }

  IQORVSDK* sdk() { return client_->get(); }
  Batches& batches() { return client_->sink().batches; }

  // Runs `call` with fresh out-places and the sink cleared.
  Outcome Call(const std::function<HRESULT(VARIANT_BOOL*, BSTR*, LONG*)>& call) {
    client_->sink().Clear();
    Outcome outcome;
    VARIANT_BOOL canceled = 5;
    BSTR description = nullptr;
    EXPECT_EQ(call(&canceled, &description, &outcome.result), S_OK);
    outcome.canceled = canceled == VARIANT_TRUE;
    outcome.description = TakeText(description);
    return outcome;
  }
  // The same for the methods without a Canceled out-parameter.
  Outcome CallPlain(const std::function<HRESULT(BSTR*, LONG*)>& call) {
    return Call([&](VARIANT_BOOL* canceled, BSTR* description, LONG* result) {
      *canceled = VARIANT_FALSE;
      return call(description, result);
    });
  }
  // The same for the methods that hand out an IQORVOperationResultSet.
  Outcome CallWithItems(
      const std::function<HRESULT(VARIANT_BOOL*, BSTR*, IQORVOperationResultSet**, LONG*)>& call) {
    IQORVOperationResultSet* set = nullptr;
    Outcome outcome = Call([&](VARIANT_BOOL* canceled, BSTR* description, LONG* result) {
      return call(canceled, description, &set, result);
    });
    outcome.items = ReadItems(set);
    return outcome;
  }

  Outcome CreateProject(const std::string& parent, const std::string& name) {
    return CallPlain([&](BSTR* description, LONG* result) {
      return sdk()->CreateProject(Text(parent.c_str()), Text(name.c_str()), Text("made"),
                                  description, result);
    });
  }
  Outcome DeleteFiles(const std::vector<std::string>& paths, bool destroy = false) {
    auto* set = TextSet<IQORVDeleteFileSet>(CLSID_QORVDeleteFileSet, IID_IQORVDeleteFileSet, paths);
    Outcome outcome =
        CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s, LONG* r) {
          return sdk()->DeleteFiles(set, destroy ? VARIANT_TRUE : VARIANT_FALSE, c, d, s, r);
        });
    set->Release();
    return outcome;
  }
  Outcome DeleteProject(const std::string& path, bool destroy, Item* item) {
    auto* result = sdk::CreateObject<IQORVOperationResult>(CLSID_QORVOperationResult,
                                                           IID_IQORVOperationResult);
    Outcome outcome = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
      return sdk()->DeleteProject(Text(path.c_str()), destroy ? VARIANT_TRUE : VARIANT_FALSE, c, d,
                                  result, r);
    });
    *item = ReadItem(result);
    result->Release();
    return outcome;
  }
  Outcome RenameFile(const std::string& parent, const std::string& name, const std::string& to) {
    return CallPlain([&](BSTR* d, LONG* r) {
      return sdk()->RenameFile(Text(parent.c_str()), Text(name.c_str()), Text(to.c_str()), d, r);
    });
  }
  Outcome RenameProject(const std::string& parent, const std::string& name, const std::string& to) {
    return CallPlain([&](BSTR* d, LONG* r) {
      return sdk()->RenameProject(Text(parent.c_str()), Text(name.c_str()), Text(to.c_str()), d, r);
    });
  }
  Outcome MoveItem(const std::string& path, const std::string& target) {
    return Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
      return sdk()->MoveItem(Text(path.c_str()), Text(target.c_str()), c, d, r);
    });
  }
  Outcome ShareFiles(const std::string& target, const std::vector<std::string>& files,
                     bool branch) {
    auto* set = TextSet<IQORVShareFileSet>(CLSID_QORVShareFileSet, IID_IQORVShareFileSet, files);
    Outcome outcome = CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s,
                                        LONG* r) {
      return sdk()->ShareFilesFrom(Text(target.c_str()), set, branch ? VARIANT_TRUE : VARIANT_FALSE,
                                   Text("shared"), c, d, s, r);
    });
    set->Release();
    return outcome;
  }
  Outcome ShareProject(const std::string& target, const std::string& project, bool recursive) {
    return Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
      return sdk()->ShareProjectFrom(Text(target.c_str()), Text(project.c_str()), VARIANT_FALSE,
                                     recursive ? VARIANT_TRUE : VARIANT_FALSE, Text(""), c, d, r);
    });
  }
  Outcome Recover(const std::vector<std::string>& paths, SdkClient* client = nullptr) {
    IQORVSDK* target = client == nullptr ? sdk() : client->get();
    auto* set =
        TextSet<IQORVRecoverItemSet>(CLSID_QORVRecoverItemSet, IID_IQORVRecoverItemSet, paths);
    Outcome outcome = CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s,
                                        LONG* r) { return target->RecoverItems(set, c, d, s, r); });
    set->Release();
    return outcome;
  }
  Outcome Purge(const std::vector<std::string>& paths, SdkClient* client = nullptr) {
    IQORVSDK* target = client == nullptr ? sdk() : client->get();
    auto* set = TextSet<IQORVPurgeItemSet>(CLSID_QORVPurgeItemSet, IID_IQORVPurgeItemSet, paths);
    Outcome outcome = CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s,
                                        LONG* r) { return target->PurgeItems(set, c, d, s, r); });
    set->Release();
    return outcome;
  }

  // The latest version of one file into `local`; its content.
  std::string GetLatestFile(const std::string& server_path, const std::string& local) {
    auto* set =
        sdk::CreateObject<IQORVLatestFileSet>(CLSID_QORVLatestFileSet, IID_IQORVLatestFileSet);
    auto* file = sdk::CreateObject<IQORVLatestFile>(CLSID_QORVLatestFile, IID_IQORVLatestFile);
    file->put_FileToGet(Text(server_path.c_str()));
    file->put_LocalFileName(Text(local.c_str()));
    set->Add(file, nullptr);
    file->Release();
    const Outcome got =
        CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s, LONG* r) {
          return sdk()->GetLatestFiles(set, 0, Enum_WritableFileHandlingReplace, Enum_LF,
                                       Enum_SetLocalFileTimeCurrent, nullptr, nullptr, c, d, s, r);
        });
    set->Release();
    EXPECT_EQ(got.result, 0) << got.description;
    return ReadFile(local);
  }
  Outcome GetLatestProject(const std::string& project, const std::string& local) {
    return CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s, LONG* r) {
      return sdk()->GetLatestProject(Text(project.c_str()), Text(local.c_str()), VARIANT_TRUE, 0,
                                     Enum_WritableFileHandlingReplace, Enum_LF,
                                     Enum_SetLocalFileTimeCurrent, nullptr, nullptr, c, d, s, r);
    });
  }

  // The cache-backed queries, each of which brings the cache up to date
  // from the server first.
  std::vector<std::string> SubProjects(const std::string& parent) {
    IQORVSubProjectsFromParentSet* set = nullptr;
    const Outcome outcome = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
      return sdk()->GetSubProjectsFromParent(Text(parent.c_str()), &set, c, d, r);
    });
    EXPECT_EQ(outcome.result, 0) << outcome.description;
    return ReadNames<IQORVSubProjectsFromParent>(set, IID_IQORVSubProjectsFromParent,
                                                 &IQORVSubProjectsFromParent::get_SubProjectName);
  }
  std::vector<std::string> FilesByProject(const std::string& project) {
    IQORVFilesByProjectSet* set = nullptr;
    const Outcome outcome = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
      return sdk()->GetFilesByProject(Text(project.c_str()), &set, c, d, r);
    });
    EXPECT_EQ(outcome.result, 0) << outcome.description;
    return ReadNames<IQORVFilesByProject>(set, IID_IQORVFilesByProject,
                                          &IQORVFilesByProject::get_FileName);
  }
  std::vector<std::string> FileList(const std::string& project) {
    IQORVFileListSet* set = nullptr;
    const Outcome outcome = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
      return sdk()->GetFileListFromProject(Text(project.c_str()), &set, c, d, r);
    });
    EXPECT_EQ(outcome.result, 0) << outcome.description;
    return ReadNames<IQORVFileList>(set, IID_IQORVFileList, &IQORVFileList::get_FileName);
  }

  // Reads (and with `save`, writes) alice's cache file of this server.
  void WithCache(const std::function<void(CacheModel&)>& use, bool save = false) {
    CacheStore cache;
    ASSERT_TRUE(cache.Open("127.0.0.1", "Main", "alice", 1, 1).ok());
    CacheLock lock(cache);
    ASSERT_TRUE(lock.Take(nullptr).ok());
    use(cache.model());
    if (save) {
      ASSERT_TRUE(lock.SaveAndRelease().ok());
    }
  }

  // Bob changes a file's content through the server's administration.
  void ChangeAsBob(const std::string& path, const std::string& body) {
    server::CheckoutResult checkout;
    ASSERT_TRUE(db().CheckOut(Actor("bob"), path, "", &checkout).ok());
    server::CheckinResult checkin;
    ASSERT_TRUE(db().CheckIn(Actor("bob"), path, server::UploadedBody(body, server::LocalNowMs()),
                             false, "", &checkin)
                    .ok());
  }

  int64_t Requests(CommandCode code) const {
    return server_->RequestCount(static_cast<uint8_t>(code));
  }

  std::unique_ptr<SdkClient> client_;
  std::string folder_;
};

// ---- Create ----------------------------------------------------------------------

TEST_F(TreeEditsTest, CreateNestedProjectsAndOneAlreadyThere) {
  Outcome made = CreateProject("$/", "Top");
  ASSERT_EQ(made.result, 0) << made.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Creating project $/Top..."}}, {{true, "Completed"}}}));
  // A parent ending with "/" gets no second one.
  made = CreateProject("$/Top/", "Inner");
  ASSERT_EQ(made.result, 0) << made.description;
  EXPECT_TRUE(db().ProjectExists("$/Top/Inner"));
  WithCache([](CacheModel& model) { EXPECT_NE(model.FindProject("$/Top/Inner"), nullptr); });
  EXPECT_EQ(SubProjects("$/Top"), std::vector<std::string>{"Inner"});

  made = CreateProject("$/Top", "Inner");
  EXPECT_EQ(made.result, 0) << made.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Creating project $/Top/Inner..."}},
                                {{true, "Project $/Top/Inner already exists"}}}));
}

TEST_F(TreeEditsTest, CreateUnderAMissingParentFailsAndLeavesTheCacheAlone) {
  const Outcome made = CreateProject("$/Missing", "X");
  EXPECT_EQ(made.result, kResultCacheNodeFailed);
  EXPECT_EQ(made.description, "Project $/Missing does not exist");
  EXPECT_EQ(batches(), (Batches{{{true, "Creating project $/Missing/X..."}},
                                {{false, "Project $/Missing does not exist"}}}));
  WithCache([](CacheModel& model) { EXPECT_EQ(model.FindProject("$/Missing"), nullptr); });

  // Without a login the command itself is refused.
  SdkClient stranger;
  ASSERT_EQ(stranger.Connect("127.0.0.1", port()).result, 0);
  stranger.sink().Clear();
  BSTR description = nullptr;
  LONG result = -1;
  ASSERT_EQ(stranger->CreateProject(Text("$/"), Text("Y"), Text(""), &description, &result), S_OK);
  EXPECT_EQ(result, 40001);
  EXPECT_EQ(TakeText(description), "Not logged in");
  EXPECT_EQ(stranger.sink().batches, (Batches{{{false, "Not logged in"}}}));
  EXPECT_FALSE(db().ProjectExists("$/Y"));
}

// ---- Delete ----------------------------------------------------------------------

TEST_F(TreeEditsTest, DeleteFilesRemovesOnlyTheAcceptedEntries) {
  EXPECT_EQ(FilesByProject("$/P"), (std::vector<std::string>{"a.txt", "b.txt"}));
  const Outcome deleted = DeleteFiles({"$/P/a.txt", "$/P/nope.txt"});
  ASSERT_EQ(deleted.result, 0) << deleted.description;
  EXPECT_FALSE(deleted.canceled);
  EXPECT_EQ(deleted.items,
            (std::vector<Item>{{"$/P/a.txt", 0, "Completed"},
                               {"$/P/nope.txt", 40103, "Item $/P/nope.txt does not exist"}}));
  EXPECT_EQ(batches(), (Batches{{{true, "Deleting $/P/a.txt ..."}, {true, "Completed"}},
                                {{true, "Deleting $/P/nope.txt ..."},
                                 {false, "Item $/P/nope.txt does not exist"}}}));
  WithCache([](CacheModel& model) {
    EXPECT_EQ(model.FindFile("$/P/a.txt"), nullptr);
    EXPECT_NE(model.FindFile("$/P/b.txt"), nullptr);
  });
  EXPECT_FALSE(db().FileExists("$/P/a.txt"));
  EXPECT_EQ(FileList("$/P"), std::vector<std::string>{"b.txt"});

  // An empty set sends nothing.
  const int64_t sent = Requests(CommandCode::kDeleteItems);
  const Outcome none = DeleteFiles({});
  EXPECT_EQ(none.result, 0);
  EXPECT_EQ(none.description, "Completed");
  EXPECT_TRUE(none.items.empty());
  EXPECT_EQ(batches(), (Batches{{{true, "Completed"}}}));
  EXPECT_EQ(Requests(CommandCode::kDeleteItems), sent);
}

TEST_F(TreeEditsTest, DeleteProjectTakesItsSubTreeAndWorkingFoldersOutOfTheCache) {
  EXPECT_EQ(SubProjects("$/P"), std::vector<std::string>{"Sub"});
  WithCache(
      [&](CacheModel& model) {
        model.SetWorkingFolder("$/P", folder_);
        model.SetWorkingFolder("$/P/Sub/Deep", folder_ + "/deep");
      },
      true);
  Item item;
  const Outcome deleted = DeleteProject("$/P/Sub", false, &item);
  ASSERT_EQ(deleted.result, 0) << deleted.description;
  EXPECT_EQ(item, (Item{"$/P/Sub", 0, "Completed"}));
  // Once for the server's answer and once for the cache update.
  const std::vector<Line> lines = {{true, "Deleting $/P/Sub..."}, {true, "Completed"}};
  EXPECT_EQ(batches(), (Batches{lines, lines}));
  WithCache([&](CacheModel& model) {
    EXPECT_EQ(model.FindProject("$/P/Sub"), nullptr);
    EXPECT_EQ(model.WorkingFolder("$/P/Sub/Deep"), "");
    EXPECT_EQ(model.WorkingFolder("$/P"), folder_);
  });
  EXPECT_TRUE(SubProjects("$/P").empty());

  // Not destroyed: it can come back.
  const Outcome recovered = Recover({"$/P/Sub"});
  EXPECT_EQ(recovered.items, (std::vector<Item>{{"$/P/Sub", 0, "Completed"}}));
  EXPECT_TRUE(db().FileExists("$/P/Sub/c.txt"));

  // Destroyed: gone for good.
  ASSERT_EQ(DeleteProject("$/P/Sub", true, &item).result, 0);
  EXPECT_EQ(Recover({"$/P/Sub"}).items,
            (std::vector<Item>{{"$/P/Sub", 40105, "No deleted item $/P/Sub"}}));
}

TEST_F(TreeEditsTest, DeleteOfAnUnknownProjectReportsTheServersText) {
  Item item;
  const Outcome deleted = DeleteProject("$/Nope", false, &item);
  // The command went through, but the one project it names was refused:
  // the method fails with the project's own result and text.
  EXPECT_EQ(deleted.result, 40103);
  EXPECT_EQ(deleted.description, "Item $/Nope does not exist");
  EXPECT_EQ(item.name, "$/Nope");
  EXPECT_EQ(item.result, 40103);
  EXPECT_EQ(batches(),
            (Batches{{{true, "Deleting $/Nope..."}, {false, "Item $/Nope does not exist"}},
                     {{true, "Deleting $/Nope..."}, {false, "Item $/Nope does not exist"}}}));
}

// ---- Rename and move -------------------------------------------------------------

TEST_F(TreeEditsTest, RenameFileKeepsItsCacheEntryUnderTheNewName) {
  ASSERT_EQ(GetLatestProject("$/P", folder_).result, 0);
  const Outcome renamed = RenameFile("$/P", "a.txt", "z.txt");
  ASSERT_EQ(renamed.result, 0) << renamed.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Renaming a.txt to z.txt..."}, {true, "Completed"}}}));
  WithCache([&](CacheModel& model) {
    EXPECT_EQ(model.FindFile("$/P/a.txt"), nullptr);
    const CacheFileEntry* entry = model.FindFile("$/P/z.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, "z.txt");
    EXPECT_EQ(entry->version, 1);
    // The local copy the get recorded moved with it.
    ASSERT_NE(entry->FindLocalCopy(folder_ + "/a.txt"), nullptr);
  });
  EXPECT_EQ(FilesByProject("$/P"), (std::vector<std::string>{"b.txt", "z.txt"}));

  const Outcome unknown = RenameFile("$/P", "nope.txt", "x.txt");
  EXPECT_EQ(unknown.result, 40103);
  EXPECT_EQ(unknown.description, "Item $/P/nope.txt does not exist");
  EXPECT_EQ(batches(), (Batches{{{true, "Renaming nope.txt to x.txt..."},
                                 {false, "Item $/P/nope.txt does not exist"}}}));
}

TEST_F(TreeEditsTest, RenameProjectMovesItsWorkingFoldersAndThoseBelow) {
  EXPECT_EQ(SubProjects("$/P"), std::vector<std::string>{"Sub"});
  WithCache(
      [&](CacheModel& model) {
        model.SetWorkingFolder("$/P/Sub", folder_ + "/sub");
        model.SetWorkingFolder("$/P/Sub/Deep", folder_ + "/deep");
      },
      true);
  const Outcome renamed = RenameProject("$/P", "Sub", "Renamed");
  ASSERT_EQ(renamed.result, 0) << renamed.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Renaming Sub to Renamed..."}, {true, "Completed"}}}));
  WithCache([&](CacheModel& model) {
    EXPECT_EQ(model.FindProject("$/P/Sub"), nullptr);
    EXPECT_NE(model.FindProject("$/P/Renamed/Deep"), nullptr);
    EXPECT_EQ(model.WorkingFolder("$/P/Renamed"), folder_ + "/sub");
    EXPECT_EQ(model.WorkingFolder("$/P/Renamed/Deep"), folder_ + "/deep");
    EXPECT_EQ(model.WorkingFolder("$/P/Sub"), "");
  });
  EXPECT_EQ(SubProjects("$/P"), std::vector<std::string>{"Renamed"});
  EXPECT_EQ(FilesByProject("$/P/Renamed"), std::vector<std::string>{"c.txt"});

  // Under the root: "$/" + name, no doubled "/".
  ASSERT_EQ(RenameProject("$/", "Q", "Q2").result, 0);
  EXPECT_TRUE(db().ProjectExists("$/Q2"));
  EXPECT_FALSE(db().ProjectExists("$/Q"));
}

TEST_F(TreeEditsTest, MoveItemRaisesNoReportAndTheListsFollow) {
  const Outcome moved = MoveItem("$/P/b.txt", "$/Q");
  ASSERT_EQ(moved.result, 0) << moved.description;
  EXPECT_FALSE(moved.canceled);
  EXPECT_EQ(client_->sink().CountOf(DISPID_OnOperationResultSend), 0);
  EXPECT_EQ(FileList("$/Q"), std::vector<std::string>{"b.txt"});
  EXPECT_EQ(FileList("$/P"), std::vector<std::string>{"a.txt"});

  ASSERT_EQ(MoveItem("$/P/Sub", "$/Q").result, 0);
  EXPECT_EQ(SubProjects("$/Q"), std::vector<std::string>{"Sub"});

  const Outcome unknown = MoveItem("$/P/nope.txt", "$/Q");
  EXPECT_EQ(unknown.result, 40103);
  EXPECT_EQ(unknown.description, "Item $/P/nope.txt does not exist");
  EXPECT_EQ(client_->sink().CountOf(DISPID_OnOperationResultSend), 0);
}

// ---- Share and branch ------------------------------------------------------------

TEST_F(TreeEditsTest, SharedFileFollowsAChangeUntilItIsBranched) {
  ASSERT_EQ(FileList("$/P").size(), 2u);  // the source entries in the cache
  const Outcome shared = ShareFiles("$/Q", {"$/P/a.txt", "$/P/nope.txt", "$/P/b.txt"}, false);
  ASSERT_EQ(shared.result, 0) << shared.description;
  EXPECT_EQ(shared.items,
            (std::vector<Item>{{"$/P/a.txt", 0, "Completed"},
                               {"$/P/nope.txt", 40102, "File $/P/nope.txt does not exist"},
                               {"$/P/b.txt", 0, "Completed"}}));
  EXPECT_EQ(batches(), (Batches{{{true, "Sharing file $/P/a.txt..."}, {true, "Completed"}},
                                {{true, "Sharing file $/P/nope.txt..."},
                                 {false, "File $/P/nope.txt does not exist"}},
                                {{true, "Sharing file $/P/b.txt..."}, {true, "Completed"}}}));
  WithCache([](CacheModel& model) {
    const CacheFileEntry* entry = model.FindFile("$/Q/a.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->status, Enum_FileStatusShared);
    EXPECT_EQ(entry->version, 1);
    EXPECT_EQ(model.FindFile("$/Q/nope.txt"), nullptr);
  });

  ChangeAsBob("$/P/a.txt", "two\n");
  EXPECT_EQ(GetLatestFile("$/Q/a.txt", folder_ + "/q.txt"), "two\n");

  const Outcome branched = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
    return sdk()->Branch(Text("$/Q/a.txt"), Text("apart"), c, d, r);
  });
  ASSERT_EQ(branched.result, 0) << branched.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Branching item $/Q/a.txt..."}, {true, "Completed"}}}));
  ChangeAsBob("$/P/a.txt", "three\n");
  EXPECT_EQ(GetLatestFile("$/Q/a.txt", folder_ + "/q.txt"), "two\n");
  EXPECT_EQ(GetLatestFile("$/P/a.txt", folder_ + "/p.txt"), "three\n");

  // A second branch of a file that is no longer shared.
  const Outcome again = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
    return sdk()->Branch(Text("$/Q/a.txt"), Text(""), c, d, r);
  });
  EXPECT_EQ(again.result, 40304);
  EXPECT_EQ(
      batches(),
      (Batches{{{true, "Branching item $/Q/a.txt..."}, {false, "File $/Q/a.txt is not shared"}}}));
}

TEST_F(TreeEditsTest, ShareWithBranchRecordsTheServersVersion) {
  ChangeAsBob("$/P/b.txt", "bee two\n");
  const Outcome shared = ShareFiles("$/Q/", {"$/P/b.txt"}, true);
  ASSERT_EQ(shared.result, 0) << shared.description;
  WithCache([](CacheModel& model) {
    const CacheFileEntry* entry = model.FindFile("$/Q/b.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->version, 2);
    EXPECT_TRUE(entry->latest_version_date.is_valid());
  });
  ChangeAsBob("$/P/b.txt", "bee three\n");
  EXPECT_EQ(GetLatestFile("$/Q/b.txt", folder_ + "/b.txt"), "bee two\n");
}

TEST_F(TreeEditsTest, RecursiveProjectShareIsRefusedUnderItself) {
  MustCreateProject("$/A");
  MustCreateProject("$/A/B");
  MustCreateProject("$/AB");
  MustAddFile("$/A/f.txt", "f\n");
  const int64_t sent = Requests(CommandCode::kShareProject);
  Outcome shared = ShareProject("$/A/B", "$/a", true);
  EXPECT_EQ(shared.result, kResultShareUnderDescendant);
  EXPECT_EQ(shared.description, "A project cannot be shared under a descendant");
  EXPECT_EQ(batches(), (Batches{{{true, "Sharing project $/a..."},
                                 {false, "A project cannot be shared under a descendant"}}}));
  EXPECT_EQ(ShareProject("$/Q", "$/", true).result, kResultShareUnderDescendant);
  EXPECT_EQ(ShareProject("$/A", "$/A", true).result, kResultShareUnderDescendant);
  EXPECT_EQ(Requests(CommandCode::kShareProject), sent);

  // Not recursive, the same target goes to the server.
  shared = ShareProject("$/A/B", "$/A", false);
  EXPECT_EQ(shared.result, 0) << shared.description;
  EXPECT_TRUE(db().FileExists("$/A/B/A/f.txt"));
  // "$/AB" only begins with the letters of "$/A".
  shared = ShareProject("$/AB", "$/A", true);
  EXPECT_EQ(shared.result, 0) << shared.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Sharing project $/A..."}, {true, "Completed"}}}));
  EXPECT_TRUE(db().FileExists("$/AB/A/B/A/f.txt"));
  EXPECT_EQ(Requests(CommandCode::kShareProject), sent + 2);
}

// ---- Pin, unpin and label ----------------------------------------------------------

TEST_F(TreeEditsTest, PinnedVersionIsWhatTheGetsDeliverUntilUnpinned) {
  ChangeAsBob("$/P/a.txt", "two\n");
  ASSERT_EQ(FileList("$/P").size(), 2u);
  Outcome pinned =
      CallPlain([&](BSTR* d, LONG* r) { return sdk()->PinFile(Text("$/P/a.txt"), 1, d, r); });
  ASSERT_EQ(pinned.result, 0) << pinned.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Pinning the file $/P/a.txt ... : Completed"}}}));
  WithCache([](CacheModel& model) {
    const CacheFileEntry* entry = model.FindFile("$/P/a.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->status, Enum_FileStatusPinned);
    EXPECT_EQ(entry->version, 1);
  });
  EXPECT_EQ(GetLatestFile("$/P/a.txt", folder_ + "/one.txt"), "one\n");
  ASSERT_EQ(GetLatestProject("$/P", folder_ + "/proj").result, 0);
  EXPECT_EQ(ReadFile(folder_ + "/proj/a.txt"), "one\n");

  const Outcome unpinned =
      CallPlain([&](BSTR* d, LONG* r) { return sdk()->UnpinFile(Text("$/P/a.txt"), d, r); });
  ASSERT_EQ(unpinned.result, 0) << unpinned.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Unpinning the file $/P/a.txt..."}, {true, "Completed"}}}));
  WithCache([](CacheModel& model) {
    const CacheFileEntry* entry = model.FindFile("$/P/a.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->status, Enum_FileStatusNormal);
    EXPECT_EQ(entry->version, 2);
  });
  EXPECT_EQ(GetLatestFile("$/P/a.txt", folder_ + "/one.txt"), "two\n");

  const Outcome again =
      CallPlain([&](BSTR* d, LONG* r) { return sdk()->UnpinFile(Text("$/P/a.txt"), d, r); });
  EXPECT_EQ(again.result, 40305);
  EXPECT_EQ(batches(), (Batches{{{true, "Unpinning the file $/P/a.txt..."},
                                 {false, "File $/P/a.txt is not pinned"}}}));
  pinned = CallPlain([&](BSTR* d, LONG* r) { return sdk()->PinFile(Text("$/P/a.txt"), 9, d, r); });
  EXPECT_EQ(pinned.result, 40301);
  EXPECT_EQ(batches(),
            (Batches{{{false, "Pinning the file $/P/a.txt ... : " + pinned.description}}}));
}

TEST_F(TreeEditsTest, LabelledContentComesBackByLabel) {
  const Outcome labelled = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
    return sdk()->LabelItem(Text("$/P"), Text("L1"), Text("first"), c, d, r);
  });
  ASSERT_EQ(labelled.result, 0) << labelled.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Labeling $/P...: Completed"}}}));
  ChangeAsBob("$/P/a.txt", "two\n");
  const Outcome got =
      CallWithItems([&](VARIANT_BOOL* c, BSTR* d, IQORVOperationResultSet** s, LONG* r) {
        return sdk()->GetProjectByLabel(Text("$/P"), Text((folder_ + "/lab").c_str()), Text("L1"),
                                        0, 0, Enum_WritableFileHandlingSkip, Enum_LF,
                                        Enum_SetLocalFileTimeCurrent, nullptr, nullptr, c, d, s, r);
      });
  ASSERT_EQ(got.result, 0) << got.description;
  EXPECT_EQ(ReadFile(folder_ + "/lab/a.txt"), "one\n");

  const Outcome unknown = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
    return sdk()->LabelItem(Text("$/Nope"), Text("L1"), Text(""), c, d, r);
  });
  EXPECT_EQ(unknown.result, 40103);
  EXPECT_EQ(batches(), (Batches{{{false, "Labeling $/Nope...: Item $/Nope does not exist"}}}));
}

// ---- Deleted items and the password ------------------------------------------------

TEST_F(TreeEditsTest, RecoverAndPurgeReportEachItem) {
  ASSERT_EQ(DeleteFiles({"$/P/a.txt", "$/P/b.txt"}).result, 0);
  const Outcome recovered = Recover({"$/P/a.txt", "$/P/never.txt"});
  ASSERT_EQ(recovered.result, 0) << recovered.description;
  EXPECT_EQ(recovered.items,
            (std::vector<Item>{{"$/P/a.txt", 0, "Completed"},
                               {"$/P/never.txt", 40105, "No deleted item $/P/never.txt"}}));
  EXPECT_EQ(batches(), (Batches{{{true, "Recoving $/P/a.txt item..."}, {true, "Completed"}},
                                {{true, "Recoving $/P/never.txt item..."},
                                 {false, "No deleted item $/P/never.txt"}}}));
  EXPECT_EQ(GetLatestFile("$/P/a.txt", folder_ + "/a.txt"), "one\n");

  const Outcome purged = Purge({"$/P/b.txt", "$/P/a.txt"});
  ASSERT_EQ(purged.result, 0) << purged.description;
  EXPECT_EQ(purged.items, (std::vector<Item>{{"$/P/b.txt", 0, "Completed"},
                                             {"$/P/a.txt", 40105, "No deleted item $/P/a.txt"}}));
  EXPECT_EQ(batches(),
            (Batches{{{true, "Purging $/P/b.txt"}, {true, "Completed"}},
                     {{true, "Purging $/P/a.txt"}, {false, "No deleted item $/P/a.txt"}}}));
  EXPECT_EQ(Recover({"$/P/b.txt"}).items,
            (std::vector<Item>{{"$/P/b.txt", 40105, "No deleted item $/P/b.txt"}}));

  const int64_t sent = Requests(CommandCode::kPurgeItems);
  const Outcome none = Purge({});
  EXPECT_EQ(none.result, 0);
  EXPECT_EQ(batches(), (Batches{{{true, "Completed"}}}));
  EXPECT_EQ(Requests(CommandCode::kPurgeItems), sent);
}

TEST_F(TreeEditsTest, RefusedRecoverAndPurgeLeaveTheItemResultsAsTheyStarted) {
  ASSERT_EQ(DeleteFiles({"$/P/a.txt"}).result, 0);
  SdkClient stranger;
  ASSERT_EQ(stranger.Connect("127.0.0.1", port()).result, 0);
  stranger.sink().Clear();
  const Outcome recovered = Recover({"$/P/a.txt"}, &stranger);
  EXPECT_EQ(recovered.result, 40001);
  EXPECT_EQ(recovered.items, (std::vector<Item>{{"$/P/a.txt", 0, "Completed"}}));
  EXPECT_EQ(stranger.sink().batches, (Batches{{{false, "Recovering items... :Not logged in"}}}));
  stranger.sink().Clear();
  const Outcome purged = Purge({"$/P/a.txt"}, &stranger);
  EXPECT_EQ(purged.result, 40001);
  EXPECT_EQ(purged.items, (std::vector<Item>{{"$/P/a.txt", 0, "Completed"}}));
  EXPECT_EQ(stranger.sink().batches, (Batches{{{false, "Purging items ... : Not logged in"}}}));
  // Neither reached the deleted file.
  EXPECT_EQ(Recover({"$/P/a.txt"}).items, (std::vector<Item>{{"$/P/a.txt", 0, "Completed"}}));
}

TEST_F(TreeEditsTest, NewPasswordIsTheOneTheNextLoginNeeds) {
  const Outcome changed = Call([&](VARIANT_BOOL* c, BSTR* d, LONG* r) {
    return sdk()->SetPassword(Text("fresh"), c, d, r);
  });
  ASSERT_EQ(changed.result, 0) << changed.description;
  EXPECT_EQ(batches(), (Batches{{{true, "Changing password ... "}}, {{true, "Completed"}}}));

  SdkClient old_password;
  ASSERT_EQ(old_password.Connect("127.0.0.1", port()).result, 0);
  EXPECT_EQ(old_password.Login("alice", "secret").result, 40003);
  SdkClient new_password;
  ASSERT_EQ(new_password.Connect("127.0.0.1", port()).result, 0);
  const SdkClient::Outcome login = new_password.Login("alice", "fresh");
  EXPECT_EQ(login.result, 0) << login.description;
}

}  // namespace
}  // namespace qorv::integration
