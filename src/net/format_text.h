// printf-style formatting into a std::string, for the system's message texts
// ("Error at %s(): %s", "Error connecting to: %s:%d" ...).
#ifndef QORV_NET_FORMAT_TEXT_H_
#define QORV_NET_FORMAT_TEXT_H_

#include <string>

namespace qorv {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qorv

#endif  // QORV_NET_FORMAT_TEXT_H_
