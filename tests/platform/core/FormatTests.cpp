#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace {

TFormatSettings German() {
  TFormatSettings s;
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '.';
  s.DateSeparator = '.';
  s.ShortDateFormat = "dd.MM.yyyy";
  s.LongTimeFormat = "hh:nn:ss";
  s.CurrencyString = "EUR";
  s.CurrencyFormat = 3;
  s.NegCurrFormat = 8;
  return s;
}

}  // namespace

TEST(FormatFloat, Table) {
  FormatSettingsScope scope(DefaultFormatSettings());
  struct Case {
    const char* format;
    double value;
    const char* expected;
  } cases[] = {
      {"0.00", 1234.5, "1234.50"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"0.##", 1.5, "1.5"},
      {"0.##", 2.0, "2"},
      {"#.##", 0.5, ".5"},
      {"000", 7, "007"},
      {"#", 0, ""},
      {"0.00", 0.125, "0.13"},   // halves away from zero on the decimal digits
      {"0.00", 1.005, "1.00"},   // 1.005 is just below the half
      {"0.00", -0.001, "0.00"},  // shows as zero: no sign
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.00E-00", 1234.5, "1.23E03"},
      {"0.00E+00", 0.000123, "1.23E-04"},
      {"\"$\"#,##0.00", 12.3, "$12.30"},
      {"0.00 'kg'", 3, "3.00 kg"},
      {"0.00;(0.00)", -5.5, "(5.50)"},  // the negative section shows the magnitude
      {"0.00;(0.00)", 5.5, "5.50"},
      {"0.00;;'zero'", 0, "zero"},
      {"0.00;-0.00;'zero'", 0.001, "zero"},  // rounds to zero in the positive section
      {"0.00;;'zero'", -2, "-2.00"},         // empty negative section: the positive one with a sign
      {"###,###,###,###.0#", 1234.5, "1,234.5"},
      {"###,###,###,###.0#", 0, ".0"},
      {"", 1.5, "1.5"},
      // Placeholders after the exponent are its digits; more integer placeholders than
      // significant digits show zeros.
      {"0.00E-##", 1234.5, "1.23E3"},
      {"0.00E+#0", 0.000123, "1.23E-4"},
      {"E-#", 5, "E0"},
      {"0000000000000000000E+0", 1.5, "1500000000000000000E-18"},
      {"0000000000000000000.00E+0", 2, "2000000000000000000.00E-18"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.format, c.value), c.expected) << c.format << " " << c.value;
  EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, German()), "1.234,50");
}

TEST(FormatFloat, GeneralAndFixedForms) {
  FormatSettingsScope scope(DefaultFormatSettings());
  struct Case {
    double value;
    const char* expected;
  } general[] = {
      {0, "0"},
      {1.5, "1.5"},
      {-2, "-2"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1e20, "1E20"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1.5e-7, "1.5E-7"},
      {2.0 / 3, "0.666666666666667"},
  };
  for (const auto& c : general) EXPECT_EQ(FloatToStr(c.value), c.expected) << c.value;
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 2), "1,234,567.50");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, German()), "-1.234,50 EUR");
  EXPECT_EQ(FloatToStr(1.5, German()), "1,5");
}

TEST(FormatFloat, StrToFloatUnderTwoLocales) {
  FormatSettingsScope scope(DefaultFormatSettings());
  double v = 0;
  EXPECT_TRUE(TryStrToFloat(" 1.5 ", v));
  EXPECT_EQ(v, 1.5);
  EXPECT_TRUE(TryStrToFloat("-2.5e3", v));
  EXPECT_EQ(v, -2500);
  EXPECT_TRUE(TryStrToFloat("+.5", v));
  EXPECT_EQ(v, 0.5);
  for (const char* bad : {"", "1,5", "1.5.", "abc", "1e", "INF", "NAN", "1e999", "- 1"})
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
  EXPECT_TRUE(TryStrToFloat("4.9406564584124654e-324", v));  // the smallest denormal
  EXPECT_GT(v, 0);

  FormatSettings = German();
  EXPECT_TRUE(TryStrToFloat("1,5", v));
  EXPECT_EQ(v, 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", v));
  EXPECT_THROW(StrToFloat("x"), EConvertError);
  try {
    StrToFloat("1.2.3");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1.2.3' is not a valid floating point value");
  }
}

TEST(FormatInteger, ParseAndPrint) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  } cases[] = {
      {"0", true, 0},
      {"-12", true, -12},
      {" +7 ", true, 7},
      {"$FF", true, 255},
      {"0x1f", true, 31},
      {"-$10", true, -16},
      {"2147483647", true, 2147483647},
      {"2147483648", false, 0},
      {"-2147483648", true, INT32_MIN},
      {"", false, 0},
      {"12a", false, 0},
      {"1.0", false, 0},
      {"$", false, 0},
  };
  for (const Case& c : cases) {
    int v = 0;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  std::int64_t big = 0;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", big));
  EXPECT_EQ(big, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_EQ(StrToIntDef("x", 42), 42);
  EXPECT_THROW(StrToInt("x"), EConvertError);
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");
}

TEST(FormatCurrency, RoundingAndText) {
  FormatSettingsScope scope(DefaultFormatSettings());
  // Halves go to the even last decimal, from a double and from text alike.
  struct Case {
    double value;
    std::int64_t raw;
  } doubles[] = {{1.5, 15000}, {0.00005, 0}, {0.00015, 2}, {-0.00015, -2}, {2.71828, 27183}};
  for (const auto& c : doubles) EXPECT_EQ(Currency::FromDouble(c.value).Val, c.raw) << c.value;
  Currency c;
  EXPECT_TRUE(TryStrToCurr("0.00005", c));
  EXPECT_EQ(c.Val, 0);
  EXPECT_TRUE(TryStrToCurr("0.00015", c));
  EXPECT_EQ(c.Val, 2);
  EXPECT_TRUE(TryStrToCurr("0.000150001", c));
  EXPECT_EQ(c.Val, 2);
  EXPECT_TRUE(TryStrToCurr("-922337203685477.5808", c));
  EXPECT_EQ(c.Val, INT64_MIN);
  EXPECT_FALSE(TryStrToCurr("922337203685477.5808", c));
  EXPECT_FALSE(Currency::TryFromDouble(1e20, c));
  EXPECT_FALSE(Currency::TryFromDouble(std::nan(""), c));
  EXPECT_EQ(CurrToStr(Currency::FromRaw(12345)), "1.2345");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(-50000)), "-5");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(INT64_MAX)), "922337203685477.5807");
  EXPECT_EQ(CurrToStrF(Currency(1234), ffCurrency, 2), "$1,234.00");
}

TEST(FormatPrintf, Table) {
  FormatSettingsScope scope(DefaultFormatSettings());
  EXPECT_EQ(Format("%d items", {5}), "5 items");
  EXPECT_EQ(Format("%5d|%-5d|%.3d", {1, 2, 3}), "    1|2    |003");
  EXPECT_EQ(Format("%s and %s", {"a", std::string("b")}), "a and b");
  EXPECT_EQ(Format("%1:s %0:s %s", {"x", "y"}), "y x y");
  EXPECT_EQ(Format("%*d", {4, 7}), "   7");
  EXPECT_EQ(Format("%.2f %f", {3.14159, 2.0}), "3.14 2.00");
  EXPECT_EQ(Format("%g", {0.5}), "0.5");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%m", {-5.0}), "($5.00)");
  EXPECT_EQ(Format("%x %u", {255, -1}), "FF 4294967295");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%.2s", {"\xC3\xA4\xC3\xB6\xC3\xBC"}), "\xC3\xA4\xC3\xB6");  // characters, not bytes
  EXPECT_EQ(Format("%3s|", {"\xC3\xA4"}), "  \xC3\xA4|");
  for (auto bad : {"%d", "%q", "%"}) EXPECT_THROW(Format(bad, {}), EConvertError) << bad;
  // Widths, precisions and indexes are bounded: a huge one is a bad format, not an overflow.
  for (auto bad : {"%9999999999d", "%2000000000d", "%.2000000000d", "%99999999999999999999:d", "%.99999s"})
    EXPECT_THROW(Format(bad, {1}), EConvertError) << bad;
  EXPECT_THROW(Format("%*d", {2000000000, 1}), EConvertError);
  EXPECT_EQ(Format("%*d|", {-5, 1}), "1|");
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
}

TEST(FormatStrings, TrimCaseCompareReplace) {
  EXPECT_EQ(Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x \x01"), "  x");
  EXPECT_EQ(UpperCase("abc\xC3\xA4"), "ABC\xC3\xA4");  // ASCII only
  EXPECT_EQ(AnsiUpperCase("abc\xC3\xA4"), "ABC\xC3\x84");
  EXPECT_EQ(AnsiLowerCase("\xC3\x84Z"), "\xC3\xA4z");
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_EQ(CompareText("ABC", "abc"), 0);
  EXPECT_TRUE(SameText("Key", "KEY"));
  EXPECT_FALSE(SameText("\xC3\xA4", "\xC3\x84"));
  EXPECT_TRUE(AnsiSameText("\xC3\xA4x", "\xC3\x84X"));
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
  EXPECT_EQ(AnsiCompareText("abc", "ABC"), 0);
  EXPECT_NE(AnsiCompareStr("abc", "ABC"), 0);
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("%s USD", "%s", "1.00", rfReplaceAll), "1.00 USD");
  EXPECT_EQ(StringReplace("xAxa", "a", "b", rfReplaceAll | rfIgnoreCase), "xbxb");
  EXPECT_EQ(StringReplace("\xC3\x84pfel \xC3\xA4", "\xC3\xA4", "ae", rfReplaceAll | rfIgnoreCase), "aepfel ae");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("b", "abcb", 3), 4);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abc", 0, 2), "ab");
  EXPECT_EQ(Copy("abc", 5, 2), "");
}

TEST(FormatStrings, CollationLocaleIsInjectable) {
  // A-umlaut sorts with "a" in German and after "z" in Swedish.
  const std::string ae = "\xC3\xA4", z = "z";
  struct Case {
    const char* locale;
    int sign;                                                // of AnsiCompareStr(ae, z) and AnsiCompareText(ae, "Z")
  } cases[] = {{"de_DE", -1}, {"sv_SE", 1}, {"de_DE", -1}};  // switching back rebuilds
  for (const Case& c : cases) {
    FormatSettingsScope scope;
    FormatSettings.CollationLocale = c.locale;
    EXPECT_EQ(AnsiCompareStr(ae, z), c.sign) << c.locale;
    EXPECT_EQ(AnsiCompareText(ae, "Z"), c.sign) << c.locale;
    TStringList sorted;
    sorted.SetSorted(true);
    for (const std::string& s : {z, ae, std::string("a")}) sorted.Add(s);
    EXPECT_EQ(sorted.CommaText(), c.sign < 0 ? "a," + ae + ",z" : "a,z," + ae) << c.locale;
  }
}

TEST(FormatStrings, QuotesIdentsAndFileNames) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s' rest", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "open");
  for (const char* good : {"a", "_x1", "Field_2"}) EXPECT_TRUE(IsValidIdent(good)) << good;
  for (const char* bad : {"", "1a", "a b", "a-b", "a.b", "\xC3\xA4"}) EXPECT_FALSE(IsValidIdent(bad)) << bad;
  EXPECT_TRUE(IsValidIdent("a.b", true));
  EXPECT_EQ(ExtractFileName("/a/b/c.sql"), "c.sql");
  EXPECT_EQ(ExtractFilePath("/a/b/c.sql"), "/a/b/");
  EXPECT_EQ(ExtractFileDir("/a/b/c.sql"), "/a/b");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c"), "");
  EXPECT_EQ(ExtractFileExt("c.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("/a/prog", ".ini"), "/a/prog.ini");
  EXPECT_EQ(ChangeFileExt("/a/x.sql", ".txt"), "/a/x.txt");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
}

TEST(FormatFiles, ForceDirectoriesAndExistence) {
  std::string root = ::testing::TempDir() + "vt_core_files/";
  std::string deep = root + "x/y/z";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_FALSE(FileExists(deep));
  EXPECT_FALSE(FileExists(root + "missing"));
  EXPECT_FALSE(ForceDirectories(""));
}

TEST(FormatFiles, CopyFileNeverOverwritesWhenAsked) {
  std::string dir = ::testing::TempDir() + "vt_core_copy_" + std::to_string(::getpid()) + "/";
  ASSERT_TRUE(ForceDirectories(dir));
  auto write = [](const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  std::string big(200000, 'x');  // more than one buffer
  write(dir + "src.ini", big);
  write(dir + "kept.ini", "mine");
  EXPECT_TRUE(CopyFile(dir + "src.ini", dir + "new.ini", true, 0600));
  EXPECT_EQ(read(dir + "new.ini"), big);
  struct stat st {};
  ASSERT_EQ(::stat((dir + "new.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(CopyFile(dir + "src.ini", dir + "kept.ini", true));
  EXPECT_EQ(read(dir + "kept.ini"), "mine");
  EXPECT_TRUE(CopyFile(dir + "src.ini", dir + "kept.ini", false));
  EXPECT_EQ(read(dir + "kept.ini"), big);
  EXPECT_FALSE(CopyFile(dir + "missing.ini", dir + "other.ini", true));
  EXPECT_FALSE(FileExists(dir + "other.ini"));
  EXPECT_FALSE(CopyFile(dir, dir + "other.ini", true));  // a folder is not copied
  EXPECT_FALSE(FileExists(dir + "other.ini"));
  std::filesystem::remove_all(dir);
}

TEST(FormatFiles, ProgramFileAndArguments) {
  std::string exe = ParamStr(0);
  EXPECT_TRUE(FileExists(exe)) << exe;
  EXPECT_EQ(ExtractFileName(exe), "test_platform_core");
  EXPECT_GE(ParamCount(), 0);
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
  EXPECT_EQ(ParamStr(-1), "");
}

TEST(FormatExtended, RoundTripsAndLayout) {
  auto bytes = [](double v) { return DoubleToExtended80(v); };
  TExtended80 one = bytes(1.0);
  TExtended80 expectedOne{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(one, expectedOne);
  const double inf = std::numeric_limits<double>::infinity();
  for (double v : {0.0, -0.0, 1.0, -2.5, 1e300, -1e-300, 4.9406564584124654e-324, 2.2250738585072009e-308,
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::min(), inf, -inf, 45366.0, 0.1}) {
    double back = Extended80ToDouble(bytes(v));
    EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v;  // bit-exact, signed zero included
  }
  EXPECT_TRUE(std::isnan(Extended80ToDouble(bytes(std::nan("")))));
  // Extended values that a double cannot hold exactly.
  auto make = [](std::uint64_t mant, std::uint16_t exp) {
    TExtended80 b{};
    for (int i = 0; i < 8; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(mant >> (8 * i));
    b[8] = static_cast<std::uint8_t>(exp);
    b[9] = static_cast<std::uint8_t>(exp >> 8);
    return b;
  };
  const std::uint64_t top = std::uint64_t(1) << 63;
  EXPECT_EQ(Extended80ToDouble(make(top | 0x400, 0x3FFF)), 1.0);  // a tie rounds to even (down)
  EXPECT_EQ(Extended80ToDouble(make(top | 0xC00, 0x3FFF)), 1.0 + 2 * std::ldexp(1.0, -52));  // tie, up to even
  EXPECT_EQ(Extended80ToDouble(make(top | 0x401, 0x3FFF)), 1.0 + std::ldexp(1.0, -52));      // above the tie
  EXPECT_EQ(Extended80ToDouble(make(~std::uint64_t(0), 0x3FFF)), 2.0);  // the carry moves the exponent
  EXPECT_EQ(Extended80ToDouble(make(top, 0x3FFF + 1024)), inf);         // beyond double range
  EXPECT_EQ(Extended80ToDouble(make(top, 0x3FFF - 1100)), 0.0);         // below the smallest denormal
  EXPECT_EQ(Extended80ToDouble(make(top, 0x3FFF - 1075)), 0.0);         // exactly half the smallest: even, 0
  EXPECT_EQ(Extended80ToDouble(make(top | 1, 0x3FFF - 1075)), 4.9406564584124654e-324);  // just above half
  EXPECT_EQ(Extended80ToDouble(make(top, 0x8000 | 0x3FFF)), -1.0);
}

TEST(FormatSettingsLocale, StartsDeterministicAndReadsTheSystem) {
  TFormatSettings d = DefaultFormatSettings();
  EXPECT_EQ(d.DecimalSeparator, '.');
  EXPECT_EQ(d.ShortDateFormat, "M/d/yyyy");
  TFormatSettings sys = GetLocaleFormatSettings();
  EXPECT_NE(sys.DecimalSeparator, sys.ThousandSeparator);
  EXPECT_GE(sys.FirstDayOfWeek, 0);
  EXPECT_LE(sys.FirstDayOfWeek, 6);
  EXPECT_FALSE(sys.LongMonthNames[11].empty());
  // Whatever the locale, its own formats read back what they write.
  TDateTime v = EncodeDate(2024, 11, 23), back = 0;
  EXPECT_TRUE(TryStrToDate(DateToStr(v, sys), back, sys)) << sys.ShortDateFormat;
  EXPECT_EQ(back, v);
}

// Over every locale of the locale data: the time formats keep no empty frame of a dropped time
// zone, and "/" and ":" of another meaning stay literal.
TEST(FormatSettingsLocale, EveryLocaleGivesUsableFormats) {
  const std::vector<std::string> names = AvailableLocaleNames();
  EXPECT_GT(names.size(), 500u);
  const TDateTime v = EncodeDateTime(2024, 11, 23, 21, 5, 9, 0);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const TFormatSettings s = GetLocaleFormatSettings(name);
    for (const std::string& f : {s.ShortTimeFormat, s.LongTimeFormat}) {
      EXPECT_EQ(f.find("()"), std::string::npos) << f;
      EXPECT_EQ(f.find("[]"), std::string::npos) << f;
      EXPECT_FALSE(!f.empty() && (f.back() == ',' || f.back() == ' ' || f.front() == ' ')) << f;
    }
  }
  const TFormatSettings es = GetLocaleFormatSettings("es_ES"), hk = GetLocaleFormatSettings("zh_Hant_HK");
  EXPECT_EQ(es.LongTimeFormat, "H:nn:ss");
  EXPECT_EQ(hk.LongTimeFormat.find("AMPM"), 0u) << hk.LongTimeFormat;
  const TFormatSettings nds = GetLocaleFormatSettings("nds_DE");
  EXPECT_EQ(FormatDateTime(nds.LongTimeFormat, v, nds), "Klock 21.05:09");
}
