#include "platform/com/caller_apartment.h"

namespace qorv::platform {

// The registry-file runtime keeps no per-thread state to set up.
CallerApartment::CallerApartment() = default;

CallerApartment::~CallerApartment() = default;

}  // namespace qorv::platform
