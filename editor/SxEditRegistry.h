#pragma once
// The registry of highlighter settings, kept in a key-value file: each key path is a section
// ("Software\Kestrum\Highlighters\Comment"), each value a name=value line of it.

#include <set>

#include "platform/core/IniFiles.h"

VT_DECLARE_EXCEPTION(ERegistryException, Exception);

class TSxRegistry {
public:
  // The store is not owned; writes go to it at once.
  explicit TSxRegistry(TCustomIniFile* Store) : fStore(Store) {}

  // The path of the open key, without a leading backslash; empty for the root.
  const String& CurrentPath() const { return fCurrentPath; }
  // Opens Key relative to the open key, or absolute when it starts with "\".
  bool OpenKey(const String& Key, bool CanCreate);
  bool OpenKeyReadOnly(const String& Key);
  void CloseKey() { fCurrentPath.clear(); }
  bool KeyExists(const String& Key) const;

  bool ValueExists(const String& Name) const;
  // Missing or non-numeric values raise ERegistryException.
  int ReadInteger(const String& Name) const;
  String ReadString(const String& Name) const;
  void WriteInteger(const String& Name, int Value);
  void WriteString(const String& Name, const String& Value);

private:
  String Resolve(const String& Key) const;
  TCustomIniFile* fStore;
  String fCurrentPath;
  bool fReadOnly = false;
  std::set<String> fCreated;  // keys created without values yet (upper-cased)
};
