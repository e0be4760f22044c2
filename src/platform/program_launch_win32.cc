#include "platform/com/win32_api.h"
#include "platform/program_launch.h"

namespace qorv::platform {
namespace {

// One argument quoted so that the program's command-line parser (the C
// runtime's rules) gives it back unchanged: backslashes are literal except
// before a quote, which they and the quote are escaped for.
void AppendQuoted(const std::wstring& argument, std::wstring* line) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line->append(argument);
    return;
  }
  line->push_back(L'"');
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line->append(backslashes, L'\\');
    backslashes = 0;
    line->push_back(c);
  }
  line->append(backslashes * 2, L'\\');
  line->push_back(L'"');
}

}  // namespace

int RunProgramAndWait(const std::string& path, const std::vector<std::string>& arguments,
                      int* exit_status) {
  const std::wstring program = WideText(path);
  std::wstring line;
  AppendQuoted(program, &line);
  for (const std::string& argument : arguments) {
    line.push_back(L' ');
    AppendQuoted(WideText(argument), &line);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  // The program is named by its path, never looked up; no handles are
  // inherited (the standard streams are the console's).
  if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return LastFileError();
  }
  ::CloseHandle(process.hThread);
  int error = 0;
  DWORD code = 0;
  if (::WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.hProcess, &code)) {
    error = LastFileError();
  }
  ::CloseHandle(process.hProcess);
  if (error == 0) *exit_status = static_cast<int>(code);
  return error;
}

}  // namespace qorv::platform
