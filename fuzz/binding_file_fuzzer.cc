// The binding file "MSSCCPRJ.SCC" of a working folder as a user, a tool or
// a damaged disk may leave it, read by BindingFile::Read from a folder of
// its own in the temporary folder, removed after each input.
//
// Input: a text (a project file name to add), then the file's bytes.
//
// Properties, beyond not crashing:
// - the file reads exactly when it holds no zero byte and no line longer
//   than kMaxBindingLineLength; otherwise it fails with "Error reading SCC
//   file", keeps no section, and Write() refuses without touching it;
// - every section read is three lines of the file, a header in brackets,
//   then the auxiliary-path and project-name keys;
// - the sections read, with the project file added (replacing the section
//   of the same name, else as one more when its kind is recognised), are
//   written and read back the same, leaving no file but the binding file.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "local/binding_file.h"
#include "platform/com/ascii_case.h"
#include "platform/process.h"

namespace qorv::fuzz {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of the text, read independently of the parser (split at line
// feeds, a CR before one dropped); false when the text cannot be a binding
// file: a zero byte, a line over the limit.
bool LinesOf(std::string_view text, std::vector<std::string_view>* lines) {
  if (text.find('\0') != std::string_view::npos) return false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxBindingLineLength) return false;
    lines->push_back(line);
  }
  return true;
}

bool SameSections(const std::vector<BindingSection>& a, const std::vector<BindingSection>& b) {
  return std::equal(
      a.begin(), a.end(), b.begin(), b.end(), [](const BindingSection& x, const BindingSection& y) {
        return x.header == y.header && x.aux_path == y.aux_path && x.project_name == y.project_name;
      });
}

void Run(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string project_file(input.Text());
  const std::string_view text = input.RestText();

  const fs::path folder = fs::temp_directory_path() /
                          ("qorv_fuzz_binding_" + std::to_string(platform::CurrentProcessId()));
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder, error);
  QORV_FUZZ_CHECK(!error, "the input's folder is made");
  const fs::path path = folder / kBindingFileName;
  {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    QORV_FUZZ_CHECK(out.good(), "the binding file is written");
  }

  BindingFile binding;
  binding.SetPath(path.string());
  binding.SetConnection("server", 4711, "Main", "$/project");
  const BindingResult read = binding.Read();
  std::vector<std::string_view> lines;
  if (!LinesOf(text, &lines)) {
    QORV_FUZZ_CHECK(!read.ok && read.description == kTextErrorReadingBindingFile,
                    "an unreadable file fails as one");
    QORV_FUZZ_CHECK(binding.sections().empty(), "an unreadable file keeps no section");
    binding.AddProjectFile("a.sln");
    QORV_FUZZ_CHECK(!binding.Write().ok && Content(path) == text,
                    "an unreadable file is not written over");
  } else {
    QORV_FUZZ_CHECK(read.ok, "a readable file reads");
    for (const BindingSection& section : binding.sections()) {
      QORV_FUZZ_CHECK(section.header.size() > 2 && section.header.front() == '[' &&
                          section.header.back() == ']',
                      "a section opens with a header in brackets");
      QORV_FUZZ_CHECK(StartsWithIgnoringAsciiCase(section.aux_path, "SCC_Aux_Path") &&
                          StartsWithIgnoringAsciiCase(section.project_name, "SCC_Project_Name"),
                      "a section holds the two keys");
      for (const std::string* line : {&section.header, &section.aux_path, &section.project_name}) {
        QORV_FUZZ_CHECK(std::find(lines.begin(), lines.end(), *line) != lines.end(),
                        "a section's lines are lines of the file");
      }
    }
    const size_t before = binding.sections().size();
    QORV_FUZZ_CHECK(binding.AddProjectFile(project_file).ok, "adding a project file succeeds");
    QORV_FUZZ_CHECK(binding.sections().size() <= before + 1, "a project file adds one section");
    const std::vector<BindingSection> sections = binding.sections();
    QORV_FUZZ_CHECK(binding.Write().ok, "the sections are written");
    BindingFile again;
    again.SetPath(path.string());
    QORV_FUZZ_CHECK(again.Read().ok && SameSections(again.sections(), sections),
                    "the sections written read back the same");
    for (const auto& entry : fs::directory_iterator(folder)) {
      QORV_FUZZ_CHECK(entry.path() == path, "no file but the binding file is left");
    }
  }
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
  fs::remove_all(folder, error);
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::Run(data, size);
  return 0;
}
