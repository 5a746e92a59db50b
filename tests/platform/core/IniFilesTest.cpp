#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/core/IniFiles.h"

namespace {

class IniFiles : public ::testing::Test {
protected:
  void SetUp() override {
    path = ::testing::TempDir() + "coreB_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    std::remove(path.c_str());
  }
  void TearDown() override { std::remove(path.c_str()); }
  void WriteFile(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string ReadFile() {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string path;
};

TEST_F(IniFiles, IntegersAndBooleansWithDefaults) {
  WriteFile(
      "[Opts]\nOn=1\nOff=0\nTwo=2\nNeg=-1\nHex=0x1F\nBad=abc\nEmpty=\nSpaced =  7  \nBig=99999999999\n"
      "Frac=2.5\nPlus=+5\nPlusMinus=+-5\n");
  TIniFile ini(path);
  struct Case {
    const char* key;
    int asInt;    // with default -7
    bool asBool;  // with default true
  };
  const Case cases[] = {
      {"On", 1, true},    {"Off", 0, false},   {"Two", 2, true},        {"Neg", -1, true}, {"Hex", 31, true},
      {"Bad", -7, true},  {"Empty", -7, true}, {"Spaced", 7, true},     {"Big", -7, true}, {"Missing", -7, true},
      {"Frac", -7, true}, {"Plus", 5, true},   {"PlusMinus", -7, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadInteger("opts", c.key, -7), c.asInt) << c.key;
    EXPECT_EQ(ini.ReadBool("OPTS", c.key, true), c.asBool) << c.key;
  }
  EXPECT_FALSE(ini.ReadBool("Opts", "Missing", false));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Opts", "Frac", 0), 2.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Opts", "Bad", 1.25), 1.25);
  EXPECT_EQ(ini.ReadString("Nope", "On", "dflt"), "dflt");
}

TEST_F(IniFiles, MissingFileReadsDefaultsAndIsCreatedByFirstWriteWithMode) {
  TIniFile ini(path, 0600);
  EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
  EXPECT_FALSE(ini.SectionExists("S"));
  struct stat st {};
  EXPECT_NE(::stat(path.c_str(), &st), 0);  // reading does not create it
  ini.WriteBool("S", "On", true);
  ini.WriteBool("S", "Off", false);
  ini.WriteInteger("S", "N", -5);
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadFile(), "[S]\nOn=1\nOff=0\nN=-5\n");
  // Every write is on disk at once: a second object sees it.
  TIniFile other(path);
  EXPECT_EQ(other.ReadInteger("s", "n", 0), -5);
  EXPECT_TRUE(other.ValueExists("S", "off"));
}

TEST_F(IniFiles, RewriteNeverWidensThePermissions) {
  TIniFile(path, 0600).WriteString("Passwords", "Password1", "secret");
  TIniFile(path).WriteBool("Options", "WarnIfHigh", true);  // a writer with the default mode
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  TMemIniFile mem(path);
  mem.WriteString("Roles", "Role1", "admin");
  mem.UpdateFile();
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(mem.ReadString("Passwords", "Password1", ""), "secret");
}

TEST_F(IniFiles, OrderCommentsAndCaseKept) {
  WriteFile("; settings\n[B]\nx=1\n\n[A]\ny=2\n");
  TIniFile ini(path);
  ini.WriteString("b", "X", "10");
  ini.WriteString("B", "z", "3");
  ini.WriteString("C", "w", "4");
  EXPECT_EQ(ReadFile(), "; settings\n[B]\nx=10\nz=3\n\n[A]\ny=2\n[C]\nw=4\n");
  TStringList sections, keys, values;
  ini.ReadSections(&sections);
  EXPECT_EQ(sections.CommaText(), "B,A,C");
  ini.ReadSection("B", &keys);
  EXPECT_EQ(keys.CommaText(), "x,z");
  ini.ReadSectionValues("b", &values);
  EXPECT_EQ(values.Values("Z"), "3");
  ini.DeleteKey("B", "x");
  ini.EraseSection("a");
  EXPECT_EQ(ReadFile(), "; settings\n[B]\nz=3\n\n[C]\nw=4\n");
}

TEST_F(IniFiles, ValuesSurviveRoundTrip) {
  TIniFile ini(path);
  const std::string values[] = {"  padded ", "\"quoted\"", "a=b", "p\xC3\xA4ss;#[x]", ""};
  int i = 0;
  for (const auto& v : values) ini.WriteString("V", "k" + std::to_string(i++), v);
  i = 0;
  for (const auto& v : values) EXPECT_EQ(ini.ReadString("V", "k" + std::to_string(i++), "?"), v);
  EXPECT_THROW(ini.WriteString("V", "k", "two\nlines"), EIniFileException);
}

TEST_F(IniFiles, WriteFailureRaises) {
  TIniFile ini(::testing::TempDir() + "coreB-no-such-folder/x.ini");
  try {
    ini.WriteString("S", "K", "V");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to write to"), std::string::npos);
  }
}

TEST_F(IniFiles, MemIniFileWritesOnlyOnUpdate) {
  WriteFile("[Conn]\nDatabase1=a.fdb\n");
  TMemIniFile mem(path, 0600);
  mem.WriteString("Conn", "Database2", "b.fdb");
  EXPECT_EQ(ReadFile(), "[Conn]\nDatabase1=a.fdb\n");
  EXPECT_EQ(mem.ReadString("conn", "database2", ""), "b.fdb");
  mem.UpdateFile();
  EXPECT_EQ(ReadFile(), "[Conn]\nDatabase1=a.fdb\nDatabase2=b.fdb\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
