#include "local/cache_format.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/com/ascii_case.h"

namespace qorv {
namespace {

// ---- Writing -------------------------------------------------------------------

void AddLine(std::string* out, std::string_view line) {
  size_t start = out->size();
  out->append(line);
  for (size_t i = start; i < out->size(); ++i) {
    if ((*out)[i] == '\n' || (*out)[i] == '\r') (*out)[i] = ' ';
  }
  out->push_back('\n');
}

void AddNumber(std::string* out, int32_t value) { AddLine(out, std::to_string(value)); }

void AddFileEntry(std::string* out, const CacheFileEntry& entry) {
  AddLine(out, entry.name);
  AddLine(out, entry.checkout_path);
  AddLine(out, FormatCacheDate(entry.latest_version_date));
  AddNumber(out, entry.spare_integer);
  AddLine(out, entry.user_name);
  AddNumber(out, entry.status);
  AddNumber(out, entry.version);
  AddLine(out, FormatCacheDate(entry.spare_date));
  AddLine(out, kCacheDigestLine);
  for (const LocalCopy& copy : entry.local_copies) {
    AddLine(out, kCacheLocalCopyTag);
    AddLine(out, copy.local_path);
    AddNumber(out, copy.version);
    AddLine(out, FormatCacheDate(copy.file_time));
  }
}

void AddNode(std::string* out, const CacheNode& node) {
  AddLine(out, node.name());
  AddNumber(out, node.cloaked() ? kCacheCloakedFlag : 0);
  for (size_t i = 0; i < node.sub_project_count(); ++i) AddNode(out, node.sub_project(i));
  AddLine(out, "");
  // The line after an entry's digest is read as a local copy when it says
  // "map", so an entry named "map" can only stand first in its list, where
  // its name line cannot be taken for a local copy of the entry before.
  const CacheFileEntry* map_named = nullptr;
  for (const CacheFileEntry& entry : node.files()) {
    if (EqualsIgnoringAsciiCase(entry.name, kCacheLocalCopyTag)) map_named = &entry;
  }
  if (map_named != nullptr) AddFileEntry(out, *map_named);
  for (const CacheFileEntry& entry : node.files()) {
    if (&entry != map_named) AddFileEntry(out, entry);
  }
  AddLine(out, "");
}

// ---- Reading -------------------------------------------------------------------

class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // The next line without its line break; false at the end of the text.
  bool Next(std::string_view* line) {
    if (at_ >= text_.size()) return false;
    size_t end = text_.find('\n', at_);
    if (end == std::string_view::npos) end = text_.size();
    *line = text_.substr(at_, end - at_);
    if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
    at_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

// A decimal number as the C library's atol() reads it (leading blanks, a
// sign, digits; anything after is ignored; no digits give 0), clamped to the
// 32-bit range.
int32_t ReadNumber(std::string_view line) {
  size_t at = 0;
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  bool negative = false;
  if (at < line.size() && (line[at] == '-' || line[at] == '+')) negative = line[at++] == '-';
  int64_t value = 0;
  while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
    value = value * 10 + (line[at++] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// A key (of a working folder or a local copy) as the writer writes it: a
// carriage return left inside the line, which only a file edited by hand
// holds, becomes a space. Read any other way, two keys that differ only
// there would become one on the next save, and one binding would be lost.
std::string KeyAsWritten(std::string_view line) {
  std::string key(line);
  std::replace(key.begin(), key.end(), '\r', ' ');
  return key;
}

class CacheParser {
 public:
  CacheParser(std::string_view text, CacheModel* model) : lines_(text), model_(model) {}

  bool Parse() {
    std::string_view line;
    if (!lines_.Next(&line) || !ReadVersion(line)) return false;
    if (!lines_.Next(&line)) return false;
    model_->set_current_project(std::string(line));
    if (!ReadWorkingFolders()) return false;
    return ReadTree();
  }

 private:
  bool ReadVersion(std::string_view line) {
    if (!line.starts_with(kCacheVersionPrefix)) return false;
    std::string_view version = line.substr(sizeof(kCacheVersionPrefix) - 1);
    if (version == kCacheVersionWritten || version == kCacheVersionCurrent) {
      old_layout_ = false;
      return true;
    }
    if (version == kCacheVersionOld) {
      old_layout_ = true;
      return true;
    }
    return false;
  }

  bool ReadWorkingFolders() {
    std::string_view key;
    std::string_view folder;
    for (;;) {
      if (!lines_.Next(&key)) return false;
      if (key.empty()) return true;
      if (!lines_.Next(&folder) || folder.empty()) return false;
      model_->SetWorkingFolder(KeyAsWritten(key), std::string(folder));
    }
  }

  bool ReadTree() {
    std::string_view line;
    if (!lines_.Next(&line) || !EqualsIgnoringAsciiCase(line, kServerRoot)) return false;
    CacheNode* current = &model_->root();
    if (!lines_.Next(&line)) return false;
    current->set_cloaked((ReadNumber(line) & kCacheCloakedFlag) != 0);
    for (;;) {
      if (!lines_.Next(&line)) return false;
      if (!line.empty()) {
        // A sub-project of the current node, which becomes current.
        std::string_view flags;
        if (line.find(kServerSeparator) != std::string_view::npos || !lines_.Next(&flags)) {
          return false;
        }
        current = current->AddSubProject(line);
        if (current == nullptr) return false;  // a name holding a lone "\r"
        current->set_cloaked((ReadNumber(flags) & kCacheCloakedFlag) != 0);
        continue;
      }
      if (!ReadFileEntries(current)) return false;
      if (current->parent() == nullptr) return true;
      current = current->parent();
    }
  }

  // Reads entries up to the empty line that ends the list.
  bool ReadFileEntries(CacheNode* node) {
    std::string_view line;
    if (!lines_.Next(&line)) return false;
    while (!line.empty()) {
      if (line.find(kServerSeparator) != std::string_view::npos) return false;
      CacheFileEntry entry;
      entry.name = std::string(line);
      if (!ReadEntryFields(&entry) || !lines_.Next(&line)) return false;
      while (!old_layout_ && EqualsIgnoringAsciiCase(line, kCacheLocalCopyTag)) {
        std::string_view local_path;
        std::string_view version;
        std::string_view file_time;
        if (!lines_.Next(&local_path) || !lines_.Next(&version) || !lines_.Next(&file_time) ||
            !lines_.Next(&line)) {
          return false;
        }
        entry.SetLocalCopy(KeyAsWritten(local_path), ReadNumber(version),
                           ParseCacheDate(file_time));
      }
      if (node->PutFile(std::move(entry)) == nullptr) return false;
    }
    return true;
  }

  // The lines after the name: four in the old layout (checkout path, latest
  // version date, spare integer, user name), eight in the current one (those,
  // then status, version, spare date and the ignored digest).
  bool ReadEntryFields(CacheFileEntry* entry) {
    std::string_view checkout_path, latest_version_date, spare_integer, user_name;
    if (!lines_.Next(&checkout_path) || !lines_.Next(&latest_version_date) ||
        !lines_.Next(&spare_integer) || !lines_.Next(&user_name)) {
      return false;
    }
    entry->checkout_path = std::string(checkout_path);
    entry->latest_version_date = ParseCacheDate(latest_version_date);
    entry->spare_integer = ReadNumber(spare_integer);
    entry->user_name = std::string(user_name);
    if (old_layout_) return true;
    std::string_view status, version, spare_date, digest;
    if (!lines_.Next(&status) || !lines_.Next(&version) || !lines_.Next(&spare_date) ||
        !lines_.Next(&digest)) {
      return false;
    }
    entry->status = ReadNumber(status);
    entry->version = ReadNumber(version);
    entry->spare_date = ParseCacheDate(spare_date);
    return true;
  }

  LineReader lines_;
  CacheModel* model_;
  bool old_layout_ = false;
};

}  // namespace

std::string FormatCacheText(const CacheModel& model) {
  std::string out;
  AddLine(&out, std::string(kCacheVersionPrefix) + kCacheVersionWritten);
  AddLine(&out, model.current_project());
  for (const auto& [project, folder] : model.working_folders()) {
    AddLine(&out, project);
    AddLine(&out, folder);
  }
  AddLine(&out, "");
  AddNode(&out, model.root());
  return out;
}

bool ParseCacheText(std::string_view text, CacheModel* model) {
  return CacheParser(text, model).Parse();
}

}  // namespace qorv
