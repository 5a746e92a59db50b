#include <gtest/gtest.h>

#include "editor/SxEditUndo.h"

namespace {
struct Recorder {
  TSxEditUndoList list;
  int added = 0;
  Recorder() {
    list.OnAddedUndo = [this](TSxEditUndoList*) { ++added; };
  }
  void Change(std::uint8_t reason = 0) { list.AddChange(reason, {1, 1}, {2, 1}, "x", smNormal); }
  std::vector<int> Numbers() const {
    std::vector<int> n;
    for (int i = 0; i < list.ItemCount(); ++i) n.push_back(list.Item(i).ChangeNumber);
    return n;
  }
};
}  // namespace

// Each script: B = BeginBlock, E = EndBlock, c = AddChange, g = AddGroupBreak, L/U = lock/unlock.
TEST(SxEditUndoList, NumberingAndGrouping) {
  struct Case {
    const char* script;
    std::vector<int> numbers;
    int added;
  } cases[] = {
      {"ccc", {1, 2, 3}, 3},     {"Bccc E", {1, 1, 1}, 1}, {"BBcEcE", {1, 1}, 1},
      {"BBcEcEc", {1, 1, 2}, 2}, {"E c", {1}, 1},  // EndBlock without a block does nothing
      {"BE c", {2}, 1},                            // an empty block still uses a number, and announces nothing
      {"cgg", {1, 0}, 1},                          // two breaks in a row make one record, never announced
      {"LcUc", {1}, 1},                            // nothing is recorded while locked
  };
  for (const auto& c : cases) {
    Recorder r;
    for (const char* p = c.script; *p; ++p) {
      switch (*p) {
        case 'B': r.list.BeginBlock(); break;
        case 'E': r.list.EndBlock(); break;
        case 'c': r.Change(); break;
        case 'g': r.list.AddGroupBreak(); break;
        case 'L': r.list.Lock(); break;
        case 'U': r.list.Unlock(); break;
      }
    }
    EXPECT_EQ(r.Numbers(), c.numbers) << c.script;
    EXPECT_EQ(r.added, c.added) << c.script;
    EXPECT_EQ(r.list.BlockCount(), 0) << c.script;
  }
}

TEST(SxEditUndoList, LimitDropsOldestRecords) {
  Recorder r;
  r.list.SetMaxUndoActions(2);
  r.Change(1);
  r.Change(2);
  EXPECT_FALSE(r.list.FullUndoImpossible());
  r.Change(3);
  EXPECT_EQ(r.Numbers(), (std::vector<int>{2, 3}));
  EXPECT_TRUE(r.list.FullUndoImpossible());
  r.list.SetMaxUndoActions(-4);  // negative becomes 0: nothing kept, still announced
  EXPECT_EQ(r.list.ItemCount(), 0);
  r.Change();
  EXPECT_EQ(r.list.ItemCount(), 0);
  EXPECT_EQ(r.added, 4);
  r.list.Clear();
  EXPECT_FALSE(r.list.FullUndoImpossible());
}

TEST(SxEditUndoList, LimitKeepsStepsWhole) {
  Recorder r;
  r.list.SetMaxUndoActions(3);
  r.Change();
  r.Change();
  r.list.BeginBlock();
  for (int i = 0; i < 5; ++i) r.Change();  // one step larger than the limit
  r.list.EndBlock();
  EXPECT_EQ(r.list.ItemCount(), 5);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(r.list.Item(i).ChangeNumber, r.list.Item(0).ChangeNumber);
  r.Change();  // the next step pushes the whole block out, not a part of it
  EXPECT_EQ(r.list.ItemCount(), 1);
}

TEST(SxEditUndoList, EmptyListAndPop) {
  TSxEditUndoList list;
  EXPECT_EQ(list.LastChangeReason(), crNothing);
  EXPECT_FALSE(list.CanUndo());
  EXPECT_EQ(list.PopItem(), nullptr);
  EXPECT_EQ(list.PeekItem(), nullptr);
  list.PushItem(nullptr);
  EXPECT_EQ(list.ItemCount(), 0);
  list.AddChange(7, {1, 2}, {3, 4}, "t", smColumn);
  EXPECT_EQ(list.LastChangeReason(), 7);
  auto item = list.PopItem();
  ASSERT_TRUE(item);
  EXPECT_EQ(item->ChangeEndPos, (TBufferCoord{3, 4}));
  EXPECT_EQ(item->ChangeSelMode, smColumn);
  EXPECT_FALSE(list.CanUndo());
}

TEST(SxEditUndoList, InitialState) {
  Recorder r;
  EXPECT_TRUE(r.list.GetInitialState());
  r.Change();
  EXPECT_FALSE(r.list.GetInitialState());
  r.list.SetInitialState(true);
  EXPECT_TRUE(r.list.GetInitialState());
  r.Change();
  EXPECT_FALSE(r.list.GetInitialState());
  r.list.PopItem();
  EXPECT_TRUE(r.list.GetInitialState());
  // Forgetting the unmodified state: no later state counts as unmodified.
  r.list.SetInitialState(false);
  EXPECT_FALSE(r.list.GetInitialState());
  r.list.PopItem();
  EXPECT_FALSE(r.list.GetInitialState());
  // SetInitialState(false) away from the unmodified state changes nothing.
  Recorder s;
  s.Change();
  s.list.SetInitialState(false);
  EXPECT_EQ(s.list.InitialChangeNumber(), 0);
}

TEST(SxEditUndoList, AssignCopiesRecordsAndNumbering) {
  Recorder a;
  a.Change();
  a.list.BeginBlock();
  a.Change(5);
  a.list.SetInsideRedo(true);
  a.list.SetInitialState(true);
  TSxEditUndoList b;
  b.Assign(a.list);
  EXPECT_EQ(b.ItemCount(), 2);
  EXPECT_EQ(b.BlockCount(), 1);
  EXPECT_EQ(b.BlockChangeNumber(), 2);
  EXPECT_EQ(b.NextChangeNumber(), 2);
  EXPECT_TRUE(b.InsideRedo());
  EXPECT_EQ(b.InitialChangeNumber(), 0);  // not copied
  a.list.PopItem();
  EXPECT_EQ(b.ItemCount(), 2);  // independent copies
  EXPECT_EQ(b.LastChangeReason(), 5);
}
