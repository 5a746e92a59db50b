#include "platform/core/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool SameName(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

String TrimBlanks(const String& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool NeedsQuotes(const String& v) {
  if (v.empty()) return false;
  if (static_cast<unsigned char>(v.front()) <= ' ' || static_cast<unsigned char>(v.back()) <= ' ') return true;
  return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

// Values are stored trimmed; one pair of enclosing double quotes protects blanks at the ends.
String StoredValue(const String& v) { return NeedsQuotes(v) ? "\"" + v + "\"" : v; }

String LoadedValue(const String& raw) {
  String v = TrimBlanks(raw);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

void CheckLine(const String& s) {
  if (s.find_first_of("\r\n") != String::npos)
    throw EIniFileException("An INI file value or name cannot contain a line break");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TIniData

void TIniData::Parse(const String& Text) {
  fSections.clear();
  Section* current = nullptr;
  std::size_t p = 0, n = Text.size();
  // A UTF-8 byte order mark is not part of the first line.
  if (n >= 3 && Text.compare(0, 3, "\xEF\xBB\xBF") == 0) p = 3;
  while (p < n) {
    std::size_t start = p;
    while (p < n && Text[p] != '\r' && Text[p] != '\n') ++p;
    String raw = Text.substr(start, p - start);
    if (p < n && Text[p] == '\r') ++p;
    if (p < n && Text[p] == '\n') ++p;

    String line = TrimBlanks(raw);
    if (!line.empty() && line.front() == '[') {
      auto close = line.find(']');
      if (close != String::npos) {
        fSections.push_back(Section{TrimBlanks(line.substr(1, close - 1)), true, {}});
        current = &fSections.back();
        continue;
      }
    }
    if (!current) {
      fSections.push_back(Section{String(), false, {}});
      current = &fSections.back();
    }
    auto eq = line.find('=');
    if (!line.empty() && line.front() != ';' && eq != String::npos && current->HasHeader)
      current->Keys.push_back(Key{TrimBlanks(line.substr(0, eq)), LoadedValue(line.substr(eq + 1)), true});
    else
      current->Keys.push_back(Key{raw, String(), false});
  }
}

String TIniData::Render() const {
  String out;
  for (const auto& section : fSections) {
    if (section.HasHeader) out += "[" + section.Name + "]\n";
    for (const auto& key : section.Keys) {
      if (key.IsKey)
        out += key.Name + "=" + StoredValue(key.Value) + "\n";
      else
        out += key.Name + "\n";
    }
  }
  return out;
}

const TIniData::Section* TIniData::FindSection(const String& Name) const {
  for (const auto& s : fSections)
    if (s.HasHeader && SameName(s.Name, Name)) return &s;
  return nullptr;
}

TIniData::Section* TIniData::FindSection(const String& Name) {
  return const_cast<Section*>(static_cast<const TIniData*>(this)->FindSection(Name));
}

TIniData::Section& TIniData::AddSection(const String& Name) {
  if (Section* s = FindSection(Name)) return *s;
  fSections.push_back(Section{Name, true, {}});
  return fSections.back();
}

const TIniData::Key* TIniData::FindKey(const String& SectionName, const String& Name) const {
  const Section* s = FindSection(SectionName);
  if (!s) return nullptr;
  for (const auto& k : s->Keys)
    if (k.IsKey && SameName(k.Name, Name)) return &k;
  return nullptr;
}

void TIniData::SetValue(const String& SectionName, const String& Name, const String& Value) {
  CheckLine(SectionName);
  CheckLine(Name);
  CheckLine(Value);
  Section& s = AddSection(SectionName);
  for (auto& k : s.Keys)
    if (k.IsKey && SameName(k.Name, Name)) {
      k.Value = Value;
      return;
    }
  // After the last key, before trailing blank lines and comments of the section.
  auto pos = s.Keys.end();
  while (pos != s.Keys.begin() && !std::prev(pos)->IsKey) --pos;
  if (pos == s.Keys.begin()) pos = s.Keys.end();
  s.Keys.insert(pos, Key{Name, Value, true});
}

bool TIniData::EraseSection(const String& Name) {
  bool erased = false;
  for (auto it = fSections.begin(); it != fSections.end();) {
    if (it->HasHeader && SameName(it->Name, Name)) {
      it = fSections.erase(it);
      erased = true;
    } else {
      ++it;
    }
  }
  return erased;
}

bool TIniData::DeleteKey(const String& SectionName, const String& Name) {
  Section* s = FindSection(SectionName);
  if (!s) return false;
  for (auto it = s->Keys.begin(); it != s->Keys.end(); ++it)
    if (it->IsKey && SameName(it->Name, Name)) {
      s->Keys.erase(it);
      return true;
    }
  return false;
}

// ---------------------------------------------------------------------------------------------
// TCustomIniFile

int TCustomIniFile::ReadInteger(const String& Section, const String& Ident, int Default) {
  String s = TrimBlanks(ReadString(Section, Ident, String()));
  if (s.empty()) return Default;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    std::uint32_t v = 0;
    auto [ptr, ec] = std::from_chars(first + 2, last, v, 16);
    return ec == std::errc() && ptr == last ? static_cast<int>(v) : Default;
  }
  if (*first == '+' && last - first > 1 && first[1] != '-') ++first;
  int v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v, 10);
  return ec == std::errc() && ptr == last && first != last ? v : Default;
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
  String s = TrimBlanks(ReadString(Section, Ident, String()));
  if (s.empty()) return Default;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (*first == '+' && last - first > 1 && first[1] != '-') ++first;
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  return ec == std::errc() && ptr == last ? v : Default;
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, Value);
  WriteString(Section, Ident, ec == std::errc() ? String(buf, ptr) : String("0"));
}

bool TCustomIniFile::SectionExists(const String& Section) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList keys;
  ReadSection(Section, &keys);
  for (int i = 0; i < keys.Count(); ++i)
    if (SameName(keys[i], Ident)) return true;
  return false;
}

bool TCustomIniFile::ReadFileText(String& Text) const {
  Text.clear();
  std::ifstream in(fFileName, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  Text = ss.str();
  return true;
}

void TCustomIniFile::WriteFileText(const String& Text) const {
  // Written beside the file and renamed over it, so that a failed write never leaves half a file.
  String temp = fFileName + ".tmp";
  auto fail = [&](int err) { throw EIniFileException("Unable to write to " + fFileName + ": " + std::strerror(err)); };
  // A temporary file left over from an earlier failure goes first, so that the new one gets the mode.
  ::unlink(temp.c_str());
  // Rewriting never widens the permissions of an existing file: a writer with a wider default
  // must not expose a file that another writer made private (the settings hold passwords).
  struct stat existing {};
  bool exists = ::stat(fFileName.c_str(), &existing) == 0;
  mode_t mode = static_cast<mode_t>(fFileMode) & 0777;
  if (exists) mode &= existing.st_mode & 0777;
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) fail(errno);
  // The umask may have narrowed the mode of a file that exists already; give it back exactly.
  if (exists) ::fchmod(fd, mode);
  std::size_t done = 0;
  while (done < Text.size()) {
    ssize_t n = ::write(fd, Text.data() + done, Text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int err = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(temp.c_str());
      fail(err);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    fail(err);
  }
  if (::rename(temp.c_str(), fFileName.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    fail(err);
  }
}

namespace {
void ListSection(const TIniData& data, const String& Section, TStrings* Strings, bool withValues) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    if (const auto* s = data.FindSection(Section))
      for (const auto& k : s->Keys)
        if (k.IsKey) Strings->Add(withValues ? k.Name + "=" + k.Value : k.Name);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void ListSections(const TIniData& data, TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (const auto& s : data.Sections())
      if (s.HasHeader) Strings->Add(s.Name);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

String ReadValue(const TIniData& data, const String& Section, const String& Ident, const String& Default) {
  const auto* k = data.FindKey(Section, Ident);
  return k ? k->Value : Default;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(const String& FileName, unsigned FileMode) : TCustomIniFile(FileName) { SetFileMode(FileMode); }

TIniData TIniFile::Load() const {
  TIniData data;
  String text;
  if (ReadFileText(text)) data.Parse(text);
  return data;
}

void TIniFile::Save(const TIniData& Data) const { WriteFileText(Data.Render()); }

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  return ReadValue(Load(), Section, Ident, Default);
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  TIniData data = Load();
  data.SetValue(Section, Ident, Value);
  Save(data);
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) { ListSection(Load(), Section, Strings, false); }
void TIniFile::ReadSections(TStrings* Strings) { ListSections(Load(), Strings); }
void TIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  ListSection(Load(), Section, Strings, true);
}

void TIniFile::EraseSection(const String& Section) {
  TIniData data = Load();
  if (data.EraseSection(Section)) Save(data);
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
  TIniData data = Load();
  if (data.DeleteKey(Section, Ident)) Save(data);
}

// ---------------------------------------------------------------------------------------------
// TMemIniFile

TMemIniFile::TMemIniFile(const String& FileName, unsigned FileMode) : TCustomIniFile(FileName) {
  SetFileMode(FileMode);
  String text;
  if (ReadFileText(text)) fData.Parse(text);
}

String TMemIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  return ReadValue(fData, Section, Ident, Default);
}

void TMemIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  fData.SetValue(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const String& Section, TStrings* Strings) { ListSection(fData, Section, Strings, false); }
void TMemIniFile::ReadSections(TStrings* Strings) { ListSections(fData, Strings); }
void TMemIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  ListSection(fData, Section, Strings, true);
}
void TMemIniFile::EraseSection(const String& Section) { fData.EraseSection(Section); }
void TMemIniFile::DeleteKey(const String& Section, const String& Ident) { fData.DeleteKey(Section, Ident); }
void TMemIniFile::UpdateFile() { WriteFileText(fData.Render()); }

void TMemIniFile::Rename(const String& FileName, bool Reload) {
  SetFileName(FileName);
  if (Reload) {
    fData.Clear();
    String text;
    if (ReadFileText(text)) fData.Parse(text);
  }
}

void TMemIniFile::GetStrings(TStrings* List) const {
  List->BeginUpdate();
  try {
    List->Clear();
    String text = fData.Render();
    List->SetText(text);
  } catch (...) {
    List->EndUpdate();
    throw;
  }
  List->EndUpdate();
}

void TMemIniFile::SetStrings(TStrings* List) { fData.Parse(List->Text()); }
