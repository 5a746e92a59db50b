#include <gtest/gtest.h>

#include <cstdio>

#include "editor/SxEditHighlighter.h"
#include "platform/core/IniFiles.h"

namespace {

// The smallest concrete highlighter: named attributes and no scanning.
class TMiniHighlighter : public TSxCustomHighlighter {
public:
  explicit TMiniHighlighter(std::initializer_list<const char*> names) : TSxCustomHighlighter(nullptr) {
    for (const char* n : names) AddAttribute(new TSxHighlighterAttributes(n));
    SetAttributesOnChange(
        TNotifyEvent(static_cast<TSxCustomHighlighter*>(this), &TMiniHighlighter::DefHighlightChange));
  }
  TSxHighlighterAttributes* GetDefaultAttribute(int) const override { return nullptr; }
  bool AtLineEnd() const override { return true; }
  String GetTokenText() const override { return String(); }
  TSxHighlighterAttributes* GetTokenAttribute() const override { return nullptr; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return 0; }
  void Next() override {}
  void SetLine(const String&, int) override {}
  void StartLoading() { IncludeState(csLoading); }
};

}  // namespace

TEST(SxCustomHighlighter, AttributesInNameOrderAndNoDuplicates) {
  TMiniHighlighter h({"String", "Comment", "Number"});
  EXPECT_EQ(h.GetLanguageName(), "<Unknown>");
  ASSERT_EQ(h.GetAttribCount(), 3);
  EXPECT_EQ(h.GetAttribute(0)->Name(), "Comment");
  EXPECT_EQ(h.GetAttribute(2)->Name(), "String");
  EXPECT_EQ(h.GetAttribute(3), nullptr);
  EXPECT_EQ(h.GetAttribute(-1), nullptr);
  EXPECT_THROW(TMiniHighlighter({"Comment", "Key", "comment"}), EListError);
}

TEST(SxCustomHighlighter, ChangeNotifications) {
  TMiniHighlighter h({"Comment", "Number"});
  std::vector<TObject*> heard1, heard2;
  h.HookAttrChangeEvent(TNotifyEvent(&h, 1, [&](TObject* s) { heard1.push_back(s); }));
  h.HookAttrChangeEvent(TNotifyEvent(&h, 2, [&](TObject* s) { heard2.push_back(s); }));
  TSxHighlighterAttributes* comment = h.GetAttribute(0);
  comment->SetForeground(clNavy);
  EXPECT_EQ(heard1, (std::vector<TObject*>{comment}));
  EXPECT_EQ(heard2, (std::vector<TObject*>{comment}));
  h.SetEnabled(false);
  h.SetEnabled(false);  // unchanged: no notification
  EXPECT_EQ(heard1, (std::vector<TObject*>{comment, nullptr}));
  // While loading from a form definition nothing is told; Loaded then tells once, with no sender.
  h.UnhookAttrChangeEvent(TNotifyEvent(&h, 2, [](TObject*) {}));
  heard1.clear();
  h.StartLoading();
  h.GetAttribute(1)->SetStyle(sxfsBold);
  comment->SetBackground(clWhite);
  EXPECT_TRUE(heard1.empty());
  h.Loaded();
  EXPECT_EQ(heard1, (std::vector<TObject*>{nullptr}));
  EXPECT_EQ(heard2.size(), 2u);  // unhooked
  // Defaults are the values at creation: only changed properties are stored.
  EXPECT_TRUE(comment->IsForegroundStored());
  EXPECT_FALSE(h.GetAttribute(1)->IsForegroundStored());
  EXPECT_TRUE(h.GetAttribute(1)->IsStyleStored());
}

TEST(SxCustomHighlighter, RegistrySaveAndLoadOfAllAttributes) {
  const std::string file = ::testing::TempDir() + "/sx_highlighter_set.ini";
  std::remove(file.c_str());
  TMemIniFile ini(file);
  TMiniHighlighter a({"Comment", "Number"}), b({"Comment", "Number"}), c({"Comment", "Number", "Extra"});
  a.GetAttribute(0)->SetForeground(clNavy);
  a.GetAttribute(1)->SetStyle(sxfsItalic | sxfsStrikeOut);
  EXPECT_FALSE(b.LoadFromRegistry(&ini, "Software\\SQL"));  // no such key yet
  EXPECT_TRUE(a.SaveToRegistry(&ini, "Software\\SQL"));
  EXPECT_EQ(ini.ReadString("Software\\SQL\\Number", "Style", ""), "10");
  EXPECT_TRUE(b.LoadFromRegistry(&ini, "Software\\SQL"));
  EXPECT_EQ(b.GetAttribute(0)->Foreground(), clNavy);
  EXPECT_EQ(b.GetAttribute(1)->Style(), sxfsItalic | sxfsStrikeOut);
  // One attribute without a stored key makes the whole load report false; the others load.
  EXPECT_FALSE(c.LoadFromRegistry(&ini, "Software\\SQL"));
  EXPECT_EQ(c.GetAttribute(0)->Foreground(), clNavy);
}
