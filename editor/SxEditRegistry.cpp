#include "editor/SxEditRegistry.h"

String TSxRegistry::Resolve(const String& Key) const {
  String path =
      !Key.empty() && Key[0] == '\\' ? Key.substr(1) : (fCurrentPath.empty() ? Key : fCurrentPath + "\\" + Key);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool TSxRegistry::KeyExists(const String& Key) const {
  const String path = Resolve(Key);
  if (path.empty() || fStore->SectionExists(path) || fCreated.count(UpperCase(path)) > 0) return true;
  // A key that holds only subkeys has no section of its own.
  const String prefix = UpperCase(path) + "\\";
  TStringList sections;
  fStore->ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i)
    if (UpperCase(sections[i]).compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

bool TSxRegistry::OpenKey(const String& Key, bool CanCreate) {
  const String path = Resolve(Key);
  if (!KeyExists("\\" + path)) {
    if (!CanCreate) return false;
    fCreated.insert(UpperCase(path));
  }
  fCurrentPath = path;
  fReadOnly = false;
  return true;
}

bool TSxRegistry::OpenKeyReadOnly(const String& Key) {
  const String path = Resolve(Key);
  if (!KeyExists("\\" + path)) return false;
  fCurrentPath = path;
  fReadOnly = true;
  return true;
}

bool TSxRegistry::ValueExists(const String& Name) const { return fStore->ValueExists(fCurrentPath, Name); }

int TSxRegistry::ReadInteger(const String& Name) const {
  if (!ValueExists(Name)) throw ERegistryException("Invalid data type for '" + Name + "'");
  int v = 0;
  if (!TryStrToInt(fStore->ReadString(fCurrentPath, Name, String()), v))
    throw ERegistryException("Invalid data type for '" + Name + "'");
  return v;
}

String TSxRegistry::ReadString(const String& Name) const { return fStore->ReadString(fCurrentPath, Name, String()); }

void TSxRegistry::WriteInteger(const String& Name, int Value) { WriteString(Name, std::to_string(Value)); }

void TSxRegistry::WriteString(const String& Name, const String& Value) {
  if (fReadOnly) throw ERegistryException("Failed to set data for '" + Name + "'");
  fStore->WriteString(fCurrentPath, Name, Value);
}
