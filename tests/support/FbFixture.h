#pragma once
// Real Firebird engines for the database tests: the embedded engine with a database made from a
// SQL script of tests/fixtures, and the loopback server that scripts/test starts.

#include <string>

class TIBDatabase;

// The folder for this test run's files; FIREBIRD_LOCK is set to a lock folder inside it
// before the client library is first used.
std::string FbScratchDir();

// A fresh database made from tests/fixtures/<script>.sql with the embedded engine, once per
// process (a path for a local attachment). Raises std::runtime_error when isql-fb fails.
std::string FbFixtureDatabase(const std::string& script);

// Opens `db` on `name` (a fixture database) as SYSDBA with UTF8 text; `password` for the
// server, `dialect` the client's SQL dialect.
void FbAttach(TIBDatabase& db, const std::string& name, const std::string& password = {}, int dialect = 3);

// The loopback server: available when scripts/fbserver started one for this run.
bool FbServerAvailable();
// VT_REQUIRE_FB_SERVER=1 (CI): a test that needs the server fails without it, never skips.
bool FbServerRequired();
std::string FbServerHost();
int FbServerPort();
std::string FbSysdbaPassword();
// The same fixture created through the server; answers "host/port:path".
std::string FbServerFixtureDatabase(const std::string& script);

// Skips the current test with a clear message when no loopback server runs (fails instead
// when the server is required).
#define VT_REQUIRE_FB_SERVER()                                                                      \
  do {                                                                                              \
    if (!FbServerAvailable()) {                                                                     \
      if (FbServerRequired()) FAIL() << "the loopback Firebird server is required but not running"; \
      GTEST_SKIP() << "the loopback Firebird server is not running (scripts/test starts it)";       \
    }                                                                                               \
  } while (0)
