#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform_error.h"
#include "support/test_paths.h"

namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

const char kSample[] =
    "; settings\r\n"
    "Loose=before any section\r\n"
    "[ Env ]  trailing text\r\n"
    "  Pitch  =  0.25  \r\n"
    "pitch=9\r\n"
    "; Yaw=9\r\n"
    "Yaw\r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Mismatched=\"x'\r\n"
    "Lone=\"\r\n"
    "Inline=5 ; note\r\n"
    "Hash=#1\r\n"
    "Empty=\r\n"
    "Comma=1,5\r\n"
    "Equals=a=b\r\n"
    "\n"
    "[OTHER]\r"
    "Dist=3\n"
    "[env]\r\n"
    "Dist=99\r\n";

struct ReadCase {
  const char* section;
  const char* key;
  const char* fallback;
  const char* value;
};

TEST(ProfileFileRead, FindsTrimmedCaseInsensitiveNamesInTheirSection) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), kSample);
  const ProfileFile ini(dir.File("a.ini"));
  const ReadCase cases[] = {
      {"ENV", "Pitch", "d", "0.25"},            // trimmed value, first duplicate wins
      {" env ", " PITCH ", "d", "0.25"},
      {"ENV", "Yaw", "d", "d"},                // comment and a line without '='
      {"ENV", "Quoted", "d", "  spaced  "},    // one pair of quotes removed
      {"ENV", "Single", "d", "x"},
      {"ENV", "Mismatched", "d", "\"x'"},
      {"ENV", "Lone", "d", "\""},
      {"ENV", "Inline", "d", "5 ; note"},      // no inline comments
      {"ENV", "Hash", "d", "#1"},
      {"ENV", "Empty", "d", ""},
      {"ENV", "Equals", "d", "a=b"},
      {"ENV", "Dist", "d", "d"},               // only the first [env] section counts
      {"OTHER", "Dist", "d", "3"},             // CR-only and LF-only line ends
      {"ENV", "Loose", "d", "d"},
      {"ENV", "Missing", "default  ", "default"},  // trailing blanks of the default go
      {"NONE", "Pitch", "0", "0"},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, c.fallback), c.value) << c.section << "/" << c.key;
  }
  EXPECT_EQ(ProfileFile(dir.File("missing.ini")).ReadString("ENV", "Pitch", "0"), "0");
  EXPECT_EQ(ProfileFile(dir.path()).ReadString("ENV", "Pitch", "0"), "0");
}

TEST(ProfileFileRead, FloatFallsBackWhenMissingEmptyOrNotANumber) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), kSample);
  const ProfileFile ini(dir.File("a.ini"));
  EXPECT_EQ(ini.ReadFloat("ENV", "Pitch", -1.0), 0.25);
  EXPECT_EQ(ini.ReadFloat("ENV", "Comma", -1.0), 1.5);
  EXPECT_EQ(ini.ReadFloat("ENV", "Empty", -1.0), -1.0);
  EXPECT_EQ(ini.ReadFloat("ENV", "Hash", -1.0), -1.0);
  EXPECT_EQ(ini.ReadFloat("ENV", "Inline", -1.0), -1.0);
  EXPECT_EQ(ini.ReadFloat("ENV", "Missing", -1.0), -1.0);
  EXPECT_EQ(ProfileFile(dir.File("missing.ini")).ReadFloat("ENV", "Pitch", 2.5), 2.5);
}

TEST(ProfileFileRead, SkipsAUtf8ByteOrderMark) {
  TempDir dir;
  WriteBytes(dir.File("bom.ini"), "\xEF\xBB\xBF[ENV]\r\nLX=1.5\r\n");
  EXPECT_EQ(ProfileFile(dir.File("bom.ini")).ReadFloat("ENV", "LX", 0.0), 1.5);
}

struct WriteCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  double value;
  const char* after;
};

TEST(ProfileFileWrite, ChangesOnlyTheKeyLineOrAddsOne) {
  const WriteCase cases[] = {
      {"existing key, odd spacing and other sections kept",
       "; comment\r\n[OTHER]\r\nPitch=1\r\n\r\n[ env ]\r\n  pitch =  0.500 \r\nYaw=2\r\n#x\r\n",
       "ENV", "Pitch", 0.5,
       "; comment\r\n[OTHER]\r\nPitch=1\r\n\r\n[ env ]\r\npitch=0.5\r\nYaw=2\r\n#x\r\n"},
      {"first of duplicates replaced, line end kept", "[ENV]\nLX=1\nLX=2\n", "ENV", "LX", 2.0,
       "[ENV]\nLX=2\nLX=2\n"},
      {"missing key after the section's last key", "[ENV]\r\nLX=1\r\n; end\r\n\r\n[B]\r\nY=1\r\n",
       "ENV", "LY", -2.5, "[ENV]\r\nLX=1\r\nLY=-2.5\r\n; end\r\n\r\n[B]\r\nY=1\r\n"},
      {"missing key in a section without keys", "[ENV]\r\n[B]\r\n", "ENV", "LX", 1e-5,
       "[ENV]\r\nLX=1E-5\r\n[B]\r\n"},
      {"missing key on a last line without break", "[ENV]\rLX=1", "ENV", "LY", 3.0,
       "[ENV]\rLX=1\r\nLY=3"},
      {"missing section appended", "[A]\r\nX=1\r\n", "ENV", "Dist", 1.5e20,
       "[A]\r\nX=1\r\n[ENV]\r\nDist=1.5E20\r\n"},
      {"missing section after a last line without break", "; only", "ENV", "Dist", 2.0,
       "; only\r\n[ENV]\r\nDist=2\r\n"},
      {"key with a comment of the same name", ";Yaw=1\r\n[ENV]\r\n;Yaw=1\r\nYaw=1\r\n", "ENV",
       "Yaw", 0.1, ";Yaw=1\r\n[ENV]\r\n;Yaw=1\r\nYaw=0.1\r\n"},
      {"byte order mark kept", "\xEF\xBB\xBF[ENV]\r\nLX=1\r\n", "ENV", "LX", 4.0,
       "\xEF\xBB\xBF[ENV]\r\nLX=4\r\n"},
  };
  TempDir dir;
  for (const WriteCase& c : cases) {
    WriteBytes(dir.File("env.ini"), c.before);
    ProfileFile ini(dir.File("env.ini"));
    ini.WriteFloat(c.section, c.key, c.value);
    EXPECT_EQ(ReadBytes(dir.File("env.ini")), c.after) << c.name;
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"env.ini"}) << c.name;
  }
}

TEST(ProfileFileWrite, NewFileReceivesKeysInTheOrderWritten) {
  TempDir dir;
  ProfileFile ini(dir.File("env.ini"));
  ini.WriteFloat("ENV", "CP0X", 0.0);
  ini.WriteFloat("ENV", "CP0Y", 0.500);
  ini.WriteFloat("ENV", "LX", -2.0);
  ini.WriteString("ENV", "Note", "  text");
  ini.WriteFloat("ENV", "cp0x", 1.25);  // the existing key, whatever its case
  EXPECT_EQ(ReadBytes(dir.File("env.ini")),
            "[ENV]\r\nCP0X=1.25\r\nCP0Y=0.5\r\nLX=-2\r\nNote=text\r\n");
  EXPECT_EQ(ini.ReadFloat("ENV", "CP0Y", 9.0), 0.5);
}

TEST(ProfileFileWrite, FailureNamesThePathAndChangesNothing) {
  TempDir dir;
  const std::string inMissingFolder = dir.File("dir99/env.ini");
  try {
    ProfileFile(inMissingFolder).WriteFloat("ENV", "CP0X", 1.0);
    ADD_FAILURE();
  } catch (const ProfileWriteError& error) {
    EXPECT_EQ(std::string(error.what()), inMissingFolder + " に書き込めません");
  }

  const std::string readOnly = dir.File("env.ini");
  WriteBytes(readOnly, "[ENV]\r\nCP0X=7\r\n");
  ::chmod(readOnly.c_str(), 0444);
  EXPECT_THROW(ProfileFile(readOnly).WriteFloat("ENV", "CP0X", 1.0), ProfileWriteError);
  EXPECT_EQ(ReadBytes(readOnly), "[ENV]\r\nCP0X=7\r\n");
  EXPECT_THROW(ProfileFile(dir.path()).WriteFloat("ENV", "CP0X", 1.0), ProfileWriteError);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"env.ini"});
}

TEST(ProfileFileLocale, DecimalCommaLocaleWritesAndReadsTheSameNumbers) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  TempDir dir;
  ProfileFile ini(dir.File("env.ini"));
  ini.WriteFloat("ENV", "Pitch", 0.25);
  ini.WriteFloat("ENV", "Dist", -2.5e-7);
  const double pitch = ini.ReadFloat("ENV", "Pitch", 0.0);
  const double dist = ini.ReadFloat("ENV", "Dist", 0.0);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(ReadBytes(dir.File("env.ini")), "[ENV]\r\nPitch=0.25\r\nDist=-2.5E-7\r\n");
  EXPECT_EQ(pitch, 0.25);
  EXPECT_EQ(dist, -2.5e-7);
}

}  // namespace
