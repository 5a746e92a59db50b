#include <gtest/gtest.h>

#include "editor/SxEditKbdHandler.h"
#include "editor/SxEditKeyCmds.h"

TEST(SxEditKeyStrokes, DefaultTableLookups) {
  TSxEditKeyStrokes keys(nullptr);
  keys.ResetDefaults();
  ASSERT_EQ(keys.Count(), 82);
  const TShiftState none, s{ssShift}, c{ssCtrl}, sc{ssShift, ssCtrl}, a{ssAlt}, sa{ssShift, ssAlt};
  struct Case {
    WORD key;
    TShiftState shift;
    TSxEditorCommand cmd;
  } cases[] = {{'Z', c, ecUndo},         {'Z', sc, ecRedo},          {8, a, ecUndo},
               {8, sa, ecRedo},          {'B', sc, ecMatchBracket},  {'0', c, ecGotoMarker0},
               {'9', sc, ecSetMarker9},  {38, c, ecScrollUp},        {34, sc, ecSelPageBottom},
               {45, none, ecToggleMode}, {112, none, ecContextHelp}, {13, s, ecLineBreak},
               {9, s, ecShiftTab},       {'M', c, ecLineBreak}};
  for (const auto& k : cases) {
    const int i = keys.FindKeycode(k.key, k.shift);
    ASSERT_GE(i, 0) << k.key;
    EXPECT_EQ(keys.Items(i)->Command(), k.cmd) << k.key;
  }
  EXPECT_EQ(keys.FindKeycode(38, sc), -1);  // Shift+Ctrl+Up has no binding
  EXPECT_EQ(keys.Items(0)->Command(), ecUp);
  EXPECT_EQ(keys.Items(81)->Command(), ecMatchBracket);
  EXPECT_EQ(keys.FindShortcut(16496), -1);
  EXPECT_EQ(keys.Items(keys.FindShortcut(112))->DisplayName(), "ecContextHelp - F1 ");
}

TEST(SxEditKeyStrokes, TwoKeyShortcutsAndDuplicates) {
  TSxEditKeyStrokes keys(nullptr);
  auto* a = keys.Add();
  a->SetShortCut(scCtrl | 'K');
  a->SetShortCut2('B');
  a->SetCommand(ecUserFirst);
  auto* b = keys.Add();
  b->SetShortCut(scCtrl | 'K');  // same first key, different second key: allowed
  b->SetShortCut2('C');
  auto* c = keys.Add();
  c->SetShortCut(scCtrl | 'K');
  EXPECT_EQ(keys.FindKeycode('K', {ssCtrl}), 2);  // ignores bindings that need a second key
  EXPECT_EQ(keys.FindKeycode2('K', {ssCtrl}, 'B', {}), 0);
  EXPECT_EQ(keys.FindShortcut2(scCtrl | 'K', 'C'), 1);
  EXPECT_THROW(b->SetShortCut2('B'), ESxKeyError);
  EXPECT_EQ(b->GetShortCut2(), 'C');              // unchanged
  EXPECT_NO_THROW(c->SetShortCut(scCtrl | 'K'));  // its own value
  auto* d = keys.Add();
  try {
    d->SetShortCut(scCtrl | 'K');
    FAIL();
  } catch (const ESxKeyError& e) {
    EXPECT_STREQ(e.what(), "Shortcut already exists");
  }
  EXPECT_EQ(a->DisplayName(), "ecUserFirst - Ctrl+K B");
  // Copies made without the check may repeat a shortcut; setting it again on the first of
  // them still finds the other one.
  TSxEditKeyStrokes twins(nullptr);
  twins.Add()->Assign(c);
  twins.Add()->Assign(c);
  EXPECT_THROW(twins.Items(0)->SetShortCut(scCtrl | 'K'), ESxKeyError);
  // The tool's table: F1 removed, Ctrl+F1 added.
  TSxEditKeyStrokes tool(nullptr);
  tool.ResetDefaults();
  tool.Delete(tool.FindShortcut(112));
  auto* help = tool.Add();
  help->SetShortCut(16496);
  help->SetCommand(ecContextHelp);
  EXPECT_EQ(tool.FindKeycode(112, {}), -1);
  EXPECT_EQ(tool.Items(tool.FindKeycode(112, {ssCtrl}))->Command(), ecContextHelp);
  TSxEditKeyStrokes copy(nullptr);
  copy.Assign(&tool);
  EXPECT_EQ(copy.Count(), 82);
  EXPECT_EQ(copy.Items(81)->GetShortCut(), 16496);
}

TEST(SxEditKeyStrokes, CommandNames) {
  int cmd = -1;
  EXPECT_TRUE(IdentToEditorCommand("ECCONTEXTHELP", cmd));
  EXPECT_EQ(cmd, ecContextHelp);
  EXPECT_FALSE(IdentToEditorCommand("ecNothing", cmd));
  EXPECT_EQ(EditorCommandToText(1001), "ecUserFirst");
  EXPECT_EQ(EditorCommandToText(1002), "1002");
  EXPECT_EQ(EditorCommandToText(355), "ecSetMarker4");
  for (int c = 0; c < 1100; ++c) {
    String ident;
    if (EditorCommandToIdent(c, ident)) {
      int back = -1;
      EXPECT_TRUE(IdentToEditorCommand(ident, back));
      EXPECT_EQ(back, c);
    }
  }
}

namespace {
struct Listener : TObject {
  std::vector<int>* log;
  int id;
  void Notify(TObject*) {
    log->push_back(id);
    if (id == 2) throw Exception("listener failed");
  }
};
struct Chain : TSxNotifyEventChain {};
}  // namespace

TEST(SxEditHandlers, MethodChainFailuresAndRemoval) {
  std::vector<int> log;
  Listener l1, l2, l3;
  l1.log = l2.log = l3.log = &log;
  l1.id = 1, l2.id = 2, l3.id = 3;
  Chain chain;
  chain.Add(TNotifyEvent(&l1, &Listener::Notify));
  chain.Add(TNotifyEvent(&l2, &Listener::Notify));
  chain.Add(TNotifyEvent(&l3, &Listener::Notify));
  EXPECT_THROW(chain.Fire(), Exception);  // no handler: propagates, l3 not called
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
  for (bool keepGoing : {false, true}) {
    log.clear();
    chain.ExceptionHandler = [&](TSxMethodChain*, Exception&, bool& cont) { cont = keepGoing; };
    chain.Fire();
    EXPECT_EQ(log.size(), keepGoing ? 3u : 2u);
  }
  chain.ExceptionHandler = [](TSxMethodChain*, Exception&, bool&) { throw Exception("bad handler"); };
  try {
    chain.Fire();
    FAIL();
  } catch (const ESxMethodChain& e) {
    EXPECT_STREQ(e.what(),
                 "TSxNotifyEventChain.DoHandleException : MUST NOT occur any kind of exception in ExceptionHandler");
  }
  chain.Add(TNotifyEvent(&l1, &Listener::Notify));
  chain.Remove(TNotifyEvent(&l1, &Listener::Notify));  // both entries go
  chain.Remove(TNotifyEvent(&l3, &Listener::Notify));
  EXPECT_EQ(chain.Count(), 1);
}

TEST(SxEditHandlers, KeyChainRunsNewestFirstAndStopsAtZero) {
  TSxEditKbdHandler h;
  WORD key = 65;
  h.ExecuteKeyDown(nullptr, key, {});  // empty chain
  EXPECT_EQ(key, 65);
  std::vector<int> log;
  h.AddKeyDownHandler(TSxKeyEvent([&](TObject*, WORD&, TShiftState) { log.push_back(1); }));
  h.AddKeyDownHandler(TSxKeyEvent([&](TObject*, WORD& k, TShiftState) {
    log.push_back(2);
    k = 0;
  }));
  h.ExecuteKeyDown(nullptr, key, {});
  EXPECT_EQ(log, (std::vector<int>{2}));
  // A handler raising the same event again is not re-entered.
  int depth = 0;
  TSxEditKbdHandler r;
  r.AddKeyPressHandler(TSxKeyPressEvent([&](TObject*, char32_t& c) {
    ++depth;
    r.ExecuteKeyPress(nullptr, c);
  }));
  char32_t ch = U'x';
  r.ExecuteKeyPress(nullptr, ch);
  EXPECT_EQ(depth, 1);
}

// Listeners may remove one another while a chain runs: a removed listener is not called, and
// none is called twice.
TEST(SxEditHandlers, ListenersRemovedDuringDispatchAreSkipped) {
  struct Owner : TObject {
    std::vector<int> log;
    TSxEditKbdHandler keys;
    TSxNotifyEventChain chain;
    void Key1(TObject*, WORD&, TShiftState) { log.push_back(1); }
    void Key2(TObject*, WORD&, TShiftState) { log.push_back(2); }
    void Key3(TObject*, WORD&, TShiftState) {
      log.push_back(3);
      keys.RemoveKeyDownHandler(TSxKeyEvent(this, &Owner::Key2));
    }
    void Note1(TObject*) {
      log.push_back(1);
      chain.Remove(TNotifyEvent(this, &Owner::Note2));
    }
    void Note2(TObject*) { log.push_back(2); }
    void Note3(TObject*) { log.push_back(3); }
  } o;
  o.keys.AddKeyDownHandler(TSxKeyEvent(&o, &Owner::Key1));
  o.keys.AddKeyDownHandler(TSxKeyEvent(&o, &Owner::Key2));
  o.keys.AddKeyDownHandler(TSxKeyEvent(&o, &Owner::Key3));
  WORD key = 65;
  o.keys.ExecuteKeyDown(nullptr, key, {});
  EXPECT_EQ(o.log, (std::vector<int>{3, 1}));
  o.chain.Add(TNotifyEvent(&o, &Owner::Note1));
  o.chain.Add(TNotifyEvent(&o, &Owner::Note2));
  o.chain.Add(TNotifyEvent(&o, &Owner::Note3));
  o.log.clear();
  o.chain.Fire();
  EXPECT_EQ(o.log, (std::vector<int>{1, 3}));
}
