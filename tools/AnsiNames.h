// Windows keeps names as UTF-16; the program names files in the ANSI code
// page, one or two bytes a character, as the runtime does. A name converts
// only when every character has its exact form there: the system's best-fit
// look-alikes ("Ł" as "L", a fullwidth "Ｔ" as "T") would name another file,
// and its default character "?" is a wildcard to the directory search.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmr {

class Error;

#ifdef _WIN32
// `wide` in the ANSI code page, or nothing when a character has no exact form.
std::optional<std::string> ExactAnsi(std::wstring_view wide);
// `wide` for showing: each character without an exact form as "?".
std::string ShownAnsi(std::wstring_view wide);
// The first character of `wide` without an exact form, as "U+0141"; empty
// when every character has one.
std::string FirstCharacterWithoutAnsiForm(std::wstring_view wide);
// ANSI text as UTF-16 (every ANSI text has its exact wide form).
std::wstring WideFromAnsi(std::string_view ansi);
// `path` as the wide functions open it: a path of MAX_PATH characters or
// more in its long form ("\\?\C:\..." or "\\?\UNC\server\..."), made
// absolute; a shorter one as it is.
std::wstring LongPathForm(const std::string& path);
#endif

// Error 52 for the name shown as `shown` whose `character` ("U+0141") has
// no form in the system's code page: the file cannot be opened by its name.
Error NoAnsiFormError(const std::string& shown, const std::string& character);

}  // namespace qmr
