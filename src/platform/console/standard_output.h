// Standard output of a command-line program as a C++ stream that remembers
// why a write failed (a full disk, a closed descriptor, a pipe whose reader
// has gone), so that the program can say so and end with a failure instead
// of losing its results without a word.
#ifndef QORV_PLATFORM_CONSOLE_STANDARD_OUTPUT_H_
#define QORV_PLATFORM_CONSOLE_STANDARD_OUTPUT_H_

#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace qorv::platform {

// Buffers what is written and hands it to the descriptor on flush (or when
// the buffer is full). After the first failed write, everything is dropped
// and the stream stays failed.
class DescriptorOutputBuffer : public std::streambuf {
 public:
  explicit DescriptorOutputBuffer(int descriptor) : descriptor_(descriptor) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }
  DescriptorOutputBuffer(const DescriptorOutputBuffer&) = delete;
  DescriptorOutputBuffer& operator=(const DescriptorOutputBuffer&) = delete;

  // The system's text for the first failed write ("No space left on
  // device"); empty while every write succeeded.
  const std::string& failure() const { return failure_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  // Writes the buffered bytes; false (and failure_ set) when they cannot be.
  bool Drain();

  int descriptor_;
  std::array<char, 4096> buffer_{};
  std::string failure_;
};

// Descriptor 1 as a stream; flushed when it goes.
class StandardOutput {
 public:
  StandardOutput() : buffer_(1), stream_(&buffer_) {}
  ~StandardOutput() { stream_.flush(); }
  StandardOutput(const StandardOutput&) = delete;
  StandardOutput& operator=(const StandardOutput&) = delete;

  std::ostream& stream() { return stream_; }
  const std::string& failure() const { return buffer_.failure(); }

 private:
  DescriptorOutputBuffer buffer_;
  std::ostream stream_;
};

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_CONSOLE_STANDARD_OUTPUT_H_
