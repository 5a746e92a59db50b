// An INI file's text: read into sections and keys, written to and read back.
#include "FuzzTarget.h"
#include "platform/core/IniFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::string section = in.Part(), key = in.Part();
  TStringList lines;
  lines.SetText(in.Rest());
  TMemIniFile ini("");
  ini.SetStrings(&lines);
  TStringList sections, values;
  ini.ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) ini.ReadSectionValues(sections[i], &values);
  try {
    ini.WriteString(section, key, ini.ReadString(section, key, "x") + "y");
    ini.DeleteKey(section, key);
    ini.EraseSection(section);
  } catch (const Exception&) {}
  TStringList out;
  ini.GetStrings(&out);
  return 0;
}
