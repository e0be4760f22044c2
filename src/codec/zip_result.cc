#include "codec/zip_result.h"

#include <array>
#include <string_view>

namespace qorv {

std::string ZipMessage(int32_t result) {
  static constexpr std::array<std::string_view, 22> kTexts = {
      "File Zipped successfully",
      "Error zipping file: Busy, can't enter now",
      "Error zipping file: Unexpected end of ZIP file",
      "Error zipping file: ZIP file structure invalid",
      "Error zipping file: Out of memory",
      "Error zipping file: Internal logic error",
      "Error zipping file: Entry too big to split",
      "Error zipping file: Invalid comment format",
      "Error zipping file: ZIP file invalid or insufficient memory",
      "Error zipping file: Application canceled operation",
      "Error zipping file: Temporary file failure",
      "Error zipping file: Input file read failure",
      "Error zipping file: Nothing to do or failed to open file",
      "Error zipping file: Missing or empty ZIP file",
      "Error zipping file: Output file write failure, possible disk full",
      "Error zipping file: Could not create output file",
      "Error zipping file: Invalid combination of control parameters",
      "Error zipping file: Could not complete operation",
      "Error zipping file: File not found or no read permission",
      "Error zipping file: Media error, disk not ready, or hardware error",
      "Error zipping file: Invalid combination of multi-volume control parameters",
      "Error zipping file: Improper use of a multi-volume ZIP file",
  };
  if (result < 0 || static_cast<size_t>(result) >= kTexts.size()) return {};
  return std::string(kTexts[static_cast<size_t>(result)]);
}

std::string UnzipMessage(int32_t result) {
  switch (result) {
    case 0:
      return "File unzipped successfully";
    case 2:
      return "Error unzipping file: Unexpected end of ZIP file";
    case 3:
      return "Error unzipping file: ZIP file structure invalid";
    case 4:
    case 5:
      return "Error unzipping file: Out of memory";
    case 9:
      return "Error unzipping file: File not found";
    case 11:
      return "Error unzipping file: No files to test, extract, etc";
    case 12:
      return "Error unziping file: This error occurs when you specify a Destination that is the "
             "same as the drive on which the ZIP file is located";
    case 25:
      return "Error unzipping file: Index out of bounds";
    case 28:
      return "Error unzipping file: Error creating output file";
    case 29:
      return "Error unzipping file: Error opening archive";
    case 39:
      return "Error unzipping file: Bad CRC";
    case 40:
      return "Error unzipping file: Application canceled operation";
    case 41:
      return "Error unzipping file: File skipped, encrypted";
    case 42:
      return "Error unzipping file: File skipped, unknown compression method";
    case 44:
      return "Error unzipping file: Bad or missing decrypt code";
    case 45:
      return "Error unzipping file: Busy, can't enter now";
    case 46:
      return "Error unzipping file: Can't extract a Volume ID item";
    case 47:
      return "Error unzipping file: Bad command structure";
    case 48:
      return "Error unzipping file: Operation canceled";
    case 49:
      return "Error unzipping file: Operation skipped";
    case 50:
      return "Error unzipping file: Disk full";
    default:
      return {};
  }
}

}  // namespace qorv
