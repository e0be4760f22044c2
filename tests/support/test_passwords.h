// The PBKDF2 iteration count of the users the tests create: far below the
// server's default, which costs about a second a hash on a loaded test
// machine, and the same for every login against such a user.
#ifndef QORV_TESTS_SUPPORT_TEST_PASSWORDS_H_
#define QORV_TESTS_SUPPORT_TEST_PASSWORDS_H_

#include <cstdint>

namespace qorv::testing {

inline constexpr int64_t kTestPasswordIterations = 1000;

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_TEST_PASSWORDS_H_
