// The registry of repository items by type id and version, and the default kinds per value
// type and per field type.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcButtonEdit.h"
#include "editors-extended/kcCalcEdit.h"
#include "editors-extended/kcCheckBox.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "editors-extended/kcEditDataRegisteredRepositoryItems.h"
#include "editors-extended/kcEditRepositoryItems.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcImageComboBox.h"
#include "editors-extended/kcMRUEdit.h"
#include "editors-extended/kcMemo.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors-extended/kcSpinEdit.h"
#include "editors-extended/kcTimeEdit.h"
#include "platform/db/DBClient.h"

namespace {

class TRegistry : public TkcEditRegisteredRepositoryItems {
public:
  using TkcEditRegisteredRepositoryItems::InsertEntry;
};

struct RegisteredItems : ::testing::Test {
  TkcEditRepository repository{nullptr};
  TkcEditRepositoryItem* NewItem() {
    return repository.AddNewItem(TkcEditRepositoryItemClass::Of<TkcEditRepositoryTextItem>());
  }
  static std::vector<std::pair<int, int>> Keys(const TkcEditRepositoryItemEntries& entries) {
    std::vector<std::pair<int, int>> keys;
    for (const auto& e : entries) keys.emplace_back(e.TypeId, e.Version);
    return keys;
  }
};

TEST_F(RegisteredItems, EntriesSortDescendingAndKeepTheFirstOfAKey) {
  TRegistry registry;
  auto *a = NewItem(), *b = NewItem(), *c = NewItem(), *d = NewItem();
  registry.AddItem(10, -1, a);
  registry.AddItem(3, -1, b);
  registry.AddItem(10, 5, c);
  EXPECT_EQ(Keys(registry.Entries()), (std::vector<std::pair<int, int>>{{10, 5}, {10, -1}, {3, -1}}));

  TkcEditRepositoryItemEntries copy = registry.Entries();
  const int first = registry.InsertEntry(copy, 10, d, -1);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(copy[1].Item, a);
  EXPECT_EQ(d->ListenerCount(), 0) << "a refused item is not listened to";

  EXPECT_EQ(registry.FindItem(3), b);
  EXPECT_EQ(registry.FindItem(7), nullptr) << "no default entry";
  registry.AddDefaultItem(-1, d);
  registry.AddItem(0, -1, b);
  EXPECT_EQ(registry.FindItem(0), d) << "type id 0 always answers the default";
  EXPECT_EQ(registry.FindItem(7), d);
  registry.RemoveItem(3, 42);
  EXPECT_EQ(registry.FindItem(3), b) << "an unregistered version changes nothing";
}

TEST_F(RegisteredItems, AnItemHeldTwiceIsForgottenEverywhereWhenDestroyed) {
  TRegistry registry;
  auto *shared = NewItem(), *other = NewItem();
  registry.AddDefaultItem(-1, shared);
  registry.AddItem(4, -1, shared);
  registry.AddItem(9, -1, shared);
  registry.AddItem(5, -1, other);
  // Dropping one entry must not stop the registry hearing of the item's end.
  registry.RemoveItem(9, -1);
  shared->Free();
  EXPECT_EQ(registry.FindDefaultItem(), nullptr);
  EXPECT_EQ(Keys(registry.Entries()), (std::vector<std::pair<int, int>>{{5, -1}}));
  EXPECT_EQ(other->ListenerCount(), 1);
}

TEST_F(RegisteredItems, RepositoryItemAssignKeepsItsOwnProperties) {
  auto* item = repository.AddNewItem(TkcEditRepositoryItemClass::Of<TkcEditRepositoryMemoItem>());
  auto* own = static_cast<TkcMemoProperties*>(item->Properties());
  TkcMemoProperties source(nullptr);
  source.SetWantTabs(true);
  source.SetVisibleLineCount(4);
  item->SetProperties(&source);
  EXPECT_EQ(item->Properties(), own);
  EXPECT_TRUE(own->WantTabs());
  EXPECT_EQ(own->VisibleLineCount(), 4);
}

// The whole field-type table: every ordinal's kind by its properties' item class.
TEST(DefaultEditorKinds, PerFieldType) {
  InitializeExtendedEditors();
  TkcEditDBRegisteredRepositoryItems* registry = GetEditDBRegisteredRepositoryItems();
  TkcEditRepositoryItem* mask = registry->FindDefaultItem();
  ASSERT_NE(mask, nullptr);
  EXPECT_TRUE(mask->InheritsFrom(TkcEditRepositoryMaskItem::StaticClass()));
  const std::map<TFieldType, TClass> own = {
      {ftBoolean, TkcEditRepositoryCheckBoxItem::StaticClass()},
      {ftDate, TkcEditRepositoryDateItem::StaticClass()},
      {ftTime, TkcEditRepositoryTimeItem::StaticClass()},
      {ftDateTime, TkcEditRepositoryDateItem::StaticClass()},
      {ftBytes, TkcEditRepositoryBlobItem::StaticClass()},
      {ftVarBytes, TkcEditRepositoryBlobItem::StaticClass()},
      {ftBlob, TkcEditRepositoryBlobItem::StaticClass()},
      {ftMemo, TkcEditRepositoryMemoItem::StaticClass()},
      {ftGraphic, TkcEditRepositoryImageItem::StaticClass()},
      {ftFmtMemo, TkcEditRepositoryBlobItem::StaticClass()},
      {ftParadoxOle, TkcEditRepositoryBlobItem::StaticClass()},
      {ftDBaseOle, TkcEditRepositoryBlobItem::StaticClass()},
      {ftTypedBinary, TkcEditRepositoryBlobItem::StaticClass()},
      {ftTimeStamp, TkcEditRepositoryDateItem::StaticClass()},
  };
  for (int ordinal = ftUnknown; ordinal <= ftOraInterval; ++ordinal) {
    const auto type = static_cast<TFieldType>(ordinal);
    TkcEditRepositoryItem* item = registry->FindItemByFieldType(type);
    ASSERT_NE(item, nullptr) << ordinal;
    const auto it = own.find(type);
    if (it == own.end())
      EXPECT_EQ(item, mask) << ordinal;
    else
      EXPECT_EQ(item->ClassType(), it->second) << ordinal;
  }
  EXPECT_NE(registry->FindItemByFieldType(ftDate), registry->FindItemByFieldType(ftDateTime))
      << "each row has an item of its own";
  EXPECT_TRUE(registry->FindItemByFieldType(ftMemo)->Properties()->InheritsFrom(TkcMemoProperties::StaticClass()));
  EXPECT_TRUE(registry->FindItemByFieldType(ftBlob)->Properties()->InheritsFrom(TkcBlobEditProperties::StaticClass()));
  EXPECT_TRUE(registry->FindItemByFieldType(ftGraphic)->Properties()->InheritsFrom(TkcImageProperties::StaticClass()));
  EXPECT_TRUE(
      registry->FindItemByFieldType(ftBoolean)->Properties()->InheritsFrom(TkcCheckBoxProperties::StaticClass()));
  EXPECT_TRUE(registry->FindItemByFieldType(ftDate)->Properties()->InheritsFrom(TkcDateEditProperties::StaticClass()));
  EXPECT_TRUE(registry->FindItemByFieldType(ftTime)->Properties()->InheritsFrom(TkcTimeEditProperties::StaticClass()));
}

TEST(DefaultEditorKinds, PerFieldCurrencyAndLookupFirst) {
  InitializeExtendedEditors();
  TkcEditDBRegisteredRepositoryItems* registry = GetEditDBRegisteredRepositoryItems();
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("S", ftString, 10);
  ds.FieldDefs().Add("F", ftFloat);
  ds.FieldDefs().Add("B", ftBCD);
  ds.FieldDefs().Add("C", ftCurrency);
  ds.FieldDefs().Add("D", ftDate);
  ds.FieldDefs().Add("T", ftTime);
  ds.CreateDataSet();
  TkcEditRepositoryItem* mask = registry->FindDefaultItem();
  TkcEditRepositoryItem* currency = registry->FindCurrencyItem();
  EXPECT_TRUE(currency->Properties()->InheritsFrom(TkcCurrencyEditProperties::StaticClass()));
  EXPECT_EQ(registry->GetItemByField(nullptr), mask);
  EXPECT_EQ(registry->GetItemByField(ds.FieldByName("S")), mask);
  EXPECT_EQ(registry->GetItemByField(ds.FieldByName("F")), mask);
  EXPECT_EQ(registry->GetItemByField(ds.FieldByName("D")), registry->FindItemByFieldType(ftDate));
  EXPECT_EQ(registry->GetItemByField(ds.FieldByName("T")), registry->FindItemByFieldType(ftTime));

  auto* bcd = static_cast<TBCDField*>(ds.FieldByName("B"));
  EXPECT_EQ(registry->GetItemByField(bcd), mask);
  bcd->SetCurrency(true);
  EXPECT_EQ(registry->GetItemByField(bcd), currency);
  // A currency field shows currency only while its setting is on.
  auto* cur = static_cast<TFloatField*>(ds.FieldByName("C"));
  EXPECT_EQ(registry->GetItemByField(cur), cur->Currency() ? currency : mask);
  cur->SetCurrency(false);
  EXPECT_EQ(registry->GetItemByField(cur), mask);

  bcd->SetFieldKind(fkLookup);
  EXPECT_EQ(registry->GetItemByField(bcd), registry->FindLookupItem());
  EXPECT_TRUE(registry->FindLookupItem()->InheritsFrom(TkcEditRepositoryLookupComboBoxItem::StaticClass()));
}

TEST(DefaultEditorKinds, PerValueType) {
  InitializeExtendedEditors();
  TkcEditDataRegisteredRepositoryItems* registry = GetEditDataRegisteredRepositoryItems();
  TkcEditRepositoryItem* text = registry->FindDefaultItem();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->InheritsFrom(TkcEditRepositoryTextItem::StaticClass()));
  const std::vector<std::pair<TkcValueTypeClass, TClass>> rows = {
      {nullptr, TkcEditRepositoryTextItem::StaticClass()},
      {TkcStringValueType::Class(), TkcEditRepositoryTextItem::StaticClass()},
      {TkcIntegerValueType::Class(), TkcEditRepositoryTextItem::StaticClass()},
      {TkcFloatValueType::Class(), TkcEditRepositoryTextItem::StaticClass()},
      {TkcLargeIntValueType::Class(), TkcEditRepositoryTextItem::StaticClass()},
      {TkcVariantValueType::Class(), TkcEditRepositoryTextItem::StaticClass()},
      {TkcBooleanValueType::Class(), TkcEditRepositoryCheckBoxItem::StaticClass()},
      {TkcCurrencyValueType::Class(), TkcEditRepositoryCurrencyItem::StaticClass()},
      {TkcDateTimeValueType::Class(), TkcEditRepositoryDateItem::StaticClass()},
      {TkcFMTBcdValueType::Class(), TkcEditRepositoryCurrencyItem::StaticClass()},
      {TkcSQLTimeStampValueType::Class(), TkcEditRepositoryDateItem::StaticClass()},
  };
  for (const auto& [valueType, itemClass] : rows)
    EXPECT_EQ(registry->GetItemByValueType(valueType)->ClassType(), itemClass)
        << (valueType ? valueType->ClassName() : "null");
}

TEST(ExtendedEditorsRegistration, KindsListedSortedByName) {
  InitializeExtendedEditors();
  InitializeExtendedEditors();
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  std::vector<std::string> names;
  for (int i = 0; i < registry->Count(); ++i) names.push_back(registry->Text(i).substr(0, registry->Text(i).find('|')));
  for (const char* name : {"BlobEdit", "ButtonEdit", "CheckBox", "CurrencyEdit", "HyperLink", "Image", "Memo"})
    EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; }));
  FinalizeExtendedEditors();
}

TEST(ExtendedEditorsRegistration, EveryKindOnceInNameOrderWithItsText) {
  InitializeExtendedEditors();
  // Every editor kind, in the order of its name (letter case aside).
  const std::pair<TClass, const char*> kinds[] = {
      {TkcBlobEditProperties::StaticClass(), "BlobEdit|Represents the BLOB editor"},
      {TkcButtonEditProperties::StaticClass(), "ButtonEdit|Represents an edit control with embedded buttons"},
      {TkcCalcEditProperties::StaticClass(), "CalcEdit|Represents an edit control with a dropdown calculator window"},
      {TkcCheckBoxProperties::StaticClass(), "CheckBox|Represents a check box control that allows selecting an option"},
      {TkcComboBoxProperties::StaticClass(), "ComboBox|Represents the combo box editor"},
      {TkcCurrencyEditProperties::StaticClass(), "CurrencyEdit|Represents an editor enabling editing currency data"},
      {TkcDateEditProperties::StaticClass(), "DateEdit|Represents an edit control with a dropdown calendar"},
      {TkcHyperLinkEditProperties::StaticClass(), "HyperLink|Represents a text editor with hyperlink functionality"},
      {TkcImageProperties::StaticClass(), "Image|Represents an image editor"},
      {TkcImageComboBoxProperties::StaticClass(),
       "ImageComboBox|Represents an editor displaying the list of images and text strings within the dropdown window"},
      {TkcLookupComboBoxProperties::StaticClass(), "LookupComboBox|Represents a lookup combo box control"},
      {TkcMaskEditProperties::StaticClass(), "MaskEdit|Represents a generic masked edit control."},
      {TkcMemoProperties::StaticClass(), "Memo|Represents an edit control that allows editing memo data"},
      {TkcMRUEditProperties::StaticClass(),
       "MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a dropdown "
       "window"},
      {TkcPopupEditProperties::StaticClass(), "PopupEdit|Represents an edit control with a dropdown list"},
      {TkcRadioGroupProperties::StaticClass(), "RadioGroup|Represents a group of radio buttons"},
      {TkcSpinEditProperties::StaticClass(), "SpinEdit|Represents a spin editor"},
      {TkcTextEditProperties::StaticClass(), "TextEdit|Represents a single line text editor"},
      {TkcTimeEditProperties::StaticClass(), "TimeEdit|Represents an editor displaying time values"},
  };
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  ASSERT_EQ(registry->Count(), static_cast<int>(std::size(kinds)));
  for (int i = 0; i < registry->Count(); ++i) {
    EXPECT_EQ(registry->Items(i), kinds[i].first) << kinds[i].second;
    EXPECT_EQ(registry->Text(i), kinds[i].second);
  }
  FinalizeExtendedEditors();
}

}  // namespace
