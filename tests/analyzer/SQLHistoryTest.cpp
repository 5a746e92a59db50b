#include <gtest/gtest.h>

#include "analyzer/SQLHistory.h"

namespace {

std::string Items(const TSQLHistory& h) {
  std::string out;
  for (int i = 0; i < h.Count(); ++i) out += (i ? "|" : "") + h.Items(i);
  return out;
}

}  // namespace

TEST(SQLHistory, IdenticalStatementMovesToNewestPlace) {
  TSQLHistory h;
  EXPECT_EQ(h.Add("A\r\n"), 0);
  EXPECT_EQ(h.Add("B\r\n"), 1);
  EXPECT_EQ(h.Add("C\r\n"), 2);
  EXPECT_EQ(h.Add("A\r\n"), 2);
  EXPECT_EQ(Items(h), "B\r\n|C\r\n|A\r\n");
  EXPECT_EQ(h.IndexOf("C\r\n"), 1);
  // Exact text only: letter case and line breaks count.
  EXPECT_EQ(h.IndexOf("c\r\n"), -1);
  EXPECT_EQ(h.IndexOf("C"), -1);
  EXPECT_EQ(h.Add("select 1"), 3);
  EXPECT_EQ(h.Add("SELECT 1"), 4);
  EXPECT_EQ(h.Add("B\r\n"), 4);
  EXPECT_EQ(Items(h), "C\r\n|A\r\n|select 1|SELECT 1|B\r\n");
  EXPECT_EQ(h.IndexOf("B\r\n"), 4);
  EXPECT_THROW(h.MoveToEnd(5), EListError);
}

// The window's road: prepare A, B, A; then Next and Previous at both ends.
TEST(SQLHistory, PreviousAndNextAtBothEnds) {
  TSQLHistory h;
  int index = -1;
  String editor = "unchanged";
  EXPECT_FALSE(h.PreviousEnabled(index));
  EXPECT_FALSE(h.NextEnabled(index));
  EXPECT_FALSE(h.Next(index, editor));
  EXPECT_FALSE(h.Previous(index, editor));
  EXPECT_EQ(index, -1);

  index = h.Add("A");
  EXPECT_FALSE(h.PreviousEnabled(index));  // one entry: nothing older
  index = h.Add("B");
  index = h.Add("A");
  EXPECT_EQ(Items(h), "B|A");
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(h.PreviousEnabled(index));
  EXPECT_TRUE(h.NextEnabled(index));

  EXPECT_TRUE(h.Next(index, editor));  // past the newest: an empty editor
  EXPECT_EQ(editor, "");
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(h.NextEnabled(index));
  EXPECT_TRUE(h.Next(index, editor));  // run anyway: stays past the newest
  EXPECT_EQ(index, 2);

  EXPECT_TRUE(h.Previous(index, editor));
  EXPECT_EQ(editor, "A");
  EXPECT_TRUE(h.Previous(index, editor));
  EXPECT_EQ(editor, "B");
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(h.PreviousEnabled(index));
  EXPECT_FALSE(h.Previous(index, editor));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(editor, "B");

  EXPECT_TRUE(h.Next(index, editor));
  EXPECT_EQ(editor, "A");
  EXPECT_EQ(index, 1);
}
