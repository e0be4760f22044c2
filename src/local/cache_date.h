// Date-time values of the local cache and their text form in the cache file.
//
// A value is valid (a variant date), invalid, or null. In the file a valid
// value is written "YYYY-MM-DD hh:mm:ss.mmm" (the calendar date and time of
// the variant date, to the millisecond, with no time-zone change), an invalid
// one as "Invalid DateTime" and a null one as an empty line. Because every
// date of this system is whole days plus milliseconds (variant_date.h), the
// text reads back to the identical value. A line that does not parse reads as
// an invalid value; it never fails a load.
#ifndef QORV_LOCAL_CACHE_DATE_H_
#define QORV_LOCAL_CACHE_DATE_H_

#include <string>
#include <string_view>

#include "qorvsdk/comtypes.h"

namespace qorv {

inline constexpr char kCacheDateInvalidText[] = "Invalid DateTime";

class CacheDate {
 public:
  enum class Status { kValid, kInvalid, kNull };

  CacheDate() = default;  // null
  static CacheDate Valid(DATE value) { return CacheDate(Status::kValid, value); }
  static CacheDate Invalid() { return CacheDate(Status::kInvalid, 0); }
  static CacheDate Null() { return CacheDate(); }

  Status status() const { return status_; }
  bool is_valid() const { return status_ == Status::kValid; }
  DATE value() const { return value_; }

  bool operator==(const CacheDate& other) const {
    return status_ == other.status_ && (status_ != Status::kValid || value_ == other.value_);
  }

 private:
  CacheDate(Status status, DATE value) : status_(status), value_(value) {}

  Status status_ = Status::kNull;
  DATE value_ = 0;
};

// A valid value outside the variant date range (or not a number) is written
// as invalid.
std::string FormatCacheDate(const CacheDate& date);
CacheDate ParseCacheDate(std::string_view text);

}  // namespace qorv

#endif  // QORV_LOCAL_CACHE_DATE_H_
