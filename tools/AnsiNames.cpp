#include "tools/AnsiNames.h"

#include <cstdio>

#include "tools/Errors.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qmr {

#ifdef _WIN32

namespace {

// UTF-8 as the ANSI code page holds every character; it takes neither the
// best-fit flag nor the used-default report.
bool Convert(std::wstring_view wide, std::string* ansi) {
  if (wide.empty()) return true;
  const UINT codePage = GetACP();
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, usedDefaultOut);
  if (size <= 0 || usedDefault) return false;
  if (ansi == nullptr) return true;
  ansi->resize(static_cast<std::size_t>(size));
  const int written =
      WideCharToMultiByte(codePage, flags, wide.data(), length, ansi->data(), size, nullptr, usedDefaultOut);
  return written == size && !usedDefault;
}

// The characters of `wide` one at a time: a surrogate pair counts as one.
template <typename Each>
void ForEachCharacter(std::wstring_view wide, Each each) {
  for (std::size_t i = 0; i < wide.size();) {
    const bool pair = i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
    const std::size_t units = pair ? 2 : 1;
    if (!each(wide.substr(i, units))) return;
    i += units;
  }
}

}  // namespace

std::optional<std::string> ExactAnsi(std::wstring_view wide) {
  std::string ansi;
  if (!Convert(wide, &ansi)) return std::nullopt;
  return ansi;
}

std::string ShownAnsi(std::wstring_view wide) {
  if (std::optional<std::string> exact = ExactAnsi(wide)) return *exact;
  std::string shown;
  ForEachCharacter(wide, [&](std::wstring_view character) {
    std::string one;
    shown += Convert(character, &one) ? one : "?";
    return true;
  });
  return shown;
}

std::string FirstCharacterWithoutAnsiForm(std::wstring_view wide) {
  std::string found;
  ForEachCharacter(wide, [&](std::wstring_view character) {
    if (Convert(character, nullptr)) return true;
    const unsigned long code = character.size() == 2
                                   ? 0x10000UL + ((character[0] - 0xD800UL) << 10) + (character[1] - 0xDC00UL)
                                   : character[0];
    char text[16];
    std::snprintf(text, sizeof text, "U+%04lX", code);
    found = text;
    return false;
  });
  return found;
}

std::wstring WideFromAnsi(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int length = static_cast<int>(ansi.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), size);
  return wide;
}

std::wstring LongPathForm(const std::string& path) {
  std::wstring wide = WideFromAnsi(path);
  if (wide.size() < MAX_PATH || wide.starts_with(L"\\\\?\\")) return wide;
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return wide;
  full.resize(written);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

#endif

Error NoAnsiFormError(const std::string& shown, const std::string& character) {
  unsigned codePage = 0;
#ifdef _WIN32
  codePage = GetACP();
#endif
  return Error(ErrorCode::BadFileName, ErrorFact::NoAnsiForm, {.path = shown, .detail = character, .limit = codePage});
}

}  // namespace qmr
