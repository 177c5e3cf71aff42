#include "texts/ErrorWords.h"

#include <cstdio>
#include <system_error>

#include "definitions/Families.h"
#include "tools/Errors.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qmr {

namespace {

// The system's own wording of a Win32 error code, without the line break
// FormatMessage appends.
std::string WindowsMessage(int code) {
#ifdef _WIN32
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length != 0 && buffer != nullptr ? std::string(buffer, length) : "";
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  if (!text.empty()) return text;
#endif
  return "system error " + std::to_string(static_cast<unsigned long>(static_cast<unsigned>(code)));
}

const char* KindWords(FoundKind kind) {
  switch (kind) {
    case FoundKind::Folder: return "a folder";
    case FoundKind::NamedPipe: return "a named pipe";
    case FoundKind::Device: return "a device";
    case FoundKind::DeviceOrPipe: return "a device or a pipe";
    case FoundKind::SymbolicLink: return "a symbolic link";
    case FoundKind::ReparsePoint: return "a link (a reparse point)";
    case FoundKind::NoRegularFile: break;
    case FoundKind::AnotherFile: return "another file than the one looked at";
  }
  return "no regular file";
}

// Versions whose entries share a layout are named together: a trend whose
// files moved from version 1 to 3 has one kind of entry.
std::string VersionsWords(int version) {
  if (FamilyOf(static_cast<std::int16_t>(version)) == Family::V1to3) return "versions 1 to 3";
  return "version " + std::to_string(version);
}

std::string CodePointWords(std::uint64_t point) {
  char code[24];
  std::snprintf(code, sizeof code, "U+%04llX", static_cast<unsigned long long>(point));
  return code;
}

}  // namespace

std::string ErrorWords(const Error& error) {
  const ErrorValues& v = error.values();
  const std::string head = std::string(DefaultDescription(error.code())) + ": ";
  const std::string quoted = "'" + v.path + "'";
  switch (error.fact()) {
    case ErrorFact::None: break;
    case ErrorFact::SystemRefused: return head + quoted + " (" + std::generic_category().message(v.systemError) + ")";
    case ErrorFact::WindowsRefused: return head + quoted + " (" + WindowsMessage(v.systemError) + ")";
    case ErrorFact::OpenInAnotherProgram:
      return head + quoted + " is open in another program; close it there (or end that program) and try again";
    case ErrorFact::NotAFile: return head + quoted + " is " + KindWords(v.found) + ", not a file";
    case ErrorFact::NulInPath: return head + "the path holds a NUL character";
    case ErrorFact::PathTooLongHere:
      return head + quoted + " has " + std::to_string(v.count) + " characters, more than the " +
             std::to_string(v.limit) + " a path may have here";
    case ErrorFact::FolderIsLink: return head + quoted + " is a symbolic link, not a folder";
    case ErrorFact::NoLongerFolder: return head + quoted + " is no longer a folder";
    case ErrorFact::FolderReplaced: return head + quoted + " was replaced by another folder after it was listed";
    case ErrorFact::NoAnsiForm:
      return head + quoted + " holds " + v.detail + ", which has no form in the system's code page" +
             (v.limit != 0 ? std::string(" ").append(std::to_string(v.limit)) : std::string()) +
             "; files are named in that code page, so rename it";
    case ErrorFact::NoLocalTime: return "The clock gives no local time";
    case ErrorFact::NoValidDate: return "The clock gives no valid weekday or month";
    case ErrorFact::TooManyDataFiles:
      return head + "more than " + std::to_string(v.limit) + " data files after " + quoted;
    case ErrorFact::NotOneByteText:
      return head + quoted + " holds " + CodePointWords(v.count) +
             ", which the runtime's paths (one byte per character) cannot hold";
    case ErrorFact::RecordedFolderTooLong:
      return head + quoted + " has " + std::to_string(v.count) + " characters; a recorded folder may have at most " +
             std::to_string(v.limit);
    case ErrorFact::NulInRecordedFolder: return head + quoted + " holds a NUL character";
    case ErrorFact::TextTooLong:
      return head + "a text of " + std::to_string(v.count) + " bytes does not fit a field of " +
             std::to_string(v.limit) + " bytes";
    case ErrorFact::TrendNameTooLong:
      return head + "the trend name " + quoted + " has " + std::to_string(v.count) +
             " characters; the master's banner holds at most " + std::to_string(v.limit);
    case ErrorFact::PathTooLongForEntry:
      return head + "the path " + quoted + " has " + std::to_string(v.count) + " characters; an entry of " +
             VersionsWords(v.version) + " holds at most " + std::to_string(v.limit);
    case ErrorFact::ReadOnlyMaster: return head + quoted + " is read-only; make it writable to replace it";
    case ErrorFact::MasterNotWritable: return head + quoted + " may not be written by this user";
    case ErrorFact::NoFileInFolder:
      // The master itself was never reached: the folder is what to look at.
      return head + "cannot create a file in folder " + quoted + " to replace '" + v.detail + "' (" +
             std::generic_category().message(v.systemError) + ")";
  }
  return error.description();
}

}  // namespace qmr
