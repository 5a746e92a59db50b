#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "analyzer/Settings.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class SettingsFile : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fRoot = fs::temp_directory_path() / ("vt-settings-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(fRoot);
    fs::create_directories(fRoot);
  }
  void TearDown() override { fs::remove_all(fRoot); }

  String Path(const String& name) const { return (fRoot / name).string(); }
  static void Write(const String& file, const String& text) { std::ofstream(file, std::ios::binary) << text; }
  static String Read(const String& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static fs::perms Mode(const String& file) { return fs::status(file).permissions() & fs::perms::mask; }
  static constexpr fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;

  fs::path fRoot;
};

bool SameOptions(const TAnalyzerOptions& a, const TAnalyzerOptions& b) {
  return a.WarnIfHigh == b.WarnIfHigh && a.WarningThreshold == b.WarningThreshold &&
         a.ErrorThreshold == b.ErrorThreshold && a.IncludeSystemTables == b.IncludeSystemTables &&
         a.EnableQueryCancellation == b.EnableQueryCancellation &&
         a.PacketRecordsForFetching == b.PacketRecordsForFetching &&
         a.MaximumParserRecursionDepth == b.MaximumParserRecursionDepth;
}

TRememberedConnection Connection(const String& database, const String& user = "U", const String& charset = "UTF8") {
  return {database, user, "pw-" + database, "R", charset};
}

}  // namespace

TEST_F(SettingsFile, OptionDefaultsOnMissingOrUnreadableValues) {
  const TAnalyzerOptions defaults;
  EXPECT_TRUE(defaults.WarnIfHigh && defaults.IncludeSystemTables && defaults.EnableQueryCancellation);
  EXPECT_EQ(defaults.WarningThreshold, 2);
  EXPECT_EQ(defaults.ErrorThreshold, 100);
  EXPECT_EQ(defaults.PacketRecordsForFetching, 200);
  EXPECT_EQ(defaults.MaximumParserRecursionDepth, 200);

  EXPECT_TRUE(SameOptions(ReadOptions(Path("missing.ini")), defaults));
  EXPECT_FALSE(fs::exists(Path("missing.ini")));  // reading creates nothing
  fs::create_directories(Path("a folder.ini"));
  EXPECT_TRUE(SameOptions(ReadOptions(Path("a folder.ini")), defaults));

  Write(Path("s.ini"),
        "[selectivityoptions]\nWarnIfHigh=abc\nWarningThreshold=\nErrorThreshold=0x10\n"
        "[Statistics]\nIncludeSystemTables=0\n[QueryOptions]\nEnableQueryCancellation=5\n"
        "[AdvancedOptions]\nPacketRecordsForFetching=-3\nMaximumParserRecursionDepth=1.5\n");
  const TAnalyzerOptions o = ReadOptions(Path("s.ini"));
  EXPECT_TRUE(o.WarnIfHigh);
  EXPECT_EQ(o.WarningThreshold, 2);
  EXPECT_EQ(o.ErrorThreshold, 16);
  EXPECT_FALSE(o.IncludeSystemTables);
  EXPECT_TRUE(o.EnableQueryCancellation);
  EXPECT_EQ(o.PacketRecordsForFetching, -3);
  EXPECT_EQ(o.MaximumParserRecursionDepth, 200);
}

TEST_F(SettingsFile, OptionsWrittenKeyByKeyAsOneAndZero) {
  TAnalyzerOptions o;
  o.WarnIfHigh = false;
  o.WarningThreshold = 99;
  o.EnableQueryCancellation = false;
  o.MaximumParserRecursionDepth = 0;
  WriteOptions(Path("s.ini"), o);
  const String text = Read(Path("s.ini"));
  for (const char* line :
       {"WarnIfHigh=0", "WarningThreshold=99", "ErrorThreshold=100", "IncludeSystemTables=1",
        "EnableQueryCancellation=0", "PacketRecordsForFetching=200", "MaximumParserRecursionDepth=0"})
    EXPECT_NE(text.find(line), String::npos) << line << " in\n" << text;
  EXPECT_TRUE(SameOptions(ReadOptions(Path("s.ini")), o));
  EXPECT_EQ(Mode(Path("s.ini")), kPrivate);
}

TEST_F(SettingsFile, LocationFolderAndFirstUseCopy) {
  const String program = Path("bin/vantorelle");
  fs::create_directories(Path("bin"));
  Write(Path("bin/vantorelle.ini"), "[AdvancedOptions]\nPacketRecordsForFetching=7\n");
  fs::permissions(Path("bin/vantorelle.ini"), fs::perms::all);

  // No per-user folder: the file beside the program.
  EXPECT_EQ(GetSettingsFileName("", program), Path("bin/vantorelle.ini"));

  const String file = GetSettingsFileName(Path("cfg"), program);
  EXPECT_EQ(file, Path("cfg/Kestrum/InterBase Vantorelle/InterBase Vantorelle settings.ini"));
  EXPECT_EQ(ReadOptions(file).PacketRecordsForFetching, 7);
  EXPECT_EQ(Mode(file), kPrivate);

  // The copy is made once and never overwritten.
  Write(Path("bin/vantorelle.ini"), "[AdvancedOptions]\nPacketRecordsForFetching=8\n");
  EXPECT_EQ(GetSettingsFileName(Path("cfg"), program), file);
  EXPECT_EQ(ReadOptions(file).PacketRecordsForFetching, 7);

  // Without a file beside the program only the folder is made.
  const String other = GetSettingsFileName(Path("cfg2"), Path("bin/nothing"));
  EXPECT_TRUE(fs::is_directory(Path("cfg2/Kestrum/InterBase Vantorelle")));
  EXPECT_FALSE(fs::exists(other));

  Write(Path("plain"), "x");
  try {
    GetSettingsFileName(Path("plain"), program);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Could not create folder \"" + Path("plain") +
                               "/Kestrum/InterBase Vantorelle/\".  InterBase Vantorelle will use this folder to "
                               "store your personal settings.");
  }
}

TEST_F(SettingsFile, AppDataFolderFollowsTheEnvironment) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const String savedValue = saved ? saved : "";
  ::setenv("XDG_CONFIG_HOME", Path("xdg").c_str(), 1);
  EXPECT_EQ(GetAppDataFolder(), Path("xdg"));
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // only an absolute path counts
  EXPECT_NE(GetAppDataFolder(), "relative");
  if (saved)
    ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_FALSE(GetProgramFileName().empty());
}

TEST_F(SettingsFile, RememberedConnectionsNewestFirst) {
  const String file = Path("s.ini");
  WriteOptions(file, TAnalyzerOptions{});
  TRememberedConnections r;
  r.LoadFromFile(file);
  EXPECT_EQ(r.Count(), 0);
  EXPECT_FALSE(r.RememberDatabase);
  EXPECT_FALSE(r.RememberUsername);

  for (int i = 1; i <= 10; ++i) r.Remember(-1, Connection("D" + std::to_string(i)), true);
  r.RememberDatabase = true;
  r.SaveToFile(file);
  EXPECT_EQ(Mode(file), kPrivate);

  TRememberedConnections loaded;
  loaded.LoadFromFile(file);
  ASSERT_EQ(loaded.Count(), 10);
  EXPECT_EQ(loaded.Items(0).DatabaseName, "D10");
  EXPECT_EQ(loaded.Items(0).Password, "pw-D10");
  EXPECT_EQ(loaded.Items(9).DatabaseName, "D1");
  EXPECT_TRUE(loaded.RememberDatabase);
  EXPECT_EQ(ReadOptions(file).PacketRecordsForFetching, 200);  // the rest of the file is kept

  // An eleventh drops the oldest.
  loaded.Remember(loaded.FindIndex("D11"), Connection("D11"), true);
  EXPECT_EQ(loaded.Count(), 10);
  EXPECT_EQ(loaded.Items(9).DatabaseName, "D2");
  loaded.SaveToFile(file);
  TRememberedConnections eleven;
  eleven.LoadFromFile(file);
  ASSERT_EQ(eleven.Count(), 10);
  EXPECT_EQ(eleven.Items(0).DatabaseName, "D11");
  EXPECT_EQ(eleven.Items(9).DatabaseName, "D2");
  EXPECT_EQ(OpenSettingsFile(file)->ReadString("DatabaseNames", "Database11", "none"), "none");
}

TEST_F(SettingsFile, RememberMovesPickedEntryToFront) {
  const String file = Path("s.ini");
  Write(file,
        "[DatabaseNames]\nDatabase1=D1\nDatabase2=D2\nDatabase3=D3\nDatabase5=D5\n"
        "[UserNames]\nUserName3=OLD\n[ConnectDialogOptions]\nRememberUsername=1\n");
  TRememberedConnections r;
  r.LoadFromFile(file);
  ASSERT_EQ(r.Count(), 3);  // up to the first empty entry
  EXPECT_EQ(r.Items(1).CharacterSet, "NONE");
  EXPECT_EQ(r.Items(2).UserName, "OLD");
  EXPECT_TRUE(r.RememberUsername);

  EXPECT_EQ(r.FindIndex("d3"), 2);
  EXPECT_EQ(r.FindIndex("D4"), -1);
  r.Remember(r.FindIndex("d3"), Connection("d3", "NEW", "WIN1252"), false);
  r.Remember(-1, Connection(""), true);  // an empty name changes nothing
  r.SaveToFile(file);

  auto ini = OpenSettingsFile(file);
  EXPECT_EQ(ini->ReadString("DatabaseNames", "Database1", ""), "D3");
  EXPECT_EQ(ini->ReadString("DatabaseNames", "Database2", ""), "D1");
  EXPECT_EQ(ini->ReadString("DatabaseNames", "Database3", ""), "D2");
  EXPECT_EQ(ini->ReadString("CharacterSets", "CharacterSet1", ""), "WIN1252");
  // Not remembering the user: user name, password and role are stored empty.
  EXPECT_EQ(ini->ReadString("UserNames", "UserName1", "x"), "");
  EXPECT_EQ(ini->ReadString("Passwords", "Password1", "x"), "");
  EXPECT_EQ(ini->ReadString("Roles", "Role1", "x"), "");
  EXPECT_EQ(ini->ReadString("CharacterSets", "CharacterSet2", ""), "NONE");

  r.Remember(0, Connection("D3", "ME"), true);
  EXPECT_EQ(r.Items(0).UserName, "ME");
  EXPECT_EQ(r.Items(0).Role, "R");
}
