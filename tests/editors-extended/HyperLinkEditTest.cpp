// The hyperlink editor: completing a link, its look, and opening it by key, double click or
// single click through the desktop's opener (or the application's handler instead).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "editors-extended/kcHyperLinkEdit.h"
#include "platform/win/ShellApi.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct LinkFixture {
  TFormsSession session;
  TPlainForm form;
  TkcHyperLinkEdit* edit;
  TEdit* other;
  std::vector<String> opened;
  TShellOpenProvider old;
  LinkFixture() {
    old = SetShellOpenProvider([this](const String& s) {
      opened.push_back(s);
      return true;
    });
    edit = new TkcHyperLinkEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 160, 21);
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(200, 10, 50, 20);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  ~LinkFixture() { SetShellOpenProvider(old); }
  void CtrlEnter() {
    session.KeyDown(VK_CONTROL);
    session.Key(VK_RETURN, "\n");
    session.KeyUp(VK_CONTROL);
  }
  POINT Middle() { return TFormsSession::At(edit, 20, edit->Height() / 2); }
};
}  // namespace

TEST(KcHyperLinkEdit, CompleteLinkTable) {
  TkcHyperLinkEditProperties p(nullptr);
  const String prefix = p.Prefix;
  ASSERT_FALSE(prefix.empty());
  const std::pair<String, String> cases[] = {
      {"example.org", prefix + "example.org"},
      {"  example.org ", prefix + "example.org"},          // trimmed before the prefix goes on
      {prefix + "a.b", prefix + "a.b"},                      //
      {" " + prefix + "a.b ", " " + prefix + "a.b "},        // kept with its blanks
      {"HTTP://a.b", prefix + "HTTP://a.b"},                 // the comparison is case-sensitive
      {"   ", "   "},                                        // blank: nothing added
      {"", ""},
  };
  for (const auto& [text, link] : cases) EXPECT_EQ(p.CompleteLink(text), link) << text;
  p.AutoComplete = false;
  EXPECT_EQ(p.CompleteLink("example.org"), "example.org");
}

TEST(KcHyperLinkEdit, TypedLinkIsStoredCompleteAndShownAsALink) {
  LinkFixture f;
  f.session.Type("example.org");
  f.other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(VarToStr(f.edit->EditValue()), f.edit->Properties()->Prefix + "example.org");
  TFont* font = f.edit->InnerEdit()->Font();
  EXPECT_EQ(font->Color(), clBlue);
  EXPECT_TRUE(font->Style().Contains(fsUnderline));
  f.edit->Properties()->SetLinkColor(clRed);
  EXPECT_EQ(f.edit->InnerEdit()->Font()->Color(), clRed);
}

TEST(KcHyperLinkEdit, OpenedByStartKeyAndDoubleClick) {
  LinkFixture f;
  f.edit->SetEditValue(Variant(String("a.example")));
  f.edit->SetFocus();
  f.session.ProcessMessages();
  f.CtrlEnter();
  ASSERT_EQ(f.opened.size(), 1u);
  EXPECT_EQ(f.opened[0], f.edit->Properties()->Prefix + "a.example");
  EXPECT_EQ(f.edit->Text(), "a.example") << "the key does not reach the text";
  // A single click only places the caret; a double click opens.
  f.session.Click(f.Middle());
  EXPECT_EQ(f.opened.size(), 1u);
  f.session.Advance(1000);
  f.session.Click(f.Middle());
  f.session.Click(f.Middle());
  EXPECT_EQ(f.opened.size(), 2u);
  // No start key: Ctrl+Enter opens nothing.
  f.edit->Properties()->StartKey = 0;
  f.CtrlEnter();
  EXPECT_EQ(f.opened.size(), 2u);
}

TEST(KcHyperLinkEdit, SingleClickAndTheApplicationsHandler) {
  LinkFixture f;
  f.edit->Properties()->SetSingleClick(true);
  f.edit->SetEditValue(Variant(String("b.example")));
  f.session.Click(f.Middle());
  EXPECT_EQ(f.opened.size(), 1u);
  int started = 0;
  f.edit->Properties()->OnStartClick = [&](TObject* sender) {
    EXPECT_EQ(sender, f.edit);
    ++started;
  };
  f.session.Advance(1000);
  f.session.Click(f.Middle());
  EXPECT_EQ(started, 1);
  EXPECT_EQ(f.opened.size(), 1u) << "the handler replaces the opener";
  // A blank text opens nothing.
  f.edit->Properties()->OnStartClick = nullptr;
  f.edit->SetEditValue(Variant(String("  ")));
  f.edit->OpenLink();
  EXPECT_EQ(f.opened.size(), 1u);
}

TEST(KcHyperLinkEdit, LinksThatWouldStartAProgramAreNotOpened) {
  LinkFixture f;
  f.edit->Properties()->AutoComplete = false;
  const String dir = ::testing::TempDir();
  const String program = dir + "vt_link_program.sh", entry = dir + "vt_link_entry.desktop", text = dir + "vt_link.txt";
  for (const String& name : {program, entry, text}) {
    std::FILE* file = std::fopen(name.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("#!/bin/sh\n", file);
    std::fclose(file);
  }
  chmod(program.c_str(), 0755);
  const std::pair<String, bool> cases[] = {
      {program, false},           {"file://" + program, false}, {entry, false},
      {text, true},               {"file://" + text, true},     {"https://example.org/x.sh", true},
      {dir, true},                // a folder only shows
  };
  for (const auto& [link, opens] : cases) {
    f.opened.clear();
    f.edit->SetEditValue(Variant(link));
    f.edit->OpenLink();
    EXPECT_EQ(f.opened.size(), opens ? 1u : 0u) << link;
  }
  for (const String& name : {program, entry, text}) std::remove(name.c_str());
}

TEST(KcHyperLinkEdit, ACellOpenedByAClickOnASingleClickLinkShowsTheHand) {
  struct Case {
    bool inplace, singleClick;
    TCursor cursor, expected;
  } cases[] = {
      {true, true, crDefault, crHandPoint},
      {true, false, crDefault, crDefault},
      {true, true, crIBeam, crIBeam},  // a cursor of the application's own is kept
      {false, true, crDefault, crDefault},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    auto* edit = new TkcHyperLinkEdit(&f.form, c.inplace);
    edit->SetParent(&f.form);
    edit->SetBounds(10, 40, 160, 21);
    edit->Properties()->SetSingleClick(c.singleClick);
    edit->SetCursor(c.cursor);
    // As the grid does: through the base class, in the parent's coordinates.
    static_cast<TkcCustomEdit*>(edit)->ActivateByMouse(TShiftState{ssLeft}, 30, 50);
    f.session.ProcessMessages();
    const String label = String(c.inplace ? "in place" : "stand-alone") + (c.singleClick ? ", single click" : "");
    EXPECT_EQ(edit->Cursor(), c.expected) << label;
    EXPECT_EQ(edit->InnerEdit()->Cursor() == crHandPoint, c.expected == crHandPoint) << label;
    EXPECT_TRUE(f.opened.empty()) << label << ": the press alone opens nothing";
    Screen->SetCursor(crDefault);
  }
}
