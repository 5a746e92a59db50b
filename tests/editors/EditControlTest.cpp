// The edit control with real input: its source's defaults, edit buttons under the mouse
// capture, the click key and button hot keys, in-place activation by the mouse with the
// double click that follows it, auto size.

#include <gtest/gtest.h>

#include "editors/kcTextEditControl.h"
#include "platform/forms/StdCtrls.h"
#include "platform/gdi/WinGdi.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

// A source that is there but does not allow changes.
class TReadOnlyProvider : public TkcCustomEditDefaultValuesProvider {
  VT_CLASS(TReadOnlyProvider, TkcCustomEditDefaultValuesProvider)
public:
  bool GetDefaultReadOnly() override { return true; }
  bool CanModifyValue() override { return false; }
};

class TReadOnlyBinding : public TkcEditDataBinding {
  VT_CLASS(TReadOnlyBinding, TkcEditDataBinding)
public:
  using TkcEditDataBinding::TkcEditDataBinding;
  TClass GetDefaultValuesProviderClass() override { return TReadOnlyProvider::StaticClass(); }
};

class TBoundEdit : public TkcTextEdit {
  VT_CLASS(TBoundEdit, TkcTextEdit)
public:
  TBoundEdit(TComponent* AOwner, bool AIsInplace) : TkcTextEdit(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcEditDataBindingClass GetDataBindingClass() override { return TReadOnlyBinding::StaticClass(); }
};

// An editor kind that keeps state for the grid across activations.
class TDataEdit : public TkcTextEdit {
  VT_CLASS(TDataEdit, TkcTextEdit)
public:
  TDataEdit(TComponent* AOwner, bool AIsInplace) : TkcTextEdit(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcCustomEditDataClass GetEditDataClass() override { return TkcCustomEditData::StaticClass(); }
  void InitializeEditData() override { ++Initializations; }
  int Initializations = 0;
};

struct EditFixture {
  TFormsSession session;
  TPlainForm form;
  TEdit* other;
  EditFixture() {
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(300, 10, 50, 20);
    form.Show();
    session.ProcessMessages();
  }
  template <class T>
  T* Add(T* edit, int x, int y) {
    edit->SetParent(&form);
    edit->SetBounds(x, y, 120, 21);
    session.ProcessMessages();
    return edit;
  }
};


}  // namespace

TEST(KcEditControl, SourceDefaultsReachTheEditThroughItsBinding) {
  EditFixture f;
  auto* plain = f.Add(new TkcTextEdit(&f.form), 10, 10);
  // The base binding: a source that is always there, editable, and stores nothing.
  EXPECT_EQ(plain->DataBinding()->Edit(), plain);
  EXPECT_TRUE(plain->DataBinding()->IsDataSourceActive());
  EXPECT_TRUE(plain->CanModify());
  EXPECT_EQ(plain->Properties()->DefaultValuesProvider(), plain->DataBinding()->GetIDefaultValuesProvider());

  // A source that refuses changes makes the editor read-only unless the properties say otherwise.
  auto* bound = f.Add(new TBoundEdit(&f.form, false), 10, 40);
  EXPECT_TRUE(bound->IsReadOnly());
  EXPECT_FALSE(bound->CanModify());
  bound->SetFocus();
  f.session.Type("ab");
  EXPECT_EQ(bound->Text(), "");
  bound->Properties()->SetReadOnly(false);
  EXPECT_TRUE(bound->CanModify());
  f.session.Type("ab");
  EXPECT_EQ(bound->Text(), "ab");

  // A shared repository item answers with the defaults of the edit that reads it.
  TkcEditRepository repository(nullptr);
  auto* item = repository.AddNewItem(TkcEditRepositoryTextItem::StaticClass());
  TBoundEdit* second = f.Add(new TBoundEdit(&f.form, false), 10, 70);
  second->SetRepositoryItem(item);
  EXPECT_TRUE(second->GetEffectiveProperties()->ReadOnly());
  EXPECT_EQ(second->Properties()->DefaultValuesProvider(), nullptr);
  plain->SetRepositoryItem(item);
  EXPECT_FALSE(plain->GetEffectiveProperties()->ReadOnly());
  delete item;
}

TEST(KcEditControl, EditDataOutlivesItsEditorAndIsInitializedWhileInUse) {
  EditFixture f;
  auto* edit = f.Add(new TDataEdit(&f.form, true), 10, 10);
  TkcCustomEditData* data = nullptr;
  edit->Activate(data);
  ASSERT_NE(data, nullptr);
  std::unique_ptr<TkcCustomEditData> owned(data);
  EXPECT_EQ(edit->Initializations, 1);
  EXPECT_FALSE(data->Cleared);
  // Cleared while its editor uses it: initialized again at once.
  data->Clear();
  EXPECT_EQ(edit->Initializations, 2);
  EXPECT_FALSE(data->Cleared);
  edit->Activate(data);  // the same data again, nothing to initialize
  EXPECT_EQ(edit->Initializations, 2);
  // Once the editor is gone the data forgets it and stays cleared.
  delete edit;
  EXPECT_EQ(data->Edit, nullptr);
  data->Clear();
  EXPECT_TRUE(data->Cleared);
}

TEST(KcEditControl, ButtonsClickOnReleaseOverThemUnderTheCapture) {
  EditFixture f;
  auto* edit = new TkcTextEdit(&f.form);
  TkcEditButton* button = edit->Properties()->Buttons()->Add();
  button->SetKind(bkText);
  button->SetCaption("&Go");
  button->SetDefault(true);
  std::vector<int> clicks;
  edit->Properties()->OnButtonClick = [&](TObject*, int index) { clicks.push_back(index); };
  int keyDowns = 0;
  edit->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++keyDowns; };
  f.Add(edit, 10, 10);
  TkcCustomEditViewInfo* info = edit->EditViewInfo();
  ASSERT_EQ(info->ButtonsInfo.size(), 1u);
  const TRect b = info->ButtonsInfo[0]->Bounds;
  const POINT on = TFormsSession::At(edit, (b.left + b.right) / 2, (b.top + b.bottom) / 2);
  const POINT off = TFormsSession::At(edit, 5, 5);

  f.session.MoveTo(on);
  EXPECT_EQ(info->HotButton, 0);
  f.session.Press();
  EXPECT_EQ(info->PressedButton, 0);
  EXPECT_EQ(edit->CapturedButton(), 0);
  EXPECT_TRUE(info->ContainerState.Contains(csHotTrack));  // hot while it holds the capture
  f.session.Release();
  EXPECT_EQ(clicks, std::vector<int>{0});
  EXPECT_EQ(edit->CapturedButton(), -1);

  // Dragged off, the button comes up; dragged back it is pressed again; released off it, no click.
  f.session.Press();
  f.session.MoveTo(off);
  EXPECT_EQ(info->PressedButton, -1);
  f.session.MoveTo(on);
  EXPECT_EQ(info->PressedButton, 0);
  f.session.MoveTo(off);
  f.session.Release();
  EXPECT_EQ(clicks.size(), 1u);

  // The click key clicks the default button; neither OnKeyDown nor the text sees it.
  edit->SetFocus();
  f.session.ProcessMessages();
  keyDowns = 0;
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_RETURN, "\r");
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(clicks.size(), 2u);
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(keyDowns, 1);  // Ctrl alone

  // The caption's hot key clicks it too; another character is left to the form.
  EXPECT_EQ(edit->Perform(CM_DIALOGCHAR, 'g', 0), 1);
  EXPECT_EQ(edit->Perform(CM_DIALOGCHAR, 'x', 0), 0);
  EXPECT_EQ(clicks.size(), 3u);
  button->SetEnabled(false);
  EXPECT_EQ(edit->Perform(CM_DIALOGCHAR, 'g', 0), 0);
  EXPECT_EQ(clicks.size(), 3u);
}

TEST(KcEditControl, MouseActivationMakesTheNextPressADoubleClick) {
  EditFixture f;
  auto* edit = new TkcTextEdit(&f.form, true);
  edit->SetVisible(false);
  f.Add(edit, 20, 50);
  int doubleClicks = 0;
  edit->OnDblClick = [&](TObject*) { ++doubleClicks; };
  TkcCustomEditData* data = nullptr;
  // The grid opens the editor with the press it received (parent coordinates).
  edit->ActivateByMouse(TShiftState{ssLeft}, 30, 60, data);
  EXPECT_TRUE(edit->Visible());
  EXPECT_TRUE(edit->InnerTextEdit()->Focused());
  EXPECT_FALSE(edit->MouseCapture());  // the press that opened it was already over
  EXPECT_TRUE(edit->IsDblClickTimerEnabled());
  f.session.Advance(100);
  f.session.Click(TFormsSession::At(&f.form, 30, 60));
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_FALSE(edit->IsDblClickTimerEnabled());

  // After the double-click time the next press is an ordinary one.
  edit->ActivateByMouse(TShiftState{ssLeft}, 30, 60, data);
  f.session.Advance(GetDblClickInterval() + 10);
  EXPECT_FALSE(edit->IsDblClickTimerEnabled());
  f.session.Click(TFormsSession::At(&f.form, 30, 60));
  EXPECT_EQ(doubleClicks, 1);
}

TEST(KcEditControl, AutoSizeTakesTheHeightTheKindNeeds) {
  EditFixture f;
  auto* edit = f.Add(new TkcTextEdit(&f.form), 10, 10);
  EXPECT_TRUE(edit->AutoSize());
  const int autoHeight = edit->Height();
  edit->SetBounds(10, 10, 150, 60);
  EXPECT_EQ(edit->Height(), autoHeight);
  EXPECT_EQ(edit->Width(), 150);
  // A shadow below the frame needs three more pixels.
  edit->Style()->SetShadow(true);
  f.session.ProcessMessages();
  EXPECT_EQ(edit->Height(), autoHeight + 3);
  // Without auto size, or aligned to fill its parent's height, the height is the caller's.
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 150, 60);
  EXPECT_EQ(edit->Height(), 60);
  edit->SetAutoSize(true);
  EXPECT_NE(edit->Height(), 60);
  edit->SetAlign(alLeft);
  edit->SetBounds(0, 0, 150, 60);
  EXPECT_EQ(edit->Height(), f.form.ClientHeight());
  // In place the grid gives the size.
  auto* inplace = f.Add(new TkcTextEdit(&f.form, true), 200, 100);
  EXPECT_FALSE(inplace->AutoSize());
  inplace->SetBounds(200, 100, 80, 40);
  EXPECT_EQ(inplace->Height(), 40);
}

namespace {

// A source that records what the edit stores.
class TRecordingBinding : public TkcEditDataBinding {
  VT_CLASS(TRecordingBinding, TkcEditDataBinding)
public:
  using TkcEditDataBinding::TkcEditDataBinding;
  void StoreValue(const Variant& AValue) override { Stored.push_back(VarToStr(AValue)); }
  bool SetEditMode() override { return Editable; }
  std::vector<String> Stored;
  bool Editable = true;
};

class TRecordedEdit : public TkcTextEdit {
  VT_CLASS(TRecordedEdit, TkcTextEdit)
public:
  explicit TRecordedEdit(TComponent* AOwner) : TkcTextEdit(AOwner, false, TDeferCreation{}) { Initialize(); }
  TkcEditDataBindingClass GetDataBindingClass() override { return TRecordingBinding::StaticClass(); }
  std::vector<String>& Stored() { return static_cast<TRecordingBinding*>(DataBinding())->Stored; }
};

}  // namespace

TEST(KcEditControl, ChangesAreStoredOnExitAndEnterAndPostFailuresAreShown) {
  EditFixture f;
  auto* edit = f.Add(new TRecordedEdit(&f.form), 10, 10);
  edit->SetFocus();
  f.session.Type("ab");
  f.other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(edit->Stored(), std::vector<String>{"ab"});
  EXPECT_FALSE(edit->ModifiedAfterEnter());
  // Leaving without a change stores nothing.
  edit->SetFocus();
  f.other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(edit->Stored().size(), 1u);
  // With ValidateOnEnter, Enter stores at once.
  edit->Properties()->ValidateOnEnter = true;
  edit->SetFocus();
  f.session.Type("c");  // replaces the text selected on entry
  f.session.Key(VK_RETURN, "\r");
  EXPECT_EQ(edit->Stored(), (std::vector<String>{"ab", "c"}));
  // A source that cannot enter its edit mode refuses typing.
  static_cast<TRecordingBinding*>(edit->DataBinding())->Editable = false;
  edit->SetEditValue(Variant(String("kept")));
  f.session.Type("z");
  EXPECT_EQ(edit->Text(), "kept");
  static_cast<TRecordingBinding*>(edit->DataBinding())->Editable = true;

  // In place, a failing post reaches the application's handler, not the caller, and the value
  // stays modified.
  auto* inplace = f.Add(new TkcTextEdit(&f.form, true), 10, 40);
  inplace->OnPostEditValue = [](TObject*) { throw Exception("Cannot post"); };
  String shown;
  Application->OnException = [&](TObject*, Exception& e) { shown = e.Message(); };
  inplace->Activate();
  f.session.Type("x");
  EXPECT_NO_THROW(inplace->PostEditValue());
  EXPECT_EQ(shown, "Cannot post");
  EXPECT_TRUE(inplace->EditModified());
}

namespace {

class TGroupedProperties : public TkcTextEditProperties {
  VT_CLASS(TGroupedProperties, TkcTextEditProperties)
public:
  explicit TGroupedProperties(TPersistent* AOwner) : TkcTextEditProperties(AOwner) {}
  bool IsEditValueNumeric() override { return true; }
  bool IsThousandSeparatorShown(bool) override { return true; }
};

class TGroupedEdit : public TkcTextEdit {
  VT_CLASS(TGroupedEdit, TkcTextEdit)
public:
  explicit TGroupedEdit(TComponent* AOwner) : TkcTextEdit(AOwner, false, TDeferCreation{}) { Initialize(); }
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TGroupedProperties::StaticClass(); }
};

}  // namespace

TEST(KcEditControl, TypedNumbersKeepTheirThousandGroups) {
  EditFixture f;
  auto* edit = f.Add(new TGroupedEdit(&f.form), 10, 10);
  edit->SetFocus();
  f.session.Type("1234567");
  EXPECT_EQ(edit->Text(), "1,234,567");
  EXPECT_EQ(edit->SelStart(), 9);
  // Typed in the middle, the caret stays after the digit typed.
  edit->SetSelStart(1);  // after "1"
  f.session.Type("0");
  EXPECT_EQ(edit->Text(), "10,234,567");
  EXPECT_EQ(edit->SelStart(), 2);
  // A text that is no number is left as typed.
  f.session.Type("x");
  EXPECT_EQ(edit->Text(), "10x,234,567");
}

TEST(KcEditControl, UnfocusedRightAlignedTextIsPaintedByTheEditor) {
  EditFixture f;
  auto* edit = new TkcTextEdit(&f.form);
  edit->Properties()->Alignment()->SetHorz(taRightJustify);
  edit->Properties()->SetUseLeftAlignmentOnEditing(false);
  f.Add(edit, 10, 10);
  edit->SetEditValue(Variant(String("right")));
  f.session.ProcessMessages();
  EXPECT_FALSE(edit->InnerTextEdit()->Visible());
  auto paintedTexts = [&] {
    std::vector<String> texts;
    for (const GdiRecord& r : RecordPainting(edit))
      if (!r.text.empty()) texts.push_back(r.text);
    return texts;
  };
  EXPECT_EQ(paintedTexts(), std::vector<String>{"right"});
  // Focused, the inner window shows and edits the text.
  edit->SetFocus();
  f.session.ProcessMessages();
  EXPECT_TRUE(edit->InnerTextEdit()->Visible());
  EXPECT_TRUE(edit->InnerTextEdit()->Focused());
  f.session.Type("ward");
  EXPECT_EQ(edit->Text(), "ward");
  // Left again, the editor paints the new text itself.
  f.other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_FALSE(edit->InnerTextEdit()->Visible());
  EXPECT_EQ(paintedTexts(), std::vector<String>{"ward"});
}

TEST(KcEditControl, InnerWindowSitsWhereTheEditorDrawsItsText) {
  EditFixture f;
  for (TkcEditVertAlignment vert : {taTopJustify, taVCenter, taBottomJustify}) {
    auto* edit = new TkcTextEdit(&f.form);
    edit->SetAutoSize(false);
    edit->Properties()->Alignment()->SetHorz(taCenter);
    edit->Properties()->Alignment()->SetVert(vert);
    edit->SetParent(&f.form);
    edit->SetBounds(10, 40, 120, 40);
    edit->SetEditValue(Variant(String("text")));
    f.session.ProcessMessages();
    // Inactive, the editor draws the text; active, the inner window shows it at the same height.
    int textTop = -1;
    for (const GdiRecord& r : RecordPainting(edit))
      if (r.text == "text" && !r.points.empty()) textTop = r.points[0].y;
    edit->SetFocus();
    f.session.ProcessMessages();
    ASSERT_TRUE(edit->InnerTextEdit()->Visible());
    EXPECT_EQ(edit->InnerTextEdit()->Top(), textTop) << vert;
    f.other->SetFocus();
    delete edit;
  }
}

TEST(KcEditControl, TabLeavesTheEditorUnlessCtrlIsHeld) {
  EditFixture f;
  auto* edit = f.Add(new TkcTextEdit(&f.form), 10, 10);
  f.other->SetTabOrder(1);
  edit->SetFocus();
  f.session.ProcessMessages();
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_TAB, "\t");
  f.session.KeyUp(VK_CONTROL);
  EXPECT_TRUE(edit->InnerTextEdit()->Focused());
  EXPECT_EQ(edit->Text(), "");
  f.session.Key(VK_TAB, "\t");
  EXPECT_TRUE(f.other->Focused());
  EXPECT_EQ(edit->Text(), "");
}
