#include "forms/FormTexts.h"

#include <algorithm>
#include <system_error>

#include "texts/ErrorWords.h"
#include "tools/Errors.h"

namespace qmr {

std::string DriveErrorText(int number, const std::string& description) {
  return "Error " + std::to_string(number) + " " + description;
}

std::string NameList(const std::vector<std::string>& names) {
  const std::size_t shown = names.size() > kNamesShown ? kNamesShown : names.size();
  std::string list;
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) list += i + 1 == shown && shown == names.size() ? " and " : ", ";
    list += names[i];
  }
  if (shown < names.size()) list += " and " + std::to_string(names.size() - shown) + " more";
  return list;
}

std::string BatchFailedText(const std::string& trendName, const Error& error, const std::vector<std::string>& rebuilt,
                            const std::vector<std::string>& notRebuilt) {
  return "The rebuild stopped at trend " + trendName + ".\n\nError " + std::to_string(error.number()) + " " +
         ErrorWords(error) + "\n\nRebuilt: " + (rebuilt.empty() ? std::string("none") : NameList(rebuilt)) +
         ".\nNot rebuilt: " + NameList(notRebuilt) + ".";
}

std::string WrapLongWords(std::string_view text, std::size_t widest) {
  std::string wrapped;
  wrapped.reserve(text.size() + text.size() / widest + 1);
  std::size_t wordLength = 0;  // characters since the last blank or line break
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\n' || c == '\t') {
      wrapped += c;
      wordLength = 0;
      continue;
    }
    // A break after a separator that ends a word's line in its second half
    // keeps folder names whole; a run without one is cut at the width.
    if (wordLength >= widest) {
      const std::size_t lineStart = wrapped.size() - wordLength;
      const std::size_t separator = wrapped.find_last_of("\\/", wrapped.size() - 1);
      if (separator != std::string::npos && separator >= lineStart + widest / 2) {
        wrapped.insert(separator + 1, 1, '\n');
        wordLength = wrapped.size() - separator - 2;
      } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {  // never inside a UTF-8 character
        wrapped += '\n';
        wordLength = 0;
      }
    }
    wrapped += c;
    ++wordLength;
  }
  return wrapped;
}

std::string FirstLine(std::string_view text, int width, const std::function<int(std::string_view)>& widthOf) {
  // Words are added while the line fits; a first word too wide for the box
  // stays whole (the label cuts it at its edge).
  std::size_t end = text.find(' ');
  if (end == std::string_view::npos || widthOf(text) <= width) return std::string(text);
  for (std::size_t next = text.find(' ', end + 1);; next = text.find(' ', next + 1)) {
    const std::size_t candidate = next == std::string_view::npos ? text.size() : next;
    if (widthOf(text.substr(0, candidate)) > width) break;
    end = candidate;
    if (next == std::string_view::npos) break;
  }
  return std::string(text.substr(0, end));
}

std::vector<std::string> WrapLines(std::string_view text, int width,
                                   const std::function<int(std::string_view)>& widthOf) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string_view word = text.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && widthOf(line + " " + std::string(word)) > width) {
      lines.push_back(std::move(line));
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  if (!line.empty() || lines.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string BatchStoppedText(const std::string& what) { return "The rebuild stopped.\n\n" + what; }

std::string ErrorText(const Error& error) { return DriveErrorText(error.number(), ErrorWords(error)); }

std::string HiddenDataFileText(const std::string& fileName) {
  return fileName + " is hidden (or a system file): not read";
}

std::string BadNameText(const std::string& shownName) {
  const Error error(ErrorCode::BadFileName);
  return "Error " + std::to_string(error.number()) + " " + error.description() + ": " + shownName;
}

std::string VersionLine(const std::string& comments) {
  return std::string(kApplicationTitle) + " version " + kVersionText + " " + comments;
}

}  // namespace qmr
