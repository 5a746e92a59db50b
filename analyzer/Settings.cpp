#include "analyzer/Settings.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char* const kSelectivity = "SelectivityOptions";
const char* const kStatistics = "Statistics";
const char* const kQuery = "QueryOptions";
const char* const kAdvanced = "AdvancedOptions";
const char* const kConnectDialog = "ConnectDialogOptions";

struct TRememberedKey {
  const char* Section;
  const char* Key;
  String TRememberedConnection::*Field;
};
const TRememberedKey kRememberedKeys[] = {
    {"DatabaseNames", "Database", &TRememberedConnection::DatabaseName},
    {"UserNames", "UserName", &TRememberedConnection::UserName},
    {"Passwords", "Password", &TRememberedConnection::Password},
    {"Roles", "Role", &TRememberedConnection::Role},
    {"CharacterSets", "CharacterSet", &TRememberedConnection::CharacterSet},
};

void MakePrivate(const String& fileName) {
  std::error_code ec;
  fs::permissions(fileName, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
}

}  // namespace

String GetAppDataFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return IncludeTrailingPathDelimiter(home) + ".config";
  return String();
}

String GetProgramFileName() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? String() : exe.string();
}

String GetSettingsFileName(const String& appDataFolder, const String& programFileName) {
  const String programIni = ChangeFileExt(programFileName, ".ini");
  if (appDataFolder.empty()) return programIni;
  const String folder = IncludeTrailingPathDelimiter(appDataFolder) + "Kestrum/InterBase Vantorelle/";
  if (!DirectoryExists(folder) && !ForceDirectories(folder))
    throw Exception("Could not create folder \"" + folder +
                    "\".  InterBase Vantorelle will use this folder to store your personal settings.");
  const String fileName = folder + "InterBase Vantorelle settings.ini";
  if (!FileExists(fileName) && !programFileName.empty() && FileExists(programIni)) {
    std::error_code ec;
    if (fs::copy_file(programIni, fileName, fs::copy_options::none, ec)) MakePrivate(fileName);
  }
  return fileName;
}

String GetSettingsFileName() { return GetSettingsFileName(GetAppDataFolder(), GetProgramFileName()); }

std::unique_ptr<TIniFile> OpenSettingsFile(const String& fileName) {
  return std::make_unique<TIniFile>(fileName, kSettingsFileMode);
}

std::unique_ptr<TMemIniFile> LoadSettingsFile(const String& fileName) {
  return std::make_unique<TMemIniFile>(fileName, kSettingsFileMode);
}

TAnalyzerOptions ReadOptions(TCustomIniFile& ini) {
  TAnalyzerOptions o;
  o.WarnIfHigh = ini.ReadBool(kSelectivity, "WarnIfHigh", o.WarnIfHigh);
  o.WarningThreshold = ini.ReadInteger(kSelectivity, "WarningThreshold", o.WarningThreshold);
  o.ErrorThreshold = ini.ReadInteger(kSelectivity, "ErrorThreshold", o.ErrorThreshold);
  o.IncludeSystemTables = ini.ReadBool(kStatistics, "IncludeSystemTables", o.IncludeSystemTables);
  o.EnableQueryCancellation = ini.ReadBool(kQuery, "EnableQueryCancellation", o.EnableQueryCancellation);
  o.PacketRecordsForFetching = ini.ReadInteger(kAdvanced, "PacketRecordsForFetching", o.PacketRecordsForFetching);
  o.MaximumParserRecursionDepth =
      ini.ReadInteger(kAdvanced, "MaximumParserRecursionDepth", o.MaximumParserRecursionDepth);
  return o;
}

TAnalyzerOptions ReadOptions(const String& fileName) { return ReadOptions(*OpenSettingsFile(fileName)); }

void WriteOptions(TCustomIniFile& ini, const TAnalyzerOptions& o) {
  ini.WriteBool(kSelectivity, "WarnIfHigh", o.WarnIfHigh);
  ini.WriteInteger(kSelectivity, "WarningThreshold", o.WarningThreshold);
  ini.WriteInteger(kSelectivity, "ErrorThreshold", o.ErrorThreshold);
  ini.WriteBool(kStatistics, "IncludeSystemTables", o.IncludeSystemTables);
  ini.WriteBool(kQuery, "EnableQueryCancellation", o.EnableQueryCancellation);
  ini.WriteInteger(kAdvanced, "PacketRecordsForFetching", o.PacketRecordsForFetching);
  ini.WriteInteger(kAdvanced, "MaximumParserRecursionDepth", o.MaximumParserRecursionDepth);
}

void WriteOptions(const String& fileName, const TAnalyzerOptions& options) {
  WriteOptions(*OpenSettingsFile(fileName), options);
}

void TRememberedConnections::Load(TCustomIniFile& ini) {
  fItems.clear();
  for (int n = 1; n <= MaxRemembered; ++n) {
    const String number = std::to_string(n);
    TRememberedConnection entry;
    for (const auto& k : kRememberedKeys) entry.*k.Field = ini.ReadString(k.Section, k.Key + number, entry.*k.Field);
    if (entry.DatabaseName.empty()) break;
    fItems.push_back(std::move(entry));
  }
  RememberDatabase = ini.ReadBool(kConnectDialog, "RememberDatabase", false);
  RememberUsername = ini.ReadBool(kConnectDialog, "RememberUsername", false);
}

void TRememberedConnections::Save(TCustomIniFile& ini) const {
  const int n = std::min(Count(), MaxRemembered);
  for (int i = 0; i < n; ++i) {
    const String number = std::to_string(i + 1);
    for (const auto& k : kRememberedKeys) ini.WriteString(k.Section, k.Key + number, fItems[i].*k.Field);
  }
  ini.WriteBool(kConnectDialog, "RememberDatabase", RememberDatabase);
  ini.WriteBool(kConnectDialog, "RememberUsername", RememberUsername);
}

void TRememberedConnections::LoadFromFile(const String& fileName) { Load(*LoadSettingsFile(fileName)); }

void TRememberedConnections::SaveToFile(const String& fileName) const {
  auto ini = LoadSettingsFile(fileName);
  Save(*ini);
  ini->UpdateFile();
}

int TRememberedConnections::FindIndex(const String& databaseName) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(fItems[i].DatabaseName, databaseName)) return i;
  return -1;
}

void TRememberedConnections::Remember(int index, const TRememberedConnection& connection, bool rememberUsername) {
  if (index < 0 || index >= Count()) {
    if (connection.DatabaseName.empty()) return;
    fItems.insert(fItems.begin(), TRememberedConnection{connection.DatabaseName, String(), String(), String(),
                                                        connection.CharacterSet});
    if (Count() > MaxRemembered) fItems.pop_back();  // an eleventh drops the oldest
  } else {
    std::rotate(fItems.begin(), fItems.begin() + index, fItems.begin() + index + 1);
  }
  TRememberedConnection& front = fItems.front();
  front.CharacterSet = connection.CharacterSet;
  front.UserName = rememberUsername ? connection.UserName : String();
  front.Password = rememberUsername ? connection.Password : String();
  front.Role = rememberUsername ? connection.Role : String();
}
