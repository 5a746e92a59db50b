#include "platform/core/FormatSettings.h"

#include <QLocale>
#include <QString>

TFormatSettings FormatSettings = DefaultFormatSettings();

TFormatSettings DefaultFormatSettings() { return TFormatSettings{}; }

namespace {

std::string Std(const QString& s) {
  QByteArray b = s.toUtf8();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// A single-byte separator; locales whose separator is not ASCII (a no-break space, for
// instance) keep the fallback, because the separators are single characters in the formats.
char AsciiOr(const QString& s, char fallback) {
  return (s.size() == 1 && s[0].unicode() < 0x80) ? static_cast<char>(s[0].unicode()) : fallback;
}

// Qt's pattern letters to the framework's: day, month and year letters agree; in a time pattern
// Qt's minutes "m" become "n" and its "AP"/"ap"/"A"/"a" become "AMPM". The time zone, which the
// framework cannot show, is dropped with what only frames it: the brackets of "(t)" or "[t]",
// the blanks and comma before it, or the blanks after a leading one. Our "/" and ":" stand for
// the separators, so where Qt's pattern has them as other characters they are quoted.
std::string ConvertPattern(const QString& s, bool time, char dateSeparator, char timeSeparator) {
  std::string out;
  bool skipBlanks = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    QChar c = s[i];
    if (skipBlanks && c == u' ') continue;
    skipBlanks = false;
    if (time && c == u't') {
      while (i + 1 < s.size() && s[i + 1] == u't') ++i;
      const bool framed = !out.empty() && (out.back() == '(' || out.back() == '[') && i + 1 < s.size() &&
                          (s[i + 1] == u')' || s[i + 1] == u']');
      if (framed) {
        out.pop_back();
        ++i;
      }
      while (!out.empty() && (out.back() == ' ' || out.back() == ',')) out.pop_back();
      skipBlanks = out.empty();
      continue;
    }
    if (c == u'\'') {
      qsizetype j = s.indexOf(u'\'', i + 1);
      if (j < 0) j = s.size();
      out += '"' + Std(s.mid(i + 1, j - i - 1)) + '"';
      i = j;
    } else if ((c == u'/' && dateSeparator != '/') || (c == u':' && timeSeparator != ':')) {
      out += '"' + Std(QString(c)) + '"';
    } else if (time && c == u'm') {
      out += 'n';
    } else if (time && (c == u'a' || c == u'A')) {
      if (i + 1 < s.size() && (s[i + 1] == u'p' || s[i + 1] == u'P')) ++i;
      out += "AMPM";
    } else {
      out += Std(QString(c));
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

char FirstSeparator(const QString& pattern, char fallback) {
  for (QChar c : pattern)
    if (!c.isLetterOrNumber() && c != u'\'' && c != u' ')
      return c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : fallback;
  return fallback;
}

}  // namespace

namespace {
TFormatSettings SettingsOf(const QLocale& loc) {
  TFormatSettings s = DefaultFormatSettings();
  if (loc.language() == QLocale::C) return s;
  s.DecimalSeparator = AsciiOr(loc.decimalPoint(), '.');
  s.ThousandSeparator = AsciiOr(loc.groupSeparator(), s.DecimalSeparator == ',' ? '.' : ',');
  if (s.ThousandSeparator == s.DecimalSeparator) s.ThousandSeparator = s.DecimalSeparator == ',' ? '.' : ',';
  QString shortDate = loc.dateFormat(QLocale::ShortFormat);
  s.DateSeparator = FirstSeparator(shortDate, '/');
  QString shortTime = loc.timeFormat(QLocale::ShortFormat);
  s.TimeSeparator = FirstSeparator(shortTime, ':');
  s.ShortDateFormat = ConvertPattern(shortDate, false, s.DateSeparator, s.TimeSeparator);
  s.LongDateFormat = ConvertPattern(loc.dateFormat(QLocale::LongFormat), false, s.DateSeparator, s.TimeSeparator);
  s.ShortTimeFormat = ConvertPattern(shortTime, true, s.DateSeparator, s.TimeSeparator);
  s.LongTimeFormat = ConvertPattern(loc.timeFormat(QLocale::LongFormat), true, s.DateSeparator, s.TimeSeparator);
  s.TimeAMString = Std(loc.amText());
  s.TimePMString = Std(loc.pmText());
  s.CurrencyString = Std(loc.currencySymbol());
  // Where the symbol goes: format a positive and a negative amount and look.
  QString pos = loc.toCurrencyString(1.0);
  QString sym = loc.currencySymbol();
  bool prefix = pos.startsWith(sym);
  bool blank = prefix ? pos.mid(sym.size()).startsWith(QChar(u' ')) || pos.mid(sym.size()).startsWith(QChar(0xA0))
                      : pos.chopped(sym.size()).endsWith(QChar(u' ')) || pos.chopped(sym.size()).endsWith(QChar(0xA0));
  s.CurrencyFormat = (prefix ? 0 : 1) + (blank ? 2 : 0);
  s.NegCurrFormat = prefix ? (blank ? 9 : 1) : (blank ? 8 : 5);
  s.CurrencyDecimals = 2;
  s.FirstDayOfWeek = (static_cast<int>(loc.firstDayOfWeek()) + 6) % 7;  // Qt: 1 = Monday
  for (int m = 1; m <= 12; ++m) {
    s.ShortMonthNames[static_cast<std::size_t>(m - 1)] = Std(loc.monthName(m, QLocale::ShortFormat));
    s.LongMonthNames[static_cast<std::size_t>(m - 1)] = Std(loc.monthName(m, QLocale::LongFormat));
  }
  for (int d = 0; d < 7; ++d) {
    int qtDay = d == 0 ? 7 : d;  // our index 0 is Sunday; Qt's 7
    s.ShortDayNames[static_cast<std::size_t>(d)] = Std(loc.dayName(qtDay, QLocale::ShortFormat));
    s.LongDayNames[static_cast<std::size_t>(d)] = Std(loc.dayName(qtDay, QLocale::LongFormat));
  }
  return s;
}

// language_Script_TERRITORY: a name QLocale reads back as the same locale.
QString FullName(const QLocale& loc) {
  return QLocale::languageToCode(loc.language()) + u'_' + QLocale::scriptToCode(loc.script()) + u'_' +
         QLocale::territoryToCode(loc.territory());
}
}  // namespace

TFormatSettings GetLocaleFormatSettings() { return SettingsOf(QLocale::system()); }

TFormatSettings GetLocaleFormatSettings(const std::string& localeName) {
  return SettingsOf(QLocale(QString::fromStdString(localeName)));
}

std::vector<std::string> AvailableLocaleNames() {
  std::vector<std::string> names;
  for (const QLocale& loc : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
    if (loc.language() != QLocale::C) names.push_back(Std(FullName(loc)));
  return names;
}

void ApplyLocaleFormatSettings() { FormatSettings = GetLocaleFormatSettings(); }
