// The user-visible texts of the platform's file and conversion errors, in one
// place. Arguments are inserted as the bytes they are (paths, line texts).
#pragma once

#include <string>

namespace platform_messages {

std::string FileOpenFailed(const std::string& path);     // "ファイル %s は開けません"
std::string FileCreateFailed(const std::string& path);   // "ファイル %s を作成できません"
std::string ListIndexOutOfBounds(int index);             // "リストのインデックスが範囲を超えています (%d)"
std::string NotAnInteger(const std::string& text);       // "'%s' は整数ではありません"
std::string NotAFloat(const std::string& text);          // "'%s' は浮動小数点数ではありません"
std::string ProfileWriteFailed(const std::string& path); // "%s に書き込めません"

}  // namespace platform_messages
