// Times of the store: whole milliseconds on the OLE Automation date scale.
//
// An OLE date is days since 1899-12-30 00:00 with the time of day as the
// fraction, in the server's local time. The store keeps it as an integer
// count of milliseconds so that it can compare and step times exactly; the
// wire carries it as whole days and the milliseconds of the day, both
// truncated toward zero.
#ifndef QORV_SERVER_OLE_TIME_H_
#define QORV_SERVER_OLE_TIME_H_

#include <cstdint>
#include <functional>

#include "platform/com/civil_date.h"

namespace qorv::server {

using OleMs = int64_t;

inline constexpr int64_t kMsPerDay = 86400000;

// The two int32 values of a date on the wire.
struct WireDate {
  int32_t days = 0;
  int32_t ms = 0;
};

WireDate ToWireDate(OleMs time);
OleMs FromWireDate(WireDate date);
// Whole days plus fraction, as the raw-double reply form carries it.
double ToOleDouble(OleMs time);

// The server's local time now, as the store records it.
OleMs LocalNowMs();
// A UTC instant (milliseconds since 1970) as local time on the OLE scale.
OleMs LocalOleFromUnixMs(int64_t unix_ms);

// A clock the store reads for every change; tests substitute a fixed one.
using StoreClock = std::function<OleMs()>;

}  // namespace qorv::server

#endif  // QORV_SERVER_OLE_TIME_H_
