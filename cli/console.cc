#include "cli/console.h"

#include <algorithm>

namespace qorv::cli {
namespace {

constexpr char kProgramPrefix[] = "qorv: ";
constexpr char kFailureMark[] = "error: ";
// Back to the start of the line, then erase to its end.
constexpr char kClearLine[] = "\r\x1b[K";
constexpr int kLongestBar = 50;

}  // namespace

Console::Console(ConsoleSettings settings, std::ostream& out, std::ostream& err)
    : settings_(settings), out_(out), err_(err) {}

Console::~Console() { EndProgress(); }

void Console::ReportLine(bool succeeded, std::string_view text) {
  if (!succeeded) ++failed_report_lines_;
  if (settings_.json) {
    report_lines_.Append(JsonValue::Object()
                             .Set("ok", JsonValue::Bool(succeeded))
                             .Set("text", JsonValue::String(text)));
    return;
  }
  if (succeeded && settings_.quiet) return;
  const bool bar = percent_ >= 0;
  if (bar) err_ << kClearLine;
  if (succeeded) {
    err_ << PrintableText(text) << '\n';
  } else {
    err_ << kFailureMark << PrintableText(text) << '\n';
    failures_shown_.emplace_back(text);
  }
  if (bar) DrawBar();
  err_.flush();
}

bool Console::ShowedFailure(std::string_view text) const {
  return std::find(failures_shown_.begin(), failures_shown_.end(), text) != failures_shown_.end();
}

void Console::Progress(int percent) {
  if (!settings_.error_is_terminal || settings_.quiet) return;
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  err_ << '\r';
  DrawBar();
  err_.flush();
}

void Console::EndProgress() {
  if (percent_ < 0) return;
  err_ << kClearLine;
  err_.flush();
  percent_ = -1;
}

void Console::DrawBar() { err_ << RenderProgressBar(percent_, settings_.columns); }

void Console::Notice(std::string_view text) {
  if (settings_.json) {
    notices_.Append(JsonValue::String(text));
    return;
  }
  if (settings_.quiet) return;
  EndProgress();
  err_ << kProgramPrefix << PrintableText(text) << '\n';
  err_.flush();
}

void Console::Warning(std::string_view text) {
  if (settings_.json) {
    warnings_.Append(JsonValue::String(text));
    return;
  }
  EndProgress();
  err_ << kProgramPrefix << "warning: " << PrintableText(text) << '\n';
  err_.flush();
}

void Console::Error(std::string_view text) {
  EndProgress();
  err_ << kProgramPrefix << PrintableText(text) << '\n';
  err_.flush();
}

void Console::Ask(std::string_view text) {
  EndProgress();
  err_ << PrintableText(text);
  err_.flush();
}

void Console::Output(std::string_view text) {
  EndProgress();
  out_ << PrintableText(text);
  out_.flush();
}

std::string RenderProgressBar(int percent, int columns) {
  percent = std::clamp(percent, 0, 100);
  // "[" + bar + "] " + "100%" leaves one column free, so the cursor never
  // wraps to the next line.
  const int width = std::clamp(columns - 9, 0, kLongestBar);
  const int filled = width * percent / 100;
  // Appended piece by piece: chains of temporary strings here draw a false
  // -Wrestrict from GCC 12 in optimised builds.
  std::string text;
  if (width > 0) {
    text += '[';
    text.append(static_cast<size_t>(filled), '#');
    text.append(static_cast<size_t>(width - filled), '.');
    text += "] ";
  }
  const std::string number = std::to_string(percent);
  text.append(3 - number.size(), ' ');
  text += number;
  text += '%';
  return text;
}

std::string PrintableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
      printable += '?';
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      printable += '?';  // a C1 control character, U+0080..U+009F
      ++i;
    } else {
      printable += static_cast<char>(c);
    }
  }
  return printable;
}

}  // namespace qorv::cli
