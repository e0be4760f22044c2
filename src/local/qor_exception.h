// CQORException: the failure raised by the working-folder file layer (and by
// the zip and delta code), carrying a message text and a 32-bit code. The
// operations catch it and turn it into a result value and description.
#ifndef QORV_LOCAL_QOR_EXCEPTION_H_
#define QORV_LOCAL_QOR_EXCEPTION_H_

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace qorv {

class CQORException : public std::exception {
 public:
  CQORException(int32_t code, std::string message) : code_(code), message_(std::move(message)) {}

  // The file layer's error `code` (FileLayerCode) with its fixed text,
  // followed by " File: " and the path when a path is given.
  static CQORException ForCode(int32_t code, std::string_view path = {});

  // The file layer's error for the operating system's error number met on
  // `path`: the code from the platform's mapping; the text of that code, or
  // for code 1 the system's own message ("General error" when it has none).
  static CQORException ForOsError(int os_error, std::string_view path);

  int32_t code() const { return code_; }
  const std::string& message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  int32_t code_;
  std::string message_;
};

// The fixed text of a file-layer code; "General error" for a code without
// one.
const char* FileLayerCodeText(int32_t code);

}  // namespace qorv

#endif  // QORV_LOCAL_QOR_EXCEPTION_H_
