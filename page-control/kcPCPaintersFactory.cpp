#include "page-control/kcPCPaintersFactory.h"

#include <algorithm>

#include "controls/kcLocalize.h"
#include "page-control/kcPCPainters.h"

namespace {
TkcPCPaintersFactory* gFactory = nullptr;

[[noreturn]] void FactoryError(const char* AOperation, const String& AText) {
  throw Exception(String("TkcPCPaintersFactory.") + AOperation + ": " + LocalizeText(AText));
}
}  // namespace

TkcPCPainterClass TkcPCPaintersFactory::GetPainterClass(TkcPCStyleID AStyleID) const {
  for (TkcPCPainterClass c : fPainterClassList)
    if (c->GetStyleID() == AStyleID) return c;
  return nullptr;
}

TkcPCStyleID TkcPCPaintersFactory::GetStyleIDByLookAndFeel(TkcLookAndFeel* ALookAndFeel) const {
  for (auto it = fPainterClassList.rbegin(); it != fPainterClassList.rend(); ++it)
    if ((*it)->HasLookAndFeel(ALookAndFeel)) return (*it)->GetStyleID();
  return -1;
}

TkcPCStyleID TkcPCPaintersFactory::GetDefaultStyleID(TkcLookAndFeel* ALookAndFeel) const {
  if (fPainterClassList.empty()) FactoryError("GetDefaultStyleID", "There are no styles registered");
  TkcPCStyleID result = fPainterClassList.front()->GetStyleID();
  for (auto it = fPainterClassList.rbegin(); it != fPainterClassList.rend(); ++it)
    if ((*it)->IsDefaultForLookAndFeel(ALookAndFeel)) return (*it)->GetStyleID();
  return result;
}

TkcPCCustomPainter* TkcPCPaintersFactory::GetPainterInstance(TkcPCPainterClass APainterClass,
                                                             TkcCustomTabControl* AParent) const {
  if (!APainterClass) FactoryError("GetPainterInstance", "PCPainterClass is nil");
  return APainterClass->Create(AParent);
}

void RegisterPCPainterClass(TkcPCPainterClass APainterClass) {
  if (!gFactory) gFactory = new TkcPCPaintersFactory;
  auto& list = gFactory->fPainterClassList;
  if (std::find(list.begin(), list.end(), APainterClass) == list.end()) list.push_back(APainterClass);
}

void UnregisterPCPainterClass(TkcPCPainterClass APainterClass) {
  if (!gFactory) return;
  auto& list = gFactory->fPainterClassList;
  list.erase(std::remove(list.begin(), list.end(), APainterClass), list.end());
  if (list.empty()) {
    delete gFactory;
    gFactory = nullptr;
  }
}

TkcPCPaintersFactory* PaintersFactory() { return gFactory; }

void TkcPCPaintersFactory::FreePainter(TkcPCCustomPainter* APainter) const { delete APainter; }
