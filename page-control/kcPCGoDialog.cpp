#include "page-control/kcPCGoDialog.h"

#include <algorithm>

#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"
#include "platform/core/Utf8.h"

String StripAccelChars(const String& AText) {
  String r;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] == '&') {
      if (++i >= AText.size()) break;
    }
    r += AText[i];
  }
  return r;
}

TkcPCGoDialog::TkcPCGoDialog(TkcCustomTabControl* AOwner) : TPopupMenu(nullptr), fTabControl(AOwner) {}

void TkcPCGoDialog::BuildItems(bool ASorted) {
  struct Entry {
    String Key;
    TkcTab* Tab;
  };
  std::vector<Entry> entries;
  TkcTabs* tabs = fTabControl->Tabs();
  for (int i = 0; i < tabs->VisibleCount(); ++i) {
    TkcTab* t = tabs->GetVisibleTab(i);
    if (t->RealEnabled()) entries.push_back({StripAccelChars(t->Caption()), t});
  }
  if (ASorted)
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return Utf8LowerCase(a.Key) < Utf8LowerCase(b.Key); });
  Items()->Clear();
  for (const Entry& e : entries) {
    auto* item = new TMenuItem(this);
    item->SetCaption(e.Tab->Caption());
    item->SetTag(e.Tab->Index());
    item->OnClick = [this](TObject* Sender) {
      if (OnSelectTab) OnSelectTab(int(static_cast<TMenuItem*>(Sender)->Tag()));
    };
    Items()->Add(item);
  }
}

void TkcPCGoDialog::Popup(bool ASorted) {
  BuildItems(ASorted);
  TRect r{};
  if (fTabControl->Painter()) fTabControl->Painter()->GetGoDialogButtonBounds(r);
  TPoint p = fTabControl->ClientToScreen(TPoint{r.left, r.bottom});
  TPopupMenu::Popup(p.x, p.y);
}
