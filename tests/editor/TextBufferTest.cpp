#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/SxEditHighlighter.h"
#include "editor/SxEditTextBuffer.h"

namespace {
struct Recorded : TSxEditStringList {
  std::vector<std::string> log;
  Recorded() {
    OnLinesInserted = [this](TObject*, int i, int n) {
      log.push_back("ins " + std::to_string(i) + "," + std::to_string(n));
    };
    OnLinesDeleted = [this](TObject*, int i, int n) {
      log.push_back("del " + std::to_string(i) + "," + std::to_string(n));
    };
    OnLinesChanged = [this](TObject*, int i, int n) {
      log.push_back("chg " + std::to_string(i) + "," + std::to_string(n));
    };
    OnChanging = [this](TObject*) { log.push_back("changing"); };
    OnChange = [this](TObject*) { log.push_back("change"); };
    OnCleared = [this](TObject*) { log.push_back("cleared"); };
  }
};

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
void WriteFile(const std::string& name, const std::string& data) { std::ofstream(name, std::ios::binary) << data; }
}  // namespace

TEST(SxEditStringList, CallbacksAndIndexErrors) {
  Recorded l;
  l.Add("a");
  l.Add("b");
  l.log.clear();
  l.Put(2, "x");  // Put at Count appends
  EXPECT_EQ(l.log, (std::vector<std::string>{"changing", "ins 2,1", "change"}));
  l.log.clear();
  try {
    l.Delete(3);
    FAIL();
  } catch (const ESxEditStringList& e) {
    EXPECT_STREQ(e.what(), "Invalid stringlist index 3");
  }
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Get(-1), "");
  EXPECT_EQ(l.Get(3), "");
  EXPECT_EQ(l.Range(7), 0);
  EXPECT_EQ(l.Text(), "a\r\nb\r\nx");
  EXPECT_THROW(l.Insert(5, "y"), ESxEditStringList);
  EXPECT_THROW(l.SetRange(3, 1), ESxEditStringList);
  l.BeginUpdate();
  l.Put(0, "A");
  l.Put(1, "B");
  l.EndUpdate();
  EXPECT_EQ(l.log, (std::vector<std::string>{"changing", "chg 0,1", "chg 1,1", "change"}));
  EXPECT_THROW(l.SetCapacity(2), EListError);
  try {
    l.SetCapacity(l.Count() - 1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Stringlist capacity cannot be smaller than count");
  }
  EXPECT_EQ(l.Count(), 3);
  l.log.clear();
  l.InsertLines(1, 7);
  EXPECT_EQ(l.Count(), 10);
  EXPECT_EQ(l.Range(1), -1);
  l.DeleteLines(8, 5);
  EXPECT_EQ(l.Count(), 8);
  l.DeleteLines(0, 0);
  EXPECT_EQ(l.log, (std::vector<std::string>{"changing", "ins 1,7", "change", "changing", "del 8,2", "change"}));
  l.log.clear();
  l.Clear();
  l.Clear();
  EXPECT_EQ(l.log, (std::vector<std::string>{"changing", "cleared", "change"}));
  EXPECT_TRUE(l.IsEmptyText());
}

TEST(SxEditStringList, ExpandedLengthsAndLongestLine) {
  TSxEditStringList l;
  l.Add("a\tb");              // 9 with tab width 8
  l.Add("0123456789");        // 10
  l.Add("\xC3\xA9\xC3\xA9");  // 2 characters
  EXPECT_EQ(l.ExpandedLength(0), 9);
  EXPECT_EQ(l.ExpandedLength(2), 2);
  EXPECT_EQ(l.LengthOfLongestLine(), 10);
  l.Exchange(0, 1);  // the cached index follows the longest line
  EXPECT_EQ(l.LengthOfLongestLine(), 10);
  l.Put(0, "x");
  EXPECT_EQ(l.LengthOfLongestLine(), 9);
  l.SetTabWidth(4);
  EXPECT_EQ(l.ExpandedLength(1), 5);
  EXPECT_EQ(l.ExpandedString(1), "a\t\t\tb");
  EXPECT_EQ(l.ExpandedString(5), "");
  EXPECT_EQ(l.ExpandedLength(-1), 0);
  TSxEditStringList empty;
  empty.Add("");
  EXPECT_EQ(empty.LengthOfLongestLine(), 0);
}

TEST(SxEditStringList, LoadStylesAndRoundTrips) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    TLineBreakStyle style;
    bool roundTrip;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b", ""}, lbsCrLf, true},
      {"a\nb", {"a", "b"}, lbsLf, true},
      {"a\rb", {"a", "b"}, lbsCr, true},
      {"a\n\rb", {"a", "", "b"}, lbsCrLf, false},
      {"abc", {"abc"}, lbsCrLf, true},
      {"", {}, lbsCrLf, true},
      {"\xC3\xA9t\xC3\xA9\n\xE2\x82\xAC \xF0\x9F\x98\x80\n",
       {"\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC \xF0\x9F\x98\x80", ""},
       lbsLf,
       true},
      {"bad \xFF\xC3 bytes\r\n", {"bad \xFF\xC3 bytes", ""}, lbsCrLf, true},
  };
  const std::string dir = ::testing::TempDir();
  for (const auto& c : cases) {
    TSxEditStringList l;
    TStringStream in(c.bytes);
    in.SetPosition(static_cast<std::int64_t>(c.bytes.size() / 2));  // loading starts at 0 anyway
    l.LoadFromStream(&in);
    EXPECT_EQ(l.ToVector(), c.lines) << c.bytes;
    EXPECT_EQ(l.LineBreakStyle(), c.style) << c.bytes;
    if (!c.roundTrip) continue;
    TStringStream out;
    l.SaveToStream(&out);
    EXPECT_EQ(out.DataString(), c.bytes);
    const std::string name = dir + "/sx_roundtrip.sql";
    WriteFile(name, "previous");
    l.SaveToFile(name);
    EXPECT_EQ(ReadFile(name), c.bytes);
    TSxEditStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.ToVector(), c.lines);
  }
  TSxEditStringList l;
  l.SetAppendLineBreakAtEnd(true);
  TStringStream in("a\n");
  l.LoadFromStream(&in);
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"a"}));
  TStringStream out;
  l.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "a\n");
}

TEST(SxEditStringList, SaveKeepsPreviousFileOnWriteFailureAndKeepsMode) {
  namespace fs = std::filesystem;
  const std::string dir = ::testing::TempDir() + "/sx_save";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string name = dir + "/query.sql";
  WriteFile(name, "old text");
  chmod(name.c_str(), 0600);
  TSxEditStringList l;
  l.Add(std::string(200000, 'x'));
  // A file-size limit makes every write past 1000 bytes fail, as a full disk would.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(l.SaveToFile(name), EStreamError);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(ReadFile(name), "old text");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left
  l.Put(0, "new");
  l.SaveToFile(name);
  EXPECT_EQ(ReadFile(name), "new");
  struct stat st {};
  stat(name.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  fs::remove_all(dir);
}

TEST(SxHighlighterAttributes, RegistryForms) {
  const std::string file = ::testing::TempDir() + "/sx_highlighters.ini";
  std::remove(file.c_str());
  TMemIniFile ini(file);
  TSxHighlighterAttributes a("Comment");
  int changes = 0;
  a.OnChange = [&](TObject*) { ++changes; };
  a.SetStyle(sxfsBold | sxfsUnderline);
  a.SetForeground(clNavy);
  a.SetForeground(clNavy);
  EXPECT_EQ(changes, 2);
  TSxRegistry reg(&ini);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Highlighters\\SQL", true));
  EXPECT_TRUE(a.SaveToRegistry(reg));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Highlighters\\SQL");
  EXPECT_EQ(ini.ReadString("Software\\Highlighters\\SQL\\Comment", "Style", ""), "5");
  TSxHighlighterAttributes b("Comment");
  EXPECT_TRUE(b.LoadFromRegistry(reg));
  EXPECT_EQ(b.Style(), sxfsBold | sxfsUnderline);
  EXPECT_EQ(b.Foreground(), clNavy);
  EXPECT_EQ(b.Background(), clNone);
  TSxHighlighterAttributes missing("Nothing");
  EXPECT_FALSE(missing.LoadFromRegistry(reg));
  // Assign: once when anything differs, never when all is equal.
  changes = 0;
  a.Assign(&b);
  EXPECT_EQ(changes, 0);
  b.SetBackground(clWhite);
  a.Assign(&b);
  EXPECT_EQ(changes, 1);

  // Older layouts.
  ini.WriteString("Old", "Comment", ",,BU,0,1,2,3");
  TSxHighlighterAttributes o("Comment");
  EXPECT_TRUE(o.LoadFromOldRegistry(&ini, "Old", "Comment", true));
  EXPECT_EQ(o.Background(), clWindow);
  EXPECT_EQ(o.Foreground(), clGreen);
  EXPECT_EQ(o.Style(), sxfsBold | sxfsUnderline);
  ini.WriteString("Old", "Bad", ",,B,0,0,16,3");
  EXPECT_FALSE(o.LoadFromOldRegistry(&ini, "Old", "Bad", true));  // palette index out of range
  for (auto [name, value] : {std::pair{"Foreground Color New", "clRed"},
                             {"Background Color", "15"},
                             {"Bold", "FALSE"},
                             {"Italic", "1"},
                             {"Default Foreground", "0"},
                             {"Default Background", "0"}})
    ini.WriteString("Keys\\Number", name, value);
  TSxHighlighterAttributes k("Number");
  EXPECT_FALSE(k.LoadFromOldRegistry(&ini, "Keys", "Number", false));  // "Underline" missing
  EXPECT_EQ(k.Foreground(), clNone);
  ini.WriteString("Keys\\Number", "Underline", "true");
  EXPECT_TRUE(k.LoadFromOldRegistry(&ini, "Keys", "Number", false));
  EXPECT_EQ(k.Foreground(), clRed);
  EXPECT_EQ(k.Background(), clWhite);
  EXPECT_EQ(k.Style(), sxfsItalic | sxfsUnderline);
}

TEST(SxEditStringList, FileWriterAndNewFileMode) {
  // The writer flushes what is left when it is destroyed, and grows its buffer for a long line.
  const std::string written = ::testing::TempDir() + "/sx_writer.txt";
  {
    TSxEditFileWriter w(new TFileStream(written, fmCreate));
    w.SetLineBreakStyle(lbsCr);
    w.WriteLine(std::string(20000, 'y'));
    w.Flush();
    w.Write("tail");
  }
  EXPECT_EQ(ReadFile(written), std::string(20000, 'y') + "\rtail");
  std::remove(written.c_str());
  // A file that did not exist gets the permissions of any new file (0666 less the umask).
  const std::string name = ::testing::TempDir() + "/sx_new_mode.sql";
  std::remove(name.c_str());
  const mode_t mask = umask(027);
  TSxEditStringList l;
  l.Add("x");
  l.SaveToFile(name);
  umask(mask);
  struct stat st {};
  ASSERT_EQ(stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  std::remove(name.c_str());
}

TEST(SxEditStringList, SaveRefusesAReadOnlyFile) {
  if (geteuid() == 0) GTEST_SKIP() << "every file is writable for root";
  const std::string name = ::testing::TempDir() + "/sx_read_only.sql";
  std::remove(name.c_str());
  WriteFile(name, "kept");
  chmod(name.c_str(), 0444);
  TSxEditStringList l;
  l.Add("new");
  EXPECT_THROW(l.SaveToFile(name), EStreamError);
  EXPECT_EQ(ReadFile(name), "kept");
  chmod(name.c_str(), 0644);
  std::remove(name.c_str());
}

// A line's index kept through edits inside the line, joins with a neighbour and the breaks
// that undo them maps characters, bytes and columns as an index built afresh for the same text
// does; the edit reported is the one made.
TEST(SxEditStringList, IndexKeptThroughEditsMatchesARebuiltOne) {
  auto line = [](int words, bool mixed) {
    std::string s;
    for (int i = 0; i < words; ++i) s += mixed ? (i % 3 == 0 ? "\t\xC3\xA9t\xC3\xA9 " : i % 3 == 1 ? "ab\tc " : "\xE6\x97\xA5x ") : "word ";
    return s;
  };
  struct Edit {
    double at;  // where, as a fraction of the line's bytes
    int cut;    // bytes removed (extended to whole characters)
    std::string put;
    int join = 0;  // -1: the line above joins it with put between, 1: the line below; then broken again;
                   // 2: broken in two at `at`, both parts long, and joined again with put between
    bool inPlace = false;  // through EditLine rather than Put
    int times = 1;  // made again after the text put, as typing or Delete does
  };
  const Edit edits[] = {{0, 0, "q"},  {0.5, 0, "q"},   {1, 0, "q"},      {0.3, 0, "\t"},  {0.31, 1, ""},
                        {0.7, 0, "\xC3\xA9"}, {0.2, 300, ""}, {0.6, 5, "x\ty"}, {0.99, 2, ""}, {0.4, 0, std::string(400, 'z')},
                        {0, 1, ""}, {0.5, 1, "\t\t"}, {0, 0, "", -1}, {0, 0, "\t\xC3\xA9", -1}, {0, 0, "", 1}, {0, 0, "\t", 1},
                        {0, 0, "q", 0, true}, {1, 0, "\t", 0, true}, {0, 3, "", 0, true}, {0.5, 300, "\xC3\xA9\t", 0, true},
                        {0.1, 0, std::string(300, '\t'), 0, true}, {0.37, 0, "", 2}, {0.61, 0, " ", 2},
                        {0.5, 0, "\t", 2},
                        // Typed and deleted in one place past two mark steps.
                        {0.5, 0, "q", 0, true, 300}, {0, 0, "\xC3\xA9", 0, true, 300}, {0.5, 1, "", 0, true, 300},
                        {0.2, 0, "\t", 0, true, 40}};
  for (int tabWidth : {8, 3, 1}) {
    for (bool mixed : {false, true}) {
      TSxEditStringList l;
      l.SetTabWidth(tabWidth);
      l.Add("x");
      l.Add(line(400, mixed));
      l.Add("y\t\xC3\xA9");
      l.CharCount(1);  // the index exists before the edits
      auto same = [&](int index, const std::string& s) {
        ASSERT_EQ(l.Get(index), s);
        TSxEditStringList fresh;
        fresh.SetTabWidth(tabWidth);
        fresh.Add(s);
        ASSERT_EQ(l.CharCount(index), fresh.CharCount(0));
        EXPECT_EQ(l.ExpandedLength(index), fresh.ExpandedLength(0));
        EXPECT_EQ(l.ExpandedString(index), fresh.ExpandedString(0));
        for (int c = 1; c <= fresh.CharCount(0) + 2; ++c) {
          ASSERT_EQ(l.CharOffset(index, c), fresh.CharOffset(0, c)) << c;
          ASSERT_EQ(l.CharToColumn(index, c), fresh.CharToColumn(0, c)) << c;
        }
        for (int col = 1; col <= fresh.ExpandedLength(0) + 2; ++col)
          ASSERT_EQ(l.ColumnToChar(index, col), fresh.ColumnToChar(0, col)) << col;
      };
      for (const Edit& e : edits) {
        SCOPED_TRACE(testing::Message() << "tab " << tabWidth << (mixed ? " mixed" : " ascii") << " at " << e.at
                                        << " join " << e.join);
        std::string s = l.Get(1);
        if (e.join == 2) {
          // The joined line takes the other part's marks (moved, re-aligned past a tab).
          std::size_t at = static_cast<std::size_t>(e.at * static_cast<double>(s.size()));
          while (at > 0 && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) --at;
          l.SplitLine(1, at);
          ASSERT_NO_FATAL_FAILURE(same(1, s.substr(0, at)));
          ASSERT_NO_FATAL_FAILURE(same(2, s.substr(at)));
          l.JoinLines(1, e.put);
          ASSERT_NO_FATAL_FAILURE(same(1, s.substr(0, at) + e.put + s.substr(at)));
          continue;
        }
        if (e.join != 0) {
          const std::string other = l.Get(1 + e.join);
          const int first = e.join < 0 ? 0 : 1;
          l.JoinLines(first, e.put);
          ASSERT_EQ(l.Count(), 2);
          const std::string joined = e.join < 0 ? other + e.put + s : s + e.put + other;
          ASSERT_NO_FATAL_FAILURE(same(first, joined));
          const std::size_t cut = e.join < 0 ? other.size() : s.size();
          l.SplitLine(first, cut);
          ASSERT_EQ(l.Count(), 3);
          ASSERT_NO_FATAL_FAILURE(same(first, joined.substr(0, cut)));
          ASSERT_NO_FATAL_FAILURE(same(first + 1, joined.substr(cut)));
          continue;
        }
        std::size_t at = static_cast<std::size_t>(e.at * static_cast<double>(s.size()));
        while (at > 0 && at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) --at;
        for (int t = 0; t < e.times; ++t, at += e.put.size()) {
          std::size_t end = std::min(s.size(), at + static_cast<std::size_t>(e.cut));
          while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
          s.replace(at, end - at, e.put);
          if (e.inPlace)
            l.EditLine(1, at, end - at, e.put);
          else
            l.Put(1, s);
        }
        const TSxInLineEdit& edit = l.LastLineEdit();
        ASSERT_EQ(edit.Line, 1);
        EXPECT_EQ(edit.Char, SxCharCount(s.substr(0, edit.Byte)));
        EXPECT_EQ(edit.NewChars, SxCharCount(s.substr(edit.Byte, edit.NewBytes)));
        ASSERT_NO_FATAL_FAILURE(same(1, s));
      }
    }
  }
}
