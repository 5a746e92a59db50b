#pragma once
// Filter value editors: for each editor kind a helper that prepares properties for editing a
// filter value and names the condition operators the kind supports. The filter builder finds
// the helper of a properties class (or its nearest registered ancestor) in the controller.

#include "data/kcDataStorage.h"
#include "editors/kcEdit.h"

// Condition operator bits, in the filter model's order.
enum TkcConditionOperator {
  kcopEqual = 1, kcopNotEqual, kcopLess, kcopLessEqual, kcopGreater, kcopGreaterEqual, kcopLike, kcopNotLike,
  kcopBlanks, kcopNonBlanks, kcopBetween, kcopNotBetween, kcopInList, kcopNotInList
};

class TkcCustomFilterEditHelper : public TObject {
  VT_CLASS(TkcCustomFilterEditHelper, TObject)
public:
  // Prepares AProperties for a filter value editor from AEditProperties: left and top alignment,
  // no beep, buttons cleared unless kept, writable, validation on Enter, no data source, no events.
  virtual void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* AEditProperties,
                                    bool AHasButtons);
  // The operators as a bit set (bit n for operator n).
  virtual unsigned GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                         bool AExtendedSet);
};

class TkcFilterTextEditHelper : public TkcCustomFilterEditHelper {
  VT_CLASS(TkcFilterTextEditHelper, TkcCustomFilterEditHelper)
public:
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* AEditProperties,
                            bool AHasButtons) override;
  unsigned GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                 bool AExtendedSet) override;
};

class TkcFilterMaskEditHelper : public TkcFilterTextEditHelper {
  VT_CLASS(TkcFilterMaskEditHelper, TkcFilterTextEditHelper)
public:
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* AEditProperties,
                            bool AHasButtons) override;
  unsigned GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                 bool AExtendedSet) override;
};

// Properties classes to filter helpers; helpers are stateless, one instance per class.
class TkcFilterEditsController : public TObject {
  VT_CLASS(TkcFilterEditsController, TObject)
public:
  void Register(TClass APropertiesClass, TkcCustomFilterEditHelper* AHelper);
  void Unregister(TClass APropertiesClass);
  // The helper of the class or of its nearest registered ancestor, null when none.
  TkcCustomFilterEditHelper* FindHelper(TClass APropertiesClass) const;

private:
  std::vector<std::pair<TClass, TkcCustomFilterEditHelper*>> fItems;
};

TkcFilterEditsController* GetFilterEditsController();
