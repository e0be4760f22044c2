// printf-style formatting into a std::string, for the message formats of
// qorvsdk/result_codes.h.
#ifndef QORV_LOCAL_TEXT_FORMAT_H_
#define QORV_LOCAL_TEXT_FORMAT_H_

#include <string>

namespace qorv {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qorv

#endif  // QORV_LOCAL_TEXT_FORMAT_H_
