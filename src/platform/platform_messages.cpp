#include "platform/platform_messages.h"

#include "platform/platform_error.h"

namespace platform_messages {

std::string FileOpenFailed(const std::string& path) {
  return "ファイル " + path + " は開けません";
}

std::string FileCreateFailed(const std::string& path) {
  return "ファイル " + path + " を作成できません";
}

std::string ListIndexOutOfBounds(int index) {
  return "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
}

std::string NotAnInteger(const std::string& text) { return "'" + text + "' は整数ではありません"; }

std::string NotAFloat(const std::string& text) {
  return "'" + text + "' は浮動小数点数ではありません";
}

std::string ProfileWriteFailed(const std::string& path) { return path + " に書き込めません"; }

}  // namespace platform_messages

// The exceptions take their texts from the table above.

FileOpenError::FileOpenError(const std::string& path)
    : PlatformError(platform_messages::FileOpenFailed(path)) {}

FileCreateError::FileCreateError(const std::string& path)
    : PlatformError(platform_messages::FileCreateFailed(path)) {}

ListIndexError::ListIndexError(int index)
    : PlatformError(platform_messages::ListIndexOutOfBounds(index)), index_(index) {}

ConversionError::ConversionError(Kind kind, const std::string& text)
    : PlatformError(kind == Kind::kInteger ? platform_messages::NotAnInteger(text)
                                           : platform_messages::NotAFloat(text)),
      kind_(kind) {}

ProfileWriteError::ProfileWriteError(const std::string& path)
    : PlatformError(platform_messages::ProfileWriteFailed(path)) {}
