// Repository items share one properties object with their listeners; the kinds registry.

#include <gtest/gtest.h>

#include "data/kcFilter.h"
#include "editors/kcEditRepository.h"
#include "editors/kcTextEdit.h"

namespace {

class TListener : public IkcEditRepositoryItemListener {
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override {
    return GetInterfaceOf<IkcEditRepositoryItemListener>(this, IID, Obj);
  }
  void ItemRemoved(TkcEditRepositoryItem*) override { ++removed; }
  void PropertiesChanged(TkcEditRepositoryItem*) override { ++changed; }
  int removed = 0, changed = 0;
};

TEST(EditRepository, ItemsShareTheirPropertiesAndTellListeners) {
  TkcEditRepository repository(nullptr);
  repository.SetName("R1");
  auto* item = repository.AddNewItem(TkcEditRepositoryItemClass::Of<TkcEditRepositoryTextItem>());
  EXPECT_EQ(repository.Count(), 1);
  EXPECT_EQ(item->GetBaseName(), "R1TextItem");
  EXPECT_TRUE(item->Properties()->InheritsFrom(TkcTextEditProperties::StaticClass()));

  TListener a, b;
  item->AddListener(&a);
  item->AddListener(&a);  // once only
  item->AddListener(&b);
  EXPECT_EQ(item->ListenerCount(), 2);
  static_cast<TkcTextEditProperties*>(item->Properties())->SetCharCase(TEditCharCase::ecUpperCase);
  EXPECT_EQ(a.changed, 1);
  EXPECT_EQ(b.changed, 1);

  item->Free();
  EXPECT_EQ(a.removed, 1);
  EXPECT_EQ(b.removed, 1);
  EXPECT_EQ(repository.Count(), 0);

  repository.AddNewItem(TkcEditRepositoryItemClass::Of<TkcEditRepositoryItem>());
  repository.AddNewItem(TkcEditRepositoryItemClass::Of<TkcEditRepositoryTextItem>());
  EXPECT_EQ(repository.Items(0)->GetBaseName(), "R1Item");
  repository.Clear();
  EXPECT_EQ(repository.Count(), 0);
}

TEST(EditRepository, KindsRegistryIsSortedWithOneEntryPerKind) {
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  const int count = registry->Count();
  registry->Register(TkcTextEditProperties::StaticClass(), "TextEdit|Represents a single line text editor");
  EXPECT_EQ(registry->Count(), count);
  int text = -1;
  for (int i = 0; i < registry->Count(); ++i)
    if (registry->Items(i) == TkcTextEditProperties::StaticClass()) text = i;
  ASSERT_GE(text, 0);
  EXPECT_EQ(registry->Text(text), "TextEdit|Represents a single line text editor");
  EXPECT_TRUE(registry->Sorted());
}

TEST(EditRepository, StartUpInstallsTheFilterTextHook) { EXPECT_EQ(GetFilterDisplayTextHook(), &LocalizeText); }

TEST(EditRepository, SharedHelpers) {
  EXPECT_TRUE(VarEqualsWithType(Variant(1), Variant(1)));
  EXPECT_FALSE(VarEqualsWithType(Variant(1), Variant(1.0)));
  EXPECT_FALSE(VarEqualsWithType(Variant(String("1")), Variant(1)));
  for (char32_t c : {0, 9, 10, 12, 13, 32}) EXPECT_TRUE(IsSpaceChar(c)) << int(c);
  EXPECT_FALSE(IsSpaceChar(11));
  TSize size{3, 9};
  EnlargeSize(size, TSize{5, 2});
  EXPECT_EQ(size.cx, 5);
  EXPECT_EQ(size.cy, 9);
}

}  // namespace
