#include "support/FbFixture.h"

#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBIntf.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace {
// The client library's connections and threads end with the tests, not during exit.
class TClientShutdown : public ::testing::Environment {
public:
  void TearDown() override { IBShutdown(); }
};
[[maybe_unused]] const ::testing::Environment* const gClientShutdown =
    ::testing::AddGlobalTestEnvironment(new TClientShutdown);

std::mutex gMutex;
std::map<std::string, std::string> gMade;
std::vector<std::string> gFiles;
std::string gProcessDir;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void RemoveFiles() {
  for (const std::string& f : gFiles) {
    std::error_code ec;
    fs::remove(f, ec);
  }
}

// Runs isql-fb over a generated script: create the database, then read the fixture script.
void RunIsql(const std::string& createLine, const std::string& script, const std::string& tag) {
  std::string source = std::string(VT_SOURCE_DIR) + "/tests/fixtures/" + script + ".sql";
  if (!fs::exists(source)) throw std::runtime_error("no fixture script " + source);
  std::string dir = FbScratchDir();
  std::string input = dir + "/" + tag + ".isql";
  std::string log = dir + "/" + tag + ".log";
  // A script whose first line is "-- SQL dialect 1" makes a database of that dialect.
  std::string firstLine;
  {
    std::ifstream in(source);
    std::getline(in, firstLine);
  }
  const char* dialect = firstLine.rfind("-- SQL dialect 1", 0) == 0 ? "1" : "3";
  {
    std::ofstream out(input);
    out << "SET SQL DIALECT " << dialect << ";\n" << createLine << "\nINPUT '" << source << "';\nCOMMIT;\n";
  }
  std::string command = "isql-fb -q -b -i '" + input + "' > '" + log + "' 2>&1";
  if (std::system(command.c_str()) != 0) {
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    throw std::runtime_error("isql-fb failed for " + script + ": " + text);
  }
}
}  // namespace

std::string FbScratchDir() {
  static const std::string dir = [] {
    std::string base = Env("VT_TEST_SCRATCH");
    if (base.empty()) base = std::string(VT_BINARY_DIR) + "/test-scratch";
    fs::create_directories(base + "/lock");
    // One lock folder per run: every engine opening the same files must share it.
    if (Env("FIREBIRD_LOCK").empty()) setenv("FIREBIRD_LOCK", (base + "/lock").c_str(), 1);
    std::string mine = base + "/p" + std::to_string(getpid());
    fs::create_directories(mine);
    gProcessDir = mine;
    std::atexit([] {
      RemoveFiles();
      std::error_code ec;
      fs::remove_all(gProcessDir, ec);
    });
    return mine;
  }();
  return dir;
}

std::string FbFixtureDatabase(const std::string& script) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gMade.find("local:" + script);
  if (it != gMade.end()) return it->second;
  std::string path = FbScratchDir() + "/" + script + ".fdb";
  fs::remove(path);
  RunIsql("CREATE DATABASE '" + path + "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;", script, script);
  gFiles.push_back(path);
  gMade["local:" + script] = path;
  return path;
}

bool FbServerAvailable() { return !Env("VT_FB_SERVER_PORT").empty() && !Env("VT_FB_SYSDBA_PASSWORD").empty(); }
bool FbServerRequired() { return Env("VT_REQUIRE_FB_SERVER") == "1"; }
std::string FbServerHost() { return Env("VT_FB_SERVER_HOST").empty() ? "127.0.0.1" : Env("VT_FB_SERVER_HOST"); }
int FbServerPort() { return std::atoi(Env("VT_FB_SERVER_PORT").c_str()); }
std::string FbSysdbaPassword() { return Env("VT_FB_SYSDBA_PASSWORD"); }

std::string FbServerFixtureDatabase(const std::string& script) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gMade.find("server:" + script);
  if (it != gMade.end()) return it->second;
  // A file of its own: the server's engine must never open a file the embedded one uses.
  std::string path = FbScratchDir() + "/server-" + script + ".fdb";
  fs::remove(path);
  std::string name = FbServerHost() + "/" + std::to_string(FbServerPort()) + ":" + path;
  RunIsql(
      "CREATE DATABASE '" + name + "' USER 'SYSDBA' PASSWORD '" + FbSysdbaPassword() + "' DEFAULT CHARACTER SET UTF8;",
      script, "server-" + script);
  gFiles.push_back(path);
  gMade["server:" + script] = name;
  return name;
}

void FbAttach(TIBDatabase& db, const std::string& name, const std::string& password, int dialect) {
  db.SetDatabaseName(name);
  db.Params().SetValues("user_name", "SYSDBA");
  if (!password.empty()) db.Params().SetValues("password", password);
  db.Params().SetValues("lc_ctype", "UTF8");
  db.SetSQLDialect(dialect);
  db.Open();
}
