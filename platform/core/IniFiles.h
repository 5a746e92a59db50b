#pragma once
// INI files: sections of name=value keys. Section and key names compare case-insensitively
// (ASCII); the order of sections and keys is kept. TIniFile writes every change to disk at
// once, TMemIniFile keeps the file in memory until UpdateFile.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

VT_DECLARE_EXCEPTION(EIniFileException, Exception);

// The parsed contents of an INI file.
class TIniData {
public:
  // A key line, or (IsKey false) any other line kept as it was: comments, blank lines.
  struct Key {
    String Name;
    String Value;
    bool IsKey = true;
  };
  // The lines before the first header form a section with no header (HasHeader false).
  struct Section {
    String Name;
    bool HasHeader = true;
    std::vector<Key> Keys;
  };

  void Parse(const String& Text);
  String Render() const;
  void Clear() { fSections.clear(); }
  const Section* FindSection(const String& Name) const;
  Section* FindSection(const String& Name);
  Section& AddSection(const String& Name);
  const Key* FindKey(const String& Section, const String& Name) const;
  void SetValue(const String& Section, const String& Name, const String& Value);
  bool EraseSection(const String& Name);
  bool DeleteKey(const String& Section, const String& Name);
  const std::vector<Section>& Sections() const { return fSections; }

private:
  std::vector<Section> fSections;
};

class TCustomIniFile : public TObject {
  VT_CLASS(TCustomIniFile, TObject)
public:
  explicit TCustomIniFile(const String& FileName) : fFileName(FileName) {}
  const String& FileName() const { return fFileName; }

  virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
  virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
  // Decimal, or hexadecimal after "0x"; a missing value or one that is not an integer gives Default.
  virtual int ReadInteger(const String& Section, const String& Ident, int Default);
  virtual void WriteInteger(const String& Section, const String& Ident, int Value);
  // Any integer other than 0 is true; written as "1" or "0".
  virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
  virtual void WriteBool(const String& Section, const String& Ident, bool Value);
  // Invariant notation ("." as the decimal separator).
  virtual double ReadFloat(const String& Section, const String& Ident, double Default);
  virtual void WriteFloat(const String& Section, const String& Ident, double Value);

  // The key names of a section, the section names, and "name=value" lines of a section.
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
  virtual bool SectionExists(const String& Section);
  virtual bool ValueExists(const String& Section, const String& Ident);
  virtual void EraseSection(const String& Section) = 0;
  virtual void DeleteKey(const String& Section, const String& Ident) = 0;
  virtual void UpdateFile() = 0;

  // Permission bits of a file this object creates (0600 for files holding passwords).
  unsigned FileMode() const { return fFileMode; }
  void SetFileMode(unsigned Mode) { fFileMode = Mode; }

protected:
  void SetFileName(const String& v) { fFileName = v; }
  // Reads the whole file (empty when it does not exist) / writes it in one piece; a failure to
  // write raises EIniFileException naming the file and the reason.
  bool ReadFileText(String& Text) const;
  void WriteFileText(const String& Text) const;

private:
  String fFileName;
  unsigned fFileMode = 0644;
};

// Every write reaches the file at once (the file is read again before each operation, so that
// another writer's changes are kept).
class TIniFile : public TCustomIniFile {
  VT_CLASS(TIniFile, TCustomIniFile)
public:
  explicit TIniFile(const String& FileName, unsigned FileMode = 0644);
  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  void UpdateFile() override {}

private:
  TIniData Load() const;
  void Save(const TIniData& Data) const;
};

// The whole file in memory; UpdateFile writes it back.
class TMemIniFile : public TCustomIniFile {
  VT_CLASS(TMemIniFile, TCustomIniFile)
public:
  explicit TMemIniFile(const String& FileName, unsigned FileMode = 0644);
  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  void UpdateFile() override;
  // Points the object at another file; with Reload its contents are read from there.
  void Rename(const String& FileName, bool Reload);
  void Clear() { fData.Clear(); }
  void GetStrings(TStrings* List) const;
  void SetStrings(TStrings* List);

private:
  TIniData fData;
};
