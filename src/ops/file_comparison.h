// IsFileSameAsOnServer: does a local file hold exactly the bytes the server
// would deliver for one version of a server file with a given line ending?
#ifndef QORV_OPS_FILE_COMPARISON_H_
#define QORV_OPS_FILE_COMPARISON_H_

#include <cstdint>
#include <string>

#include "ops/operation_context.h"

namespace qorv::ops {

// 1. Cancel flag cleared, keep-alive ping (OperationContext::BeginOperation).
// 2. Command 67 for the one entry {remote_file, version} with `eol`: the
//    server answers with the MD5 of the bytes it would deliver.
// 3. When the command fails or is canceled, or the server refuses the entry
//    itself (no such file, no such version): percent done 100, progress
//    range 0 to 100, the report line {0, "Checking in files ... : " +
//    description}, and the result (the entry's own result and text when the
//    entry was refused). *is_same stays false.
// 4. Otherwise *is_same tells whether the MD5 of the local file's raw bytes
//    equals the server's digest. A local file that cannot be read (a
//    missing one) is different; the result is still 0 and nothing is
//    reported.
int32_t IsFileSameAsOnServer(const OperationContext& context, const std::string& local_file,
                             const std::string& remote_file, int32_t eol, int32_t version,
                             OperationStatus* status, bool* is_same);

}  // namespace qorv::ops

#endif  // QORV_OPS_FILE_COMPARISON_H_
