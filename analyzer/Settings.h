#pragma once
// The per-user settings file: where it lives, the options read and written key by key, and
// the remembered connections read and written as a whole file.

#include <memory>
#include <vector>

#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"

// The file holds passwords: files it creates are private to the user.
constexpr unsigned kSettingsFileMode = 0600;

// The per-user application data folder ($XDG_CONFIG_HOME, else ~/.config); "" when there is none.
String GetAppDataFolder();
// The running program's file name.
String GetProgramFileName();

// The settings file's path. Creates its folder (raising "Could not create folder ..." when that
// fails) and, on first use, copies a file named after the program with ".ini" from beside the
// program (never overwriting). Without an application data folder, that file beside the
// program is the settings file.
String GetSettingsFileName(const String& appDataFolder, const String& programFileName);
String GetSettingsFileName();

// The settings file opened for key-by-key access (each write reaches the file at once), or
// read whole into memory (written back by UpdateFile); a file either creates has mode 0600.
std::unique_ptr<TIniFile> OpenSettingsFile(const String& fileName);
std::unique_ptr<TMemIniFile> LoadSettingsFile(const String& fileName);

struct TAnalyzerOptions {
  bool WarnIfHigh = true;
  std::int32_t WarningThreshold = 2;
  std::int32_t ErrorThreshold = 100;
  bool IncludeSystemTables = true;
  bool EnableQueryCancellation = true;
  std::int32_t PacketRecordsForFetching = 200;
  std::int32_t MaximumParserRecursionDepth = 200;
};

// A missing or unreadable value gives its default.
TAnalyzerOptions ReadOptions(TCustomIniFile& ini);
TAnalyzerOptions ReadOptions(const String& fileName);
// Written key by key, in the options dialog's order.
void WriteOptions(TCustomIniFile& ini, const TAnalyzerOptions& options);
void WriteOptions(const String& fileName, const TAnalyzerOptions& options);

struct TRememberedConnection {
  String DatabaseName;
  String UserName;
  String Password;
  String Role;
  String CharacterSet = "NONE";
};

// Up to 10 remembered connections, newest first, and the connect dialog's two check boxes.
class TRememberedConnections {
public:
  static constexpr int MaxRemembered = 10;

  // Entries 1 to 10 up to the first without a database name.
  void Load(TCustomIniFile& ini);
  // Entries 1 to the count (at most 10), then the two check boxes.
  void Save(TCustomIniFile& ini) const;
  // Whole-file forms: the file is read into memory and written back in one piece, so the
  // options and any other keys in it are kept.
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;

  int Count() const { return static_cast<int>(fItems.size()); }
  const TRememberedConnection& Items(int index) const { return fItems.at(static_cast<std::size_t>(index)); }
  // The entry with this database name, letter case ignored; -1 when none.
  int FindIndex(const String& databaseName) const;
  // Remembers a connection as the newest entry. index is the entry the user picked or
  // FindIndex's answer: that entry moves to the front and takes the character set, and the user
  // name, password and role when rememberUsername is set (else empty texts). With -1 a
  // connection with a database name is added at the front (an eleventh drops the oldest); an
  // empty name changes nothing.
  void Remember(int index, const TRememberedConnection& connection, bool rememberUsername);

  bool RememberDatabase = false;
  bool RememberUsername = false;

private:
  std::vector<TRememberedConnection> fItems;
};
