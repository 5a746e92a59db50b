// The filter builder control through the headless session with real input: building a nested
// filter by mouse and keys, the value editor's rules, and the layout, hit tests and painting
// of a deep tree.

#include <gtest/gtest.h>

#include "filter-builder/FakeLink.h"
#include "filter-builder/kcFilterControl.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct ControlFixture {
  TFormsSession session;
  TFakeLink link;  // outlives the form, which frees the control that uses it
  TPlainForm form{500, 300};
  TkcFilterControl* fc;
  ControlFixture() {
    fc = new TkcFilterControl(&form);
    fc->SetParent(&form);
    fc->SetBounds(0, 0, 480, 280);
    fc->SetLink(&link);
    form.Show();
    fc->SetFocus();
    session.ProcessMessages();
  }
  POINT Centre(const TRect& r) { return TFormsSession::At(fc, (r.left + r.right) / 2, (r.top + r.bottom) / 2); }
  // Clicks a part and picks its entry AIndex (0-based, menu lines skipped): from the row menu
  // by keys, from the drop-down list by a click on the entry.
  void Choose(const TRect& APart, int AIndex) {
    fc->Calculate();
    if (APart != dynamic_cast<TkcCustomRowViewInfo*>(fc->FocusInfo().Row)->ButtonRect &&
        APart != fc->Model()->Root()->ButtonRect && !IsRowButton(APart)) {
      session.Click(Centre(APart));
      session.ProcessMessages();
      TkcComboBox* list = fc->ListEditor();
      ASSERT_TRUE(list->DroppedDown());
      const TRect item = list->List()->ItemRect(AIndex);
      session.Click(TFormsSession::At(list->List(), (item.left + item.right) / 2, (item.top + item.bottom) / 2));
      session.ProcessMessages();
      EXPECT_FALSE(list->Visible());
      return;
    }
    session.Script([this, AIndex] {
      for (int i = 0; i <= AIndex; ++i) {
        session.QueueKey(VK_DOWN, true);
        session.QueueKey(VK_DOWN, false);
      }
      session.QueueKey(VK_RETURN, true);
      session.QueueKey(VK_RETURN, false);
    });
    fc->Calculate();
    session.Click(Centre(APart));
    session.ProcessMessages();
  }
  TkcConditionViewInfo* Cond() { return dynamic_cast<TkcConditionViewInfo*>(fc->FocusInfo().Row); }
  bool IsRowButton(const TRect& R) {
    for (TkcCustomRowViewInfo* row : fc->Model()->Rows())
      if (row->ButtonRect == R) return true;
    return false;
  }
  void TypeValue(const char* AText) {
    session.Type(AText);
    session.Key(VK_RETURN);
    session.ProcessMessages();
  }
};

}  // namespace

TEST(FilterControl, BuildsANestedFilterByMouseAndKeys) {
  ControlFixture f;
  TkcGroupViewInfo* root = f.fc->Model()->Root();
  // Root menu: Add Group; the group starts with a condition on A, its item focused.
  f.Choose(root->ButtonRect, 1);
  ASSERT_EQ(f.fc->Model()->Rows().size(), 3u);
  auto* g1 = dynamic_cast<TkcGroupViewInfo*>(f.fc->Model()->Rows()[1]);
  ASSERT_TRUE(g1);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpItem);
  EXPECT_EQ(f.Cond()->Operator(), kcoEqual);
  f.session.Key(VK_RIGHT);
  f.session.Key(VK_RIGHT);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpValue);
  f.TypeValue("1");
  EXPECT_EQ(f.Cond()->Values()->Items(0)->Value.AsInteger(), 1);
  f.Choose(g1->BoolOperatorRect, 1);  // OR
  EXPECT_EQ(g1->BoolOperator, fboOr);
  // Insert adds to the focused row's group; B takes "like".
  f.fc->FocusRow(f.fc->Model()->Rows()[2]);
  f.session.Key(VK_INSERT);
  EXPECT_EQ(f.Cond()->Parent(), g1);
  f.Choose(f.Cond()->ItemRect, 1);
  EXPECT_EQ(f.Cond()->ItemText, "B");
  EXPECT_EQ(f.Cond()->Operator(), kcoLike);
  f.session.Key(VK_RIGHT);
  f.TypeValue("x%");
  // A second group at the root on C, between 1 and 5, negated.
  f.Choose(root->ButtonRect, 1);
  auto* g2 = dynamic_cast<TkcGroupViewInfo*>(f.fc->Model()->Rows()[4]);
  ASSERT_TRUE(g2);
  f.Choose(f.Cond()->ItemRect, 2);
  // Integer operators offered: equals .. is greater than or equal to, the blank tests, between ...
  f.Choose(f.Cond()->OperatorRect, 8);
  EXPECT_EQ(f.Cond()->Operator(), kcoBetween);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpValue);
  f.TypeValue("5");
  f.session.Key(VK_RIGHT);
  f.TypeValue("1");
  f.Choose(g2->BoolOperatorRect, 2);  // NOT AND
  EXPECT_EQ(f.fc->GetFilterText(), "((A = 1) OR (B LIKE 'x%')) AND (NOT ((C BETWEEN 1 AND 5)))");
}

TEST(FilterControl, ValueEditorRules) {
  ControlFixture f;
  f.session.Key(VK_INSERT);
  f.session.Key(VK_RIGHT);
  f.session.Key(VK_RIGHT);
  f.TypeValue("7");
  // Esc keeps the old value.
  f.session.Type("9");
  f.session.Key(VK_ESCAPE);
  EXPECT_EQ(f.Cond()->Values()->Items(0)->Value.AsInteger(), 7);
  EXPECT_EQ(f.fc->OpenEditor(), foeNone);
  // Text that is no number: "Invalid value", the editor stays open, the value is kept.
  std::vector<String> shown;
  Application->OnException = [&](TObject*, Exception& e) { shown.push_back(e.Message()); };
  f.session.Type("x");
  f.session.Key(VK_RETURN);
  f.session.ProcessMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Invalid value");
  EXPECT_EQ(f.fc->OpenEditor(), foeValue);
  EXPECT_TRUE(f.fc->ValueEditor()->Focused());
  EXPECT_EQ(f.Cond()->Values()->Items(0)->Value.AsInteger(), 7);
  f.session.Key(VK_ESCAPE);
  // Ctrl+Delete on the only condition removes it; on the root nothing happens.
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_DELETE);
  EXPECT_EQ(f.fc->Model()->Rows().size(), 1u);
  f.session.Key(VK_DELETE);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.fc->Model()->Rows().size(), 1u);
}

TEST(FilterControl, KeyboardWalksTheParts) {
  ControlFixture f;
  f.session.Key(VK_INSERT);
  TkcConditionViewInfo* c = f.Cond();
  c->SetOperator(kcoBetween);
  c->AdjustValues(true);
  std::vector<int> parts;
  for (int i = 0; i < 5; ++i) {
    parts.push_back(f.fc->FocusInfo().HitPart * 10 + std::max(0, f.fc->FocusInfo().ValueIndex));
    f.session.Key(VK_RIGHT);
  }
  EXPECT_EQ(parts,
            (std::vector<int>{fhpItem * 10, fhpOperator * 10, fhpValue * 10, fhpValue * 10 + 1, fhpValue * 10 + 1}));
  // Down on the last row goes to the add-condition line; Enter there adds a condition.
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpAddCondition);
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.fc->Model()->Rows().size(), 3u);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpItem);
  // The "+" of an in list adds a value and focuses it; Left goes back to it.
  c = f.Cond();
  c->SetOperator(kcoInList);
  c->AdjustValues(true);
  f.fc->Calculate();
  f.session.Click(f.Centre(c->Values()->AddButtonRect));
  EXPECT_EQ(c->Values()->Count(), 2);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpValue);
  EXPECT_EQ(f.fc->FocusInfo().ValueIndex, 1);
  f.session.Key(VK_RIGHT);
  EXPECT_EQ(f.fc->FocusInfo().HitPart, fhpAddValue);
  f.session.Key(VK_LEFT);
  EXPECT_EQ(f.fc->FocusInfo().ValueIndex, 1);
}

TEST(FilterControl, LayoutHitTestAndPaintingOfADeepTree) {
  ControlFixture f;
  TkcFilterControlModel* m = f.fc->Model();
  TkcGroupViewInfo* g = m->Root();
  for (int level = 0; level < 4; ++level) g = m->AddGroup(g);
  TkcConditionViewInfo* deep = m->AddCondition(g);
  deep->SetOperator(kcoInList);
  deep->AdjustValues(true);
  m->AddCondition(nullptr);
  f.fc->Calculate();
  int h = f.fc->RowHeight();
  ASSERT_GT(h, 0);
  TBitmap measure;
  measure.SetSize(1, 1);
  TkcCanvas canvas(measure.Canvas());
  canvas.SetFont(f.fc->Font());
  EXPECT_EQ(m->Root()->ButtonRect.right - m->Root()->ButtonRect.left, canvas.TextWidth("Filter00"));
  EXPECT_EQ(deep->ButtonRect.right - deep->ButtonRect.left, 3 * canvas.TextWidth("0"));
  EXPECT_EQ(deep->Level(), 5);
  EXPECT_EQ(deep->ButtonRect.left, deep->RowRect.left + 5 * h + 4);
  for (std::size_t i = 0; i < m->Rows().size(); ++i) EXPECT_EQ(m->Rows()[i]->RowRect.top, int(i) * h);
  struct Probe {
    TRect R;
    TkcFilterHitPart Part;
    int Value;
  } probes[] = {
      {m->Root()->ButtonRect, fhpRowButton, -1},
      {m->Root()->BoolOperatorRect, fhpBoolOperator, -1},
      {deep->ItemRect, fhpItem, -1},
      {deep->OperatorRect, fhpOperator, -1},
      {deep->Values()->Items(0)->ValueRect, fhpValue, 0},
      {deep->Values()->AddButtonRect, fhpAddValue, -1},
      {f.fc->AddConditionRect(), fhpAddCondition, -1},
      {m->Root()->CaptionRect, fhpNone, -1},
  };
  for (const Probe& p : probes) {
    TkcFilterHitInfo info;
    f.fc->CalculateHitTest(TShiftState{}, TPoint{(p.R.left + p.R.right) / 2, (p.R.top + p.R.bottom) / 2}, info);
    EXPECT_EQ(info.HitPart, p.Part) << int(p.Part);
    EXPECT_EQ(info.ValueIndex, p.Value) << int(p.Part);
  }
  // Painting: the coloured texts and a Null value drawn as "<empty>"; level lines only when on.
  HDC dc = CreateCompatibleDC(HDC());
  HBITMAP bitmap = CreateBitmap(480, 280, 1, 32, nullptr);
  HBITMAP old = SelectObject(dc, bitmap);
  auto paint = [&] {
    StartRecording(dc);
    f.fc->PaintTo(dc, 0, 0);
    return StopRecording(dc);
  };
  auto calls = paint();
  auto textColor = [&](const std::string& AText) {
    for (auto& c : calls)
      if (c.text == AText) return c.textColor;
    return COLORREF(CLR_INVALID);
  };
  EXPECT_EQ(textColor("AND"), COLORREF(clRed));
  EXPECT_EQ(textColor("A"), COLORREF(clGreen));
  EXPECT_EQ(textColor("in"), COLORREF(clMaroon));
  EXPECT_EQ(textColor("<empty>"), COLORREF(clBlue));
  auto pixels = [](const std::vector<GdiRecord>& ACalls) {
    return std::count_if(ACalls.begin(), ACalls.end(), [](const GdiRecord& c) { return c.op == "SetPixel"; });
  };
  EXPECT_GT(pixels(calls), 0);
  f.fc->SetShowLevelLines(false);
  calls = paint();
  EXPECT_EQ(pixels(calls), 0);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(FilterControl, WithoutLinkNothingNeedsItems) {
  ControlFixture f;
  f.fc->SetLink(nullptr);
  f.session.Key(VK_INSERT);
  EXPECT_EQ(f.fc->Model()->Rows().size(), 1u);
  f.fc->Calculate();
  EXPECT_EQ(f.fc->FocusRect(), (TRect{2, 2, f.fc->ClientWidth() - 2, f.fc->ClientHeight() - 2}));
  EXPECT_EQ(f.fc->AddConditionState(), kcbsDisabled);
}

TEST(FilterControl, LinkComponentTakesItsCriteriaAndIsForgottenWhenFreed) {
  ControlFixture f;
  f.fc->SetLink(nullptr);
  auto* component = new TLinkComponent;
  TkcFilterControlModel owner;
  TkcFilterControlCriteria criteria(&owner);
  criteria.AddItem(nullptr, reinterpret_cast<TObject*>(std::intptr_t(20)), foLike, String("a%"), "a%");
  component->Target = &criteria;
  IkcFilterControlLinkSetter* setter = nullptr;
  ASSERT_TRUE(
      Supports(static_cast<TObject*>(f.fc), IkcFilterControlLinkSetter::IID, reinterpret_cast<void**>(&setter)));
  setter->SetLinkComponent(component);
  EXPECT_EQ(f.fc->LinkComponent(), component);
  EXPECT_EQ(f.fc->Model()->Rows().size(), 2u);
  TComponent plain(nullptr);
  f.fc->SetLinkComponent(&plain);  // offers no link: counts as none
  EXPECT_EQ(f.fc->LinkComponent(), nullptr);
  f.fc->SetLinkComponent(component);
  delete component;
  EXPECT_EQ(f.fc->LinkComponent(), nullptr);
  EXPECT_EQ(f.fc->Link(), nullptr);
  EXPECT_EQ(f.fc->Model()->Rows().size(), 1u);
}

TEST(FilterControl, DefaultsAndPartFontsFollowTheFont) {
  ControlFixture f;
  TkcFilterControl fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 300);
  EXPECT_EQ(fresh.Height(), 200);
  EXPECT_EQ(fresh.Color(), clBtnFace);
  EXPECT_FALSE(fresh.ParentColor());
  EXPECT_EQ(fresh.FontBoolOperator()->Color(), clRed);
  EXPECT_EQ(fresh.FontItem()->Color(), clGreen);
  EXPECT_EQ(fresh.FontCondition()->Color(), clMaroon);
  EXPECT_EQ(fresh.FontValue()->Color(), clBlue);
  EXPECT_TRUE(fresh.FontItem()->Style().Contains(fsUnderline));
  EXPECT_FALSE(fresh.FontValue()->Style().Contains(fsUnderline));
  EXPECT_EQ(fresh.NullString(), "<empty>");
  EXPECT_TRUE(fresh.ShowLevelLines());
  EXPECT_FALSE(fresh.WantTabs());
  EXPECT_TRUE(fresh.HotTrackOnUnfocused);
  fresh.Font()->SetHeight(-20);
  fresh.Font()->SetName("Serif");
  for (TFont* part : {fresh.FontBoolOperator(), fresh.FontItem(), fresh.FontCondition(), fresh.FontValue()}) {
    EXPECT_EQ(part->Height(), -20);
    EXPECT_EQ(part->Name(), "Serif");
  }
  EXPECT_EQ(fresh.FontItem()->Color(), clGreen);
}

TEST(FilterControl, HotPartsFollowTheMouseOnlyWhenHotTrackingApplies) {
  ControlFixture f;
  f.session.Key(VK_INSERT);
  f.fc->Calculate();
  TkcCustomRowViewInfo* row = f.fc->Model()->Rows()[1];
  f.session.MoveTo(f.Centre(row->ButtonRect));
  EXPECT_EQ(f.fc->HotInfo().HitPart, fhpRowButton);
  f.fc->Calculate();
  EXPECT_EQ(row->ButtonState, kcbsHot);
  // Unfocused with HotTrackOnUnfocused off: no hot look.
  f.fc->HotTrackOnUnfocused = false;
  auto* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(0, 285, 50, 12);
  other->SetFocus();
  f.session.ProcessMessages();
  f.fc->Calculate();
  EXPECT_EQ(row->ButtonState, kcbsNormal);
}

namespace {
// Column B edits in a combo box of its own.
class TComboLink : public TFakeLink {
public:
  TComboLink() {
    for (const char* item : {"xa", "xb", "yc"}) fCombo.Items()->Add(item);
  }
  TkcCustomEditProperties* GetProperties(int AIndex) override {
    return AIndex == 1 ? &fCombo : TFakeLink::GetProperties(AIndex);
  }

private:
  TkcComboBoxProperties fCombo{nullptr};
};
}  // namespace

// The lists are a drop-down combo box over the clicked text: keys move its highlight, Space
// picks like Enter, Esc closes without a choice. The value editor is an in-place editor of the
// column's kind: a combo box column edits in a combo box whose item is taken on Enter, and
// leaving the editor by a click elsewhere keeps the typed value.
TEST(FilterControl, ListEditorAndPerColumnValueEditors) {
  TFormsSession session;
  TComboLink link;
  TPlainForm form{500, 300};
  auto* fc = new TkcFilterControl(&form);
  fc->SetParent(&form);
  fc->SetBounds(0, 0, 480, 260);
  fc->SetLink(&link);
  auto* other = new TEdit(&form);
  other->SetParent(&form);
  other->SetBounds(0, 270, 80, 20);
  form.Show();
  fc->SetFocus();
  session.ProcessMessages();
  session.Key(VK_INSERT);
  auto cond = [&] { return dynamic_cast<TkcConditionViewInfo*>(fc->FocusInfo().Row); };
  ASSERT_EQ(fc->FocusInfo().HitPart, fhpItem);
  // Item list by keys: it opens on the current item A; Down, then Space takes B.
  session.Key(VK_RETURN, "\r");
  TkcComboBox* list = fc->ListEditor();
  ASSERT_TRUE(list->DroppedDown());
  EXPECT_EQ(fc->OpenEditor(), foeItemList);
  EXPECT_EQ(list->Text(), "A");
  session.Key(VK_DOWN);
  session.Key(VK_SPACE, " ");
  EXPECT_FALSE(list->Visible());
  EXPECT_EQ(fc->OpenEditor(), foeNone);
  EXPECT_EQ(cond()->ItemText, "B");
  EXPECT_EQ(cond()->Operator(), kcoLike);
  EXPECT_TRUE(fc->Focused());
  // Operator list: Esc keeps "like".
  EXPECT_EQ(fc->FocusInfo().HitPart, fhpOperator);
  session.Key(VK_RETURN, "\r");
  ASSERT_TRUE(list->DroppedDown());
  session.Key(VK_DOWN);
  session.Key(VK_ESCAPE, "\x1b");
  EXPECT_FALSE(list->DroppedDown());
  EXPECT_EQ(cond()->Operator(), kcoLike);
  EXPECT_EQ(fc->OpenEditor(), foeNone);
  // The value of B in its combo box: F4, Down to "xb", Enter takes it and closes the editor.
  session.Key(VK_RIGHT);
  EXPECT_EQ(fc->FocusInfo().HitPart, fhpValue);
  session.Key(VK_RETURN, "\r");
  auto* combo = dynamic_cast<TkcComboBox*>(fc->ValueEditor());
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->IsInplace());
  EXPECT_EQ(combo->Properties()->DropDownListStyle(), lsEditList);
  EXPECT_TRUE(combo->Focused());
  session.Key(VK_F4);
  ASSERT_TRUE(combo->DroppedDown());
  session.Key(VK_DOWN);
  session.Key(VK_DOWN);
  session.Key(VK_RETURN, "\r");
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "xb");
  session.Key(VK_RETURN, "\r");
  EXPECT_EQ(fc->ValueEditor(), nullptr);
  EXPECT_EQ(VarToStr(cond()->Values()->Items(0)->Value), "xb");
  EXPECT_EQ(combo->Parent(), nullptr) << "unparented, kept for the next opening";
  // Typing opens the editor with the key; leaving by a click elsewhere accepts the text.
  session.Type("y");
  ASSERT_EQ(fc->ValueEditor(), combo);
  EXPECT_EQ(combo->Text(), "yc");
  session.Click(TFormsSession::At(other, 5, 5));
  EXPECT_EQ(fc->ValueEditor(), nullptr);
  EXPECT_EQ(VarToStr(cond()->Values()->Items(0)->Value), "yc");
  EXPECT_EQ(fc->GetFilterText(), "(B LIKE 'yc')");
}
