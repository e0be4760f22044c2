// The status of a file in a project listing (Enum_FileStatus) in words.
#ifndef QORV_CLI_FILE_STATUS_H_
#define QORV_CLI_FILE_STATUS_H_

#include "qorvsdk/comtypes.h"

namespace qorv::cli {

// "checked out", "pinned, shared" ...; empty for a file in no special state.
const char* FileStatusText(LONG status);
// "checked-out", "pinned-shared" ... for --json; "normal" for state 0 and
// "unknown" for a value outside the enumeration.
const char* FileStatusName(LONG status);

}  // namespace qorv::cli

#endif  // QORV_CLI_FILE_STATUS_H_
