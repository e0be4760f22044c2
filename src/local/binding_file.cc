#include "local/binding_file.h"

#include <array>
#include <memory>
#include <optional>
#include <utility>

#include "local/file_layer.h"
#include "local/path_forms.h"
#include "local/qor_exception.h"
#include "local/working_folder.h"
#include "platform/com/ascii_case.h"
#include "platform/file.h"

namespace qorv {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kBanner[] = "SCC = This is a Source Code Control file.";
constexpr char kAuxPathKey[] = "SCC_Aux_Path";
constexpr char kProjectNameKey[] = "SCC_Project_Name";
constexpr char kAuxPathPrefix[] = "SCC_Aux_Path = ";
constexpr char kProjectNamePrefix[] = "SCC_Project_Name = ";

constexpr std::array<std::string_view, 18> kProjectExtensions = {
    "DSP",    "VBP",    "PJX",     "SLN",    "VJP", "DBP",    "VAP",     "VUP",         "VIP",
    "csproj", "vbproj", "vjsproj", "vdproj", "etp", "vcproj", "actproj", "ssmssqlproj", "ssmssln"};

// Bytes taken from the file per read.
constexpr size_t kReadPiece = 64 * 1024;

bool IsProjectFileName(std::string_view file_name) {
  const size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = file_name.substr(dot + 1);
  for (std::string_view known : kProjectExtensions) {
    if (EqualsIgnoringAsciiCase(extension, known)) return true;
  }
  return false;
}

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool IsHeaderLine(std::string_view line) {
  return line.size() > 2 && line.front() == '[' && line.back() == ']';
}
bool IsAuxPathLine(std::string_view line) {
  return line.size() > std::string_view(kAuxPathKey).size() &&
         StartsWithIgnoringAsciiCase(line, kAuxPathKey);
}
bool IsProjectNameLine(std::string_view line) {
  return line.size() > std::string_view(kProjectNameKey).size() &&
         StartsWithIgnoringAsciiCase(line, kProjectNameKey);
}

// The file name a header line names: the enclosing brackets removed, then
// surrounding white space.
std::string_view HeaderName(std::string_view header) {
  if (IsHeaderLine(header)) header = header.substr(1, header.size() - 2);
  return Trimmed(header);
}

enum class ReadOutcome { kRead, kMissing, kNotOpened, kDamaged };

// Reads the whole file at `path` into `*bytes`, refusing a file larger than
// kMaxBindingFileBytes.
ReadOutcome ReadWholeFile(const std::string& path, std::string* bytes) {
  FileLayer& files = FileLayer::Shared();
  std::unique_ptr<platform::OpenFile> file;
  try {
    // Others may go on reading; nobody writes this file but Write(), whose
    // replacement never changes the file this descriptor reads.
    file = files.Open(path, platform::FileAccess::kRead, platform::FileCreation::kOpenExisting,
                      platform::FileSharing::kShared);
  } catch (const CQORException& error) {
    const bool missing =
        error.code() == kFileErrorFileNotFound || error.code() == kFileErrorPathNotFound;
    return missing ? ReadOutcome::kMissing : ReadOutcome::kNotOpened;
  }
  try {
    std::string piece(kReadPiece, '\0');
    for (;;) {
      const size_t got = files.Read(*file, path, piece.data(), piece.size());
      if (got == 0) break;
      if (bytes->size() + got > kMaxBindingFileBytes) return ReadOutcome::kDamaged;
      bytes->append(piece.data(), got);
    }
  } catch (const CQORException&) {
    return ReadOutcome::kDamaged;
  }
  return ReadOutcome::kRead;
}

// Splits `bytes` at line feeds, dropping the carriage return before one.
// False when the text holds a zero byte or a line longer than
// kMaxBindingLineLength: no binding file has either.
bool SplitLines(std::string_view bytes, std::vector<std::string>* lines) {
  if (bytes.find('\0') != std::string_view::npos) return false;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxBindingLineLength) return false;
    lines->emplace_back(line);
  }
  return true;
}

// The sections among `lines`: the lines that are no header, auxiliary-path or
// project-name line are dropped, then every run of those three, in that
// order, is a section.
std::vector<BindingSection> SectionsOf(const std::vector<std::string>& lines) {
  std::vector<const std::string*> kept;
  for (const std::string& line : lines) {
    if (IsHeaderLine(line) || IsAuxPathLine(line) || IsProjectNameLine(line)) {
      kept.push_back(&line);
    }
  }
  std::vector<BindingSection> sections;
  for (size_t i = 0; i + 2 < kept.size(); ++i) {
    if (IsHeaderLine(*kept[i]) && IsAuxPathLine(*kept[i + 1]) && IsProjectNameLine(*kept[i + 2])) {
      sections.push_back({*kept[i], *kept[i + 1], *kept[i + 2]});
    }
  }
  return sections;
}

std::string FileText(const std::vector<BindingSection>& sections) {
  std::string text = std::string(kBanner) + kLineEnd + kLineEnd;
  for (const BindingSection& section : sections) {
    text += section.header + kLineEnd;
    text += section.aux_path + kLineEnd;
    text += section.project_name + kLineEnd;
    text += kLineEnd;
  }
  return text;
}

BindingResult Failure(std::string description) { return {false, std::move(description)}; }

}  // namespace

std::string BindingFilePathOf(std::string_view folder) {
  return JoinLocalPath(folder, kBindingFileName);
}

void BindingFile::SetPath(std::string path) {
  path_ = std::move(path);
  damaged_ = false;
}

void BindingFile::SetConnection(std::string server, int32_t port, std::string database,
                                std::string project) {
  server_ = std::move(server);
  port_ = std::to_string(port);
  database_ = std::move(database);
  project_ = std::move(project);
}

BindingResult BindingFile::Read() {
  std::string bytes;
  switch (ReadWholeFile(path_, &bytes)) {
    case ReadOutcome::kMissing:
      // No binding file yet: Write() may create one.
      damaged_ = false;
      return Failure(kPrefixErrorOpeningBindingFile + path_);
    case ReadOutcome::kNotOpened:
      // A file is there but cannot be opened: Write() must not replace a
      // file it could not see.
      damaged_ = true;
      return Failure(kPrefixErrorOpeningBindingFile + path_);
    case ReadOutcome::kDamaged:
      damaged_ = true;
      sections_.clear();
      return Failure(kTextErrorReadingBindingFile);
    case ReadOutcome::kRead:
      break;
  }
  sections_.clear();
  std::vector<std::string> lines;
  if (!SplitLines(bytes, &lines)) {
    damaged_ = true;
    return Failure(kTextErrorReadingBindingFile);
  }
  damaged_ = false;
  sections_ = SectionsOf(lines);
  return {};
}

BindingResult BindingFile::AddProjectFile(std::string_view file_name) {
  if (!IsProjectFileName(file_name)) return {};
  // Built piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
  // a literal joined to a temporary string.
  BindingSection section;
  section.header.append("[").append(file_name).append("]");
  section.aux_path.append(kAuxPathPrefix).append(server_).append(":").append(port_);
  section.aux_path.append(":").append(database_);
  section.project_name.append(kProjectNamePrefix).append(project_);
  // A section whose lines Read() could not take back (a line feed or zero
  // byte inside one, a line over the limit) would make the whole file
  // unreadable: it is not added.
  for (const std::string* line : {&section.header, &section.aux_path, &section.project_name}) {
    if (line->find_first_of(std::string_view("\n\0", 2)) != std::string::npos ||
        line->size() > kMaxBindingLineLength) {
      return {};
    }
  }
  const std::string_view name = Trimmed(file_name);
  for (BindingSection& existing : sections_) {
    if (EqualsIgnoringAsciiCase(HeaderName(existing.header), name)) {
      existing = std::move(section);
      return {};
    }
  }
  sections_.push_back(std::move(section));
  return {};
}

BindingResult BindingFile::Write() {
  // Deliberately stricter than rewriting whatever is there: a file that
  // exists but could not be read would lose every section of it.
  if (damaged_) return Failure(kTextErrorReadingBindingFile);
  if (sections_.empty()) return {};
  const std::string text = FileText(sections_);
  // The file is not made writable and truncated in place, as a plain
  // rewrite would: a failure part way would leave it empty or cut short. The
  // new text goes to a temporary file beside it that replaces it only when
  // whole; until then the old file stays as it was, read-only included.
  FileLayer& files = FileLayer::Shared();
  std::optional<FileLayer::Replacement> replacement;
  try {
    replacement.emplace(files.BeginReplacement(path_));
  } catch (const CQORException&) {
    SetReadOnly(path_, true);
    return Failure(kPrefixErrorOpeningBindingFile + path_);
  }
  try {
    replacement->Write(text.data(), text.size());
    replacement->Commit();
  } catch (const CQORException&) {
    replacement.reset();  // removes the temporary file
    SetReadOnly(path_, true);
    return Failure(kTextErrorWritingBindingFile);
  }
  SetReadOnly(path_, true);
  return {};
}

}  // namespace qorv
