#pragma once
// The demo database of a first start: a few related tables with keys and indexes of every
// kind the PLAN tree shows, and enough rows that joins, sorts and index choices show in the
// PLAN and the read chart. It lives in the user's data folder and is made once.

#include "platform/core/SysUtils.h"

// The user's data folder ($XDG_DATA_HOME, else ~/.local/share) with "Kestrum/InterBase
// Vantorelle/" below it; "" when there is no home.
String GetUserDataFolder();
// "<data folder>demo.fdb".
String DemoDatabaseFileName();

// Makes the database at `fileName` unless it exists (written beside it under another name
// and renamed when complete, so a failed start leaves no half database). Raises on failure.
void EnsureDemoDatabase(const String& fileName);

// The statement a newcomer runs first.
extern const char* const DemoSQL;

// When the settings file remembers no connection yet, the demo database becomes the first
// (user SYSDBA, which the embedded engine takes without a password).
void RememberDemoConnection(const String& settingsFileName, const String& demoFileName);

// The embedded engine's lock folder: when none is set and the system's is not ours to use,
// one in the user's runtime (or cache) folder.
void PrepareEmbeddedEngineLock();
