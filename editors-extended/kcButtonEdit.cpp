#include "editors-extended/kcButtonEdit.h"

#include "editors/kcEditViewInfo.h"
#include "platform/forms/Menus.h"

TkcCustomButtonEditProperties::TkcCustomButtonEditProperties(TPersistent* AOwner)
    : TkcCustomMaskEditProperties(AOwner) {
  Buttons()->Add()->SetKind(bkEllipsis);
}

TClass TkcCustomButtonEditProperties::GetContainerClass() { return TkcButtonEdit::StaticClass(); }

void TkcCustomButtonEdit::DoButtonClick(int AButtonIndex) {
  if (Properties()->OnButtonClick) Properties()->OnButtonClick(this, AButtonIndex);
  if (RepositoryItem() && RepositoryItem()->Properties()->OnButtonClick)
    RepositoryItem()->Properties()->OnButtonClick(this, AButtonIndex);
}

void TkcCustomButtonEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcCustomMaskEdit::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TkcCustomEditViewInfo* info = EditViewInfo();
  const int at = info->ButtonAt(POINT{X, Y});
  if (at >= 0 && at < static_cast<int>(info->ButtonsInfo.size())) DoButtonClick(info->ButtonsInfo[at]->Index);
}

void TkcCustomButtonEdit::KeyDown(WORD& Key, TShiftState Shift) {
  // The click key presses the default button (else the first visible one).
  TkcCustomEditProperties* p = GetEffectiveProperties();
  if (p->ClickKey != 0 && ShortCut(Key, Shift) == p->ClickKey && p->Buttons()->VisibleCount() > 0) {
    int index = -1;
    for (int i = 0; i < p->Buttons()->Count(); ++i) {
      TkcEditButton* b = p->Buttons()->Items(i);
      if (!b->Visible()) continue;
      if (index < 0 || b->Default()) index = i;
      if (b->Default()) break;
    }
    Key = 0;
    DoButtonClick(index);
    return;
  }
  TkcCustomMaskEdit::KeyDown(Key, Shift);
}
