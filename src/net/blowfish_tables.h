// The published initial state of Blowfish, shared read-only by every context.
#ifndef QORV_NET_BLOWFISH_TABLES_H_
#define QORV_NET_BLOWFISH_TABLES_H_

#include <cstdint>

namespace qorv::blowfish_tables {

extern const uint32_t kInitialP[18];
extern const uint32_t kInitialS[4][256];

}  // namespace qorv::blowfish_tables

#endif  // QORV_NET_BLOWFISH_TABLES_H_
