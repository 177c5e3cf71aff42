#include "cli/Arguments.h"

#ifdef _WIN32
// windows.h first, in a block of its own: shellapi.h needs what it defines.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "tools/Errors.h"
#endif

namespace qmr {

#ifndef _WIN32
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}
#else

namespace {

// The ANSI form of `text`, or nothing when a character has no exact form in
// the code page. Best-fit mappings are refused: they would turn a name into
// another (existing or wildcard) name, and "?" would even match other files.
bool ToAnsi(const wchar_t* text, int length, std::string& ansi) {
  ansi.clear();
  if (length == 0) return true;
  const UINT codePage = GetACP();
  // UTF-8 as the ANSI code page holds every character; it takes neither the
  // best-fit flag nor the used-default report.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int size = WideCharToMultiByte(codePage, flags, text, length, nullptr, 0, nullptr, usedDefaultOut);
  if (size <= 0 || usedDefault) return false;
  ansi.resize(static_cast<std::size_t>(size));
  const int written = WideCharToMultiByte(codePage, flags, text, length, ansi.data(), size, nullptr, usedDefaultOut);
  return written == size && !usedDefault;
}

// The first character of `text` that has no exact ANSI form, as "U+XXXX".
std::string FirstUnconvertible(const std::wstring& text) {
  std::string ignored;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool pair = i + 1 < text.size() && IS_HIGH_SURROGATE(text[i]) && IS_LOW_SURROGATE(text[i + 1]);
    const int units = pair ? 2 : 1;
    if (!ToAnsi(text.data() + i, units, ignored)) {
      const unsigned long code = pair ? 0x10000UL + ((text[i] - 0xD800UL) << 10) + (text[i + 1] - 0xDC00UL) : text[i];
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "U+%04lX", code);
      return buffer;
    }
    if (pair) ++i;
  }
  return "a character";
}

// `text` for a message: what can be shown, "?" for the rest.
std::string Displayable(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "?";
  std::string shown(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, shown.data(), size, nullptr, nullptr);
  return shown;
}

// Frees the array CommandLineToArgvW allocates, on every way out.
class WideArguments {
 public:
  explicit WideArguments(const wchar_t* commandLine) : args_(CommandLineToArgvW(commandLine, &count_)) {}
  ~WideArguments() {
    if (args_ != nullptr) LocalFree(args_);
  }
  WideArguments(const WideArguments&) = delete;
  WideArguments& operator=(const WideArguments&) = delete;
  bool ok() const { return args_ != nullptr; }
  int count() const { return count_; }
  const wchar_t* operator[](int i) const { return args_[i]; }

 private:
  int count_ = 0;
  wchar_t** args_;
};

}  // namespace

std::vector<std::string> AnsiArguments(const wchar_t* commandLine) {
  WideArguments wide(commandLine);
  if (!wide.ok())
    throw Error(ErrorCode::InvalidArgument,
                std::string(DefaultDescription(ErrorCode::InvalidArgument)) + ": the command line cannot be read");
  std::vector<std::string> args;
  // Entry 0 is the program's own path: it is never used, so a program kept in
  // a folder with such a name still runs.
  for (int i = 1; i < wide.count(); ++i) {
    const std::wstring arg = wide[i];
    std::string ansi;
    if (!ToAnsi(arg.data(), static_cast<int>(arg.size()), ansi))
      throw Error(ErrorCode::BadFileName,
                  std::string(DefaultDescription(ErrorCode::BadFileName)) + ": argument " + std::to_string(i) + " '" +
                      Displayable(arg) + "' holds " + FirstUnconvertible(arg) +
                      ", which has no form in the system's code page " + std::to_string(GetACP()) +
                      "; files are named in that code page, so rename the file or folder");
    args.push_back(std::move(ansi));
  }
  return args;
}

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  // argv went through the runtime's own conversion, which puts "?" (a
  // wildcard to the directory search) or a look-alike in place of what the
  // code page cannot hold; the wide command line keeps the true names.
  return AnsiArguments(GetCommandLineW());
}

#endif

}  // namespace qmr
