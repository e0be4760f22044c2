// The source-control binding file "MSSCCPRJ.SCC" of a working folder, which
// tells development tools which server project each project file of the
// folder belongs to.
//
// The file is text with CRLF line ends: the banner line
// "SCC = This is a Source Code Control file.", an empty line, then per
// section the lines "[<project file name>]",
// "SCC_Aux_Path = <server>:<port>:<database>",
// "SCC_Project_Name = <server project>" and an empty line. Read() keeps only
// whole sections; AddProjectFile() adds or replaces the section of a project
// file of a recognised kind; Write() puts the file back, read-only.
//
// Every file access goes through the shared file layer (FileLayer::Shared()).
#ifndef QORV_LOCAL_BINDING_FILE_H_
#define QORV_LOCAL_BINDING_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "qorvsdk/result_codes.h"

namespace qorv {

inline constexpr char kBindingFileName[] = "MSSCCPRJ.SCC";

// A file larger than this, or with a line longer than this, is not a binding
// file this code wrote or a tool would write: it is reported as damaged and
// left alone rather than read into memory whole or rewritten.
inline constexpr uint64_t kMaxBindingFileBytes = 1024 * 1024;
inline constexpr size_t kMaxBindingLineLength = 4096;

struct BindingResult {
  bool ok = true;
  std::string description = kTextCompleted;
};

// The three lines of one section, as read or as built.
struct BindingSection {
  std::string header, aux_path, project_name;
};

// `folder` + "/" + "MSSCCPRJ.SCC", with no doubled separator when the folder
// already ends with "/".
std::string BindingFilePathOf(std::string_view folder);

class BindingFile {
 public:
  // Names the binding file; a file found damaged under the previous name no
  // longer blocks Write().
  void SetPath(std::string path);
  const std::string& path() const { return path_; }

  // The connection data of new sections: server, port (held as decimal
  // text) and database for "SCC_Aux_Path = %s:%s:%s", the server project for
  // "SCC_Project_Name = %s".
  void SetConnection(std::string server, int32_t port, std::string database, std::string project);

  // Reads the sections of the file at path(). A missing file fails with
  // "Error opening SCC file " + path and leaves the sections as they were.
  // A file that exists but cannot be opened fails the same way; one that
  // cannot be read, holds a zero byte, has a line longer than
  // kMaxBindingLineLength or is larger than kMaxBindingFileBytes fails with
  // "Error reading SCC file" and clears the sections. In both of those
  // cases the file is damaged: Write() refuses to touch it until SetPath()
  // names a file again or a later Read() finds the file readable or gone.
  BindingResult Read();

  // Adds the section of `file_name` when its extension is recognised,
  // replacing a section whose header names the same file (letter case and
  // surrounding white space ignored). A section one of whose lines would
  // hold a line feed or a zero byte, or be longer than
  // kMaxBindingLineLength, is not added. Always ok, "Completed".
  BindingResult AddProjectFile(std::string_view file_name);

  // Writes the banner and every section, then makes the file read-only. No
  // sections: nothing is written. The new content goes to a temporary file
  // beside the binding file that replaces it only when whole, so a failure
  // leaves the old file as it was (still read-only): "Error opening SCC file "
  // + path when the temporary file cannot be created, "Error writing SCC
  // file." when writing or replacing fails. After Read() found the file
  // damaged: "Error reading SCC file", and the file is not touched.
  BindingResult Write();

  const std::vector<BindingSection>& sections() const { return sections_; }

 private:
  std::string path_;
  std::string server_;
  std::string port_;
  std::string database_;
  std::string project_;
  std::vector<BindingSection> sections_;
  // Set when Read() met a file that exists but could not be taken in.
  bool damaged_ = false;
};

}  // namespace qorv

#endif  // QORV_LOCAL_BINDING_FILE_H_
