// Database: adding files, check-out, undo check-out and check-in.
#include <algorithm>

#include "server/database_impl.h"

namespace qorv::server {
namespace {

bool IsTextType(int32_t file_type, BodySource& body) {
  if (file_type == kFileTypeBinary) return false;
  if (file_type == kFileTypeText) return true;
  return DatabaseImpl::DetectText(body);
}

const CheckoutRow* CheckoutOf(const std::vector<CheckoutRow>& rows, const Actor& actor) {
  auto found = std::find_if(rows.begin(), rows.end(),
                            [&](const CheckoutRow& row) { return row.user_id == actor.user_id; });
  return found == rows.end() ? nullptr : &*found;
}

}  // namespace

int64_t DatabaseImpl::CreateFileItem(const Change& change, int64_t parent, std::string_view name,
                                     const std::string& path, const StoredContent& content,
                                     OleMs mtime, bool latest_only, std::string_view comment) {
  int64_t file = InsertItem(change, false, "", content.is_text, latest_only);
  InsertVersion(change, file, 1, mtime, comment, content.id, content.stored_size);
  Step("add:version-written");
  InsertLink(change, file, parent, name);
  HistoryRecord record;
  record.subject = file;
  record.path = path;
  record.file_version = 1;
  record.comment = std::string(comment);
  record.action = kActionCreated;
  AddFileRecord(change, file, record);
  record.action = kActionAdded;
  AddProjectRecord(change, parent, record);
  return file;
}

StoreStatus Database::AddFile(const Actor& actor, std::string_view path, const UploadedBody& body,
                              int32_t file_type, bool latest_only, std::string_view comment,
                              OleMs* time) {
  *time = 0;
  std::optional<ServerPath> parsed;
  bool is_text = false;
  auto checks = [&] {
    parsed = ParseServerPath(path);
    if (!parsed || parsed->IsRoot()) {
      return MakeStatus(kStatusInvalidPath, kFormatInvalidPath, path);
    }
    if (impl_->TypeExcluded(parsed->Leaf())) {
      return MakeStatus(kStatusTypeExcluded, kFormatTypeExcluded, parsed->Leaf());
    }
    // Detected before the transaction: a pass over a large body takes time.
    is_text = IsTextType(file_type, *body.source);
    return StoreStatus::Ok();
  };
  return RunWrite(actor, checks, [&] {
    std::optional<Link> parent = impl_->Resolve(parsed->Parent());
    if (!parent || !parent->is_project) {
      return MakeStatus(kStatusProjectNotFound, kFormatProjectNotFound,
                        parsed->Parent().ToString());
    }
    if (impl_->LiveChildNamed(parent->item, parsed->Leaf())) {
      return MakeStatus(kStatusNameInUse, kFormatNameInUse, path);
    }
    Change change = impl_->BeginChange(actor);
    const StoredContent content = impl_->StoreContentFrom(*body.source, is_text);
    impl_->CreateFileItem(change, parent->item, parsed->Leaf(), parsed->ToString(), content,
                          body.modification_time, latest_only, comment);
    *time = change.time;
    return StoreStatus::Ok();
  });
}

StoreStatus Database::CheckOut(const Actor& actor, std::string_view path, std::string_view comment,
                               CheckoutResult* result) {
  *result = CheckoutResult{};
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveFile, [&](const Link& link) {
    if (link.pin) return MakeStatus(kStatusPinnedNoCheckout, kFormatPinnedNoCheckout, path);
    std::vector<CheckoutRow> checkouts = impl_->Checkouts(link.item);
    if (CheckoutOf(checkouts, actor) != nullptr) {
      return MakeStatus(kStatusAlreadyCheckedOut, kFormatAlreadyCheckedOut, path);
    }
    if (!checkouts.empty() && !impl_->MultipleCheckoutsAllowed()) {
      return StoreStatus{kStatusCheckedOutByOther,
                         FormatText(kFormatCheckedOutByOther, {path, checkouts.front().user})};
    }
    std::optional<VersionInfo> latest =
        impl_->LoadVersion(link.item, impl_->LatestVersionNumber(link.item));
    if (!latest) throw StoreFailure("a file has no version record");
    Change change = impl_->BeginChange(actor);
    impl_->db()
        .Prepare(
            "INSERT INTO checkouts(file_id, user_id, seq, time_ms, version, comment) "
            "VALUES(?, ?, ?, ?, ?, ?)")
        .Bind(1, link.item)
        .Bind(2, actor.user_id)
        .Bind(3, change.seq)
        .Bind(4, change.time)
        .Bind(5, static_cast<int64_t>(latest->version))
        .Bind(6, comment)
        .Run();
    impl_->Step("checkout:stored");
    HistoryRecord record;
    record.subject = link.item;
    record.path = impl_->LinkPath(link);
    record.file_version = latest->version;
    record.comment = std::string(comment);
    record.action = kActionCheckedOut;
    impl_->AddFileRecord(change, link.item, record);
    checkouts = impl_->Checkouts(link.item);
    result->checkout_time = change.time;
    result->user_text = impl_->UserText(checkouts, *latest);
    result->status = impl_->StatusOf(link, checkouts.size());
    result->version = std::move(*latest);
    return StoreStatus::Ok();
  });
}

StoreStatus Database::UndoCheckOut(const Actor& actor, std::string_view path, UndoResult* result) {
  *result = UndoResult{};
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveFile, [&](const Link& link) {
    const CheckoutRow* mine = nullptr;
    std::vector<CheckoutRow> checkouts = impl_->Checkouts(link.item);
    mine = CheckoutOf(checkouts, actor);
    if (mine == nullptr) {
      return MakeStatus(kStatusNotCheckedOutByYou, kFormatNotCheckedOutByYou, path);
    }
    Change change = impl_->BeginChange(actor);
    impl_->db()
        .Prepare("DELETE FROM checkouts WHERE file_id = ? AND user_id = ?")
        .Bind(1, link.item)
        .Bind(2, actor.user_id)
        .Run();
    impl_->Step("undo:released");
    HistoryRecord record;
    record.subject = link.item;
    record.path = impl_->LinkPath(link);
    record.file_version = mine->version;
    record.action = kActionUndoCheckout;
    impl_->AddFileRecord(change, link.item, record);
    std::optional<VersionInfo> shown = impl_->LoadVersion(link.item, impl_->ShownVersion(link));
    if (!shown) throw StoreFailure("a file has no version record");
    checkouts = impl_->Checkouts(link.item);
    result->version_time = shown->checkin_time;
    result->user_text = impl_->UserText(checkouts, *shown);
    result->status = impl_->StatusOf(link, checkouts.size());
    return StoreStatus::Ok();
  });
}

StoreStatus Database::CheckIn(const Actor& actor, std::string_view path,
                              const std::optional<UploadedBody>& body, bool keep_checked_out,
                              std::string_view comment, CheckinResult* result) {
  *result = CheckinResult{};
  return RunWriteOn(actor, path, &DatabaseImpl::ResolveFile, [&](const Link& link) {
    if (CheckoutOf(impl_->Checkouts(link.item), actor) == nullptr) {
      return MakeStatus(kStatusNotCheckedOutByYou, kFormatNotCheckedOutByYou, path);
    }
    int32_t latest_number = impl_->LatestVersionNumber(link.item);
    std::optional<VersionInfo> latest = impl_->LoadVersion(link.item, latest_number);
    if (!latest) throw StoreFailure("a file has no version record");

    std::optional<int64_t> content;
    int64_t size = 0;
    OleMs mtime = latest->modification_time;
    if (body) {
      const StoredContent stored =
          impl_->StoreContentFrom(*body->source, impl_->ItemIsText(link.item));
      content = stored.id;
      size = stored.stored_size;
      mtime = body->modification_time;
    } else {
      // An unchanged check-in: the new version shares the current content.
      SqliteStatement current =
          impl_->db().Prepare("SELECT content_id, size FROM versions WHERE id = ?");
      current.Bind(1, latest->record_id);
      if (!current.Step() || current.IsNull(0)) {
        return MakeStatus(kStatusVersionNotKept, kFormatVersionNotKept, latest_number, path);
      }
      content = current.Int(0);
      size = current.Int(1);
    }
    Change change = impl_->BeginChange(actor);
    int32_t new_version = latest_number + 1;
    impl_->InsertVersion(change, link.item, new_version, mtime, comment, content, size);
    impl_->Step("checkin:version-written");
    SqliteStatement latest_only = impl_->db().Prepare("SELECT latest_only FROM items WHERE id = ?");
    latest_only.Bind(1, link.item);
    if (latest_only.Step() && latest_only.Int(0) != 0) impl_->DropOlderContent(link.item);
    if (keep_checked_out) {
      impl_->db()
          .Prepare("UPDATE checkouts SET version = ? WHERE file_id = ? AND user_id = ?")
          .Bind(1, static_cast<int64_t>(new_version))
          .Bind(2, link.item)
          .Bind(3, actor.user_id)
          .Run();
    } else {
      impl_->db()
          .Prepare("DELETE FROM checkouts WHERE file_id = ? AND user_id = ?")
          .Bind(1, link.item)
          .Bind(2, actor.user_id)
          .Run();
    }
    HistoryRecord record;
    record.subject = link.item;
    record.path = impl_->LinkPath(link);
    record.file_version = new_version;
    record.comment = std::string(comment);
    record.action = kActionCheckedIn;
    impl_->AddFileRecord(change, link.item, record);
    impl_->AddRecordInLinkingProjects(change, link.item, record);
    impl_->Step("checkin:recorded");

    std::optional<VersionInfo> made = impl_->LoadVersion(link.item, impl_->ShownVersion(link));
    if (!made) throw StoreFailure("a file has no version record");
    std::vector<CheckoutRow> checkouts = impl_->Checkouts(link.item);
    result->new_version = new_version;
    result->checkin_time = change.time;
    result->user_text = impl_->UserText(checkouts, *made);
    result->status = impl_->StatusOf(link, checkouts.size());
    return StoreStatus::Ok();
  });
}

}  // namespace qorv::server
