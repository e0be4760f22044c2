// Text detection and line-ending conversion of file contents.
//
// Text files are stored with LF line endings and delivered with the ending
// each request asks for; binary files are stored and delivered as they are.
#ifndef QORV_SERVER_LINE_ENDINGS_H_
#define QORV_SERVER_LINE_ENDINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qorv::server {

// Line-ending modes of requests (Enum_EOL).
enum class Eol : int32_t { kCr = 0, kLf = 1, kCrLf = 2 };
inline constexpr int kEolCount = 3;

// The mode for a wire value, or none for a value outside 0..2.
std::optional<Eol> EolFromWire(int32_t value);

// File types of requests and replies (Enum_FileType).
enum FileTypeCode : int32_t { kFileTypeAutodetect = 0, kFileTypeBinary = 1, kFileTypeText = 2 };

// Text when no byte is 0x00-0x08 or 0x0E-0x1F, except 0x1A (Ctrl-Z closing
// old text files) and 0x1B (escape in coloured text). Empty content is text.
bool LooksLikeText(std::string_view content);

// Turns CR LF pairs and lone CRs into LF across pieces: a CR that ends a
// piece waits for the next piece's first byte.
class TextNormaliser {
 public:
  // Appends the normalised form of `piece` to *out.
  void Feed(std::string_view piece, std::string* out);
  // The end of the body: a CR still waiting becomes an LF.
  void Finish(std::string* out);

 private:
  bool pending_cr_ = false;
};

// Every stored LF becomes the requested ending (text only).
void AppendDelivered(std::string_view stored, Eol eol, std::string* out);

// Every CR LF pair, lone CR and lone LF becomes one LF.
std::string NormaliseToLf(std::string_view content);

// Every LF of stored text becomes the requested ending.
std::string DeliverText(std::string_view stored, Eol eol);

// Size of stored text once delivered with the ending: one byte more per LF
// for CR LF.
int64_t DeliveredTextSize(int64_t stored_size, int64_t lf_count, Eol eol);

}  // namespace qorv::server

#endif  // QORV_SERVER_LINE_ENDINGS_H_
