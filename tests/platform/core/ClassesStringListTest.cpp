#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/Classes.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ClassesStringList, SortedFindAndDuplicates) {
  struct Case {
    TDuplicates dup;
    Lines expect;
    bool throws;
  };
  for (const Case& c : {Case{dupIgnore, {"a", "B", "c"}, false}, Case{dupAccept, {"a", "b", "B", "c"}, false},
                        Case{dupError, {"a", "B", "c"}, true}}) {
    TStringList l;
    l.SetSorted(true);
    l.SetDuplicates(c.dup);
    l.Add("c");
    l.Add("B");
    l.Add("a");
    if (c.throws)
      EXPECT_THROW(l.Add("b"), EStringListError);
    else
      l.Add("b");
    EXPECT_EQ(l.ToVector(), c.expect) << c.dup;
    int index = -1;
    EXPECT_TRUE(l.Find("C", index));
    EXPECT_EQ(index, static_cast<int>(c.expect.size()) - 1);
    EXPECT_FALSE(l.Find("bb", index));
    EXPECT_EQ(index, static_cast<int>(c.expect.size()) - 1);
    EXPECT_THROW(l.Insert(0, "x"), EStringListError);
  }
}

TEST(ClassesStringList, CaseSensitivityResortsSortedList) {
  TStringList l;
  l.SetSorted(true);
  l.SetDuplicates(dupAccept);
  l.AddStrings(Lines{"b", "A", "a", "B"});
  EXPECT_EQ(l.IndexOf("b"), 2);  // the first of "B", "b"
  l.SetCaseSensitive(true);
  int index;
  EXPECT_TRUE(l.Find("a", index));
  EXPECT_EQ(l.Strings(index), "a");
  EXPECT_TRUE(l.Find("B", index));
  EXPECT_EQ(l.Strings(index), "B");
}

TEST(ClassesStringList, CustomSortIsStableAndSeesOriginalIndexes) {
  TStringList l;
  l.AddStrings(Lines{"b2", "a1", "b1", "a2"});
  l.CustomSort([](TStringList* list, int i, int j) { return list->Strings(i)[0] - list->Strings(j)[0]; });
  EXPECT_EQ(l.ToVector(), (Lines{"a1", "a2", "b2", "b1"}));
}

TEST(ClassesStringList, NameValueLines) {
  TStringList l;
  l.SetText("Host=db\r\nPort=3050\r\nnovalue\r\nEmpty=\r\n");
  EXPECT_EQ(l.Values("host"), "db");
  EXPECT_EQ(l.Names(1), "Port");
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.ValueFromIndex(1), "3050");
  EXPECT_EQ(l.IndexOfName("EMPTY"), 3);
  l.SetValues("Port", "3051");
  l.SetValues("User", "sys=dba");
  EXPECT_EQ(l.Strings(1), "Port=3051");
  EXPECT_EQ(l.Values("User"), "sys=dba");
  l.SetValues("Host", "");  // an empty value deletes the line
  EXPECT_EQ(l.IndexOfName("Host"), -1);
  EXPECT_EQ(l.Count(), 4);
}

TEST(ClassesStringList, CommaTextQuoting) {
  struct Case {
    Lines items;
    std::string text;
  };
  const Case cases[] = {
      {{"a", "b"}, "a,b"},
      {{"a b", "c"}, "\"a b\",c"},
      {{"x,y"}, "\"x,y\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{""}, "\"\""},
      {{"a", "", "b"}, "a,,b"},
      {{}, ""},
      {{"t\tab"}, "\"t\tab\""},
  };
  for (const auto& c : cases) {
    TStringList l;
    l.AddStrings(c.items);
    EXPECT_EQ(l.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(back.ToVector(), c.items) << c.text;
  }
  // Reading: blanks separate unquoted items, a trailing comma adds an empty item.
  const Case reads[] = {
      {{"a", "b", "c"}, "a b,c"}, {{"a", "b"}, "  a ,  b  "}, {{"a", ""}, "a,"},
      {{"ab", "cd"}, "\"ab\"cd"}, {{"open"}, "\"open"},
  };
  for (const auto& c : reads) {
    TStringList l;
    l.SetCommaText(c.text);
    EXPECT_EQ(l.ToVector(), c.items) << c.text;
  }
}

TEST(ClassesStringList, StrictDelimitedText) {
  TStringList l;
  l.SetDelimiter(';');
  l.SetStrictDelimiter(true);
  l.SetDelimitedText("a b; c;'x'");
  EXPECT_EQ(l.ToVector(), (Lines{"a b", " c", "'x'"}));
  EXPECT_EQ(l.DelimitedText(), "a b; c;'x'");
}

TEST(ClassesStringList, TextLineBreaks) {
  struct Case {
    std::string in;
    Lines lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"", {}},
      {"\r\n", {""}},
      {"a\n\rb", {"a", "", "b"}},
      {"\xC3\xA9t\xC3\xA9", {"\xC3\xA9t\xC3\xA9"}},
  };
  for (const auto& c : cases) {
    TStringList l;
    l.SetText(c.in);
    EXPECT_EQ(l.ToVector(), c.lines) << c.in;
  }
  TStringList l;
  l.AddStrings(Lines{"a", "", "b"});
  EXPECT_EQ(l.Text(), "a\r\n\r\nb\r\n");
}

TEST(ClassesStringList, ChangeEventsBracketUpdates) {
  TStringList l;
  std::vector<std::string> log;
  l.OnChanging = [&](TObject*) { log.push_back("changing"); };
  l.OnChange = [&](TObject*) { log.push_back("change"); };
  l.Add("a");
  EXPECT_EQ(log, (Lines{"changing", "change"}));
  log.clear();
  l.BeginUpdate();
  l.BeginUpdate();
  l.Add("b");
  l.Delete(0);
  l.EndUpdate();
  EXPECT_EQ(log, Lines{"changing"});
  l.EndUpdate();
  EXPECT_EQ(log, (Lines{"changing", "change"}));
}

TEST(ClassesStringList, ObjectsAssignExchangeMoveAndErrors) {
  TObject o1, o2;
  TStringList l;
  l.AddObject("one", &o1);
  l.AddObject("two", &o2);
  l.Exchange(0, 1);
  EXPECT_EQ(l.Objects(0), &o2);
  l.Move(0, 1);
  EXPECT_EQ(l.ToVector(), (Lines{"one", "two"}));
  EXPECT_EQ(l.Objects(1), &o2);
  EXPECT_EQ(l.IndexOfObject(&o1), 0);

  TStringList copy;
  copy.Assign(&l);
  EXPECT_TRUE(copy.Equals(&l));
  EXPECT_EQ(copy.Objects(1), &o2);
  try {
    l.Strings(2);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(l.Delete(-1), EListError);
}

TEST(ClassesStringList, OwnedObjectsSurviveMoveAndAreFreedOnDelete) {
  struct TTracked : TObject {
    int* alive;
    explicit TTracked(int* a) : alive(a) { ++*alive; }
    ~TTracked() override { --*alive; }
  };
  int alive = 0;
  {
    TStringList l;
    l.SetOwnsObjects(true);
    l.AddObject("a", new TTracked(&alive));
    l.AddObject("b", new TTracked(&alive));
    l.AddObject("c", new TTracked(&alive));
    l.Move(0, 2);
    EXPECT_EQ(alive, 3);
    l.Delete(0);
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 0);
}

}  // namespace
