#include "platform/profile_file.h"

#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/number_conversion.h"
#include "platform/platform_error.h"
#include "platform/text_list.h"

#include <sys/stat.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// One line of the file: its content [begin, end) and its break [end, next).
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

enum class LineKind { kOther, kHeader, kKey };

struct ParsedLine {
  Line span;
  LineKind kind;
  std::string_view name;   // section name or key name, trimmed
  std::string_view value;  // key value, trimmed, quotes kept
};

std::vector<ParsedLine> Parse(std::string_view bytes) {
  std::vector<ParsedLine> lines;
  size_t start = 0;
  // A UTF-8 byte order mark is not part of the first line.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
  while (start < bytes.size()) {
    size_t end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    size_t next = end;
    if (next < bytes.size()) {
      next += (bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n') ? 2 : 1;
    }
    ParsedLine line{{start, end, next}, LineKind::kOther, {}, {}};
    const std::string_view text = Trim(bytes.substr(start, end - start));
    const size_t close = text.rfind(']');
    if (!text.empty() && text.front() == '[' && close != std::string_view::npos) {
      line.kind = LineKind::kHeader;
      line.name = Trim(text.substr(1, close - 1));
    } else if (!text.empty() && text.front() != ';') {
      const size_t equals = text.find('=');
      if (equals != std::string_view::npos) {
        line.kind = LineKind::kKey;
        line.name = Trim(text.substr(0, equals));
        line.value = Trim(text.substr(equals + 1));
      }
    }
    lines.push_back(line);
    start = next;
  }
  return lines;
}

// Index of the first header named `section`, or -1.
long FindSection(const std::vector<ParsedLine>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kHeader && SameName(lines[i].name, section)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

// Index of the key's first line within the section starting at `header`, or -1.
long FindKey(const std::vector<ParsedLine>& lines, long header, std::string_view key) {
  for (size_t i = static_cast<size_t>(header) + 1; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kHeader) break;
    if (lines[i].kind == LineKind::kKey && SameName(lines[i].name, key)) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string ToText(const std::vector<uint8_t>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  std::string_view missing = fallback;
  while (!missing.empty() && IsBlank(missing.back())) missing.remove_suffix(1);
  if (!FileExists(path_)) return std::string(missing);
  const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path_);
  if (!bytes) return std::string(missing);
  const std::string text = ToText(*bytes);
  const std::vector<ParsedLine> lines = Parse(text);
  const long header = FindSection(lines, Trim(section));
  if (header < 0) return std::string(missing);
  const long found = FindKey(lines, header, Trim(key));
  if (found < 0) return std::string(missing);
  return std::string(Unquote(lines[static_cast<size_t>(found)].value));
}

double ProfileFile::ReadFloat(const std::string& section, const std::string& key,
                              double fallback) const {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return fallback;
  return TryStrToFloat(text).value_or(fallback);
}

void ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos) {
    throw std::invalid_argument("profile value with a line break");
  }
  const std::string_view sectionName = Trim(section);
  const std::string_view keyName = Trim(key);
  std::string_view newValue = value;
  while (!newValue.empty() && IsBlank(newValue.front())) newValue.remove_prefix(1);

  std::string text;
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0) {
    const std::optional<std::vector<uint8_t>> bytes =
        S_ISREG(info.st_mode) ? ReadFileBytes(path_) : std::nullopt;
    if (!bytes) throw ProfileWriteError(path_);
    text = ToText(*bytes);
  }

  const std::vector<ParsedLine> lines = Parse(text);
  std::string out;
  const long header = FindSection(lines, sectionName);
  if (header < 0) {
    out = text;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out.append("[").append(sectionName).append("]\r\n");
    out.append(keyName).append("=").append(newValue).append("\r\n");
  } else if (const long found = FindKey(lines, header, keyName); found >= 0) {
    const ParsedLine& line = lines[static_cast<size_t>(found)];
    out.append(text, 0, line.span.begin);
    out.append(line.name).append("=").append(newValue);
    out.append(text, line.span.end, std::string::npos);
  } else {
    // After the section's last key line, or right after its header.
    size_t anchor = static_cast<size_t>(header);
    for (size_t i = anchor + 1; i < lines.size() && lines[i].kind != LineKind::kHeader; ++i) {
      if (lines[i].kind == LineKind::kKey) anchor = i;
    }
    const Line& span = lines[anchor].span;
    const std::string entry = std::string(keyName) + "=" + std::string(newValue);
    if (span.next > span.end) {
      out.append(text, 0, span.next);
      out.append(entry).append("\r\n");
      out.append(text, span.next, std::string::npos);
    } else {
      out.append(text, 0, span.end);
      out.append("\r\n").append(entry);
    }
  }
  if (!WriteFileReplacing(path_, out)) throw ProfileWriteError(path_);
}

void ProfileFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FloatToStr(value));
}
