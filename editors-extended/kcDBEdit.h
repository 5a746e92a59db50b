#pragma once
// Editor defaults answered by a dataset field: alignment, formats, mask, length, bounds,
// precision, read-only and required state, blob kind and the characters it accepts.

#include "editors/kcEdit.h"
#include "platform/db/DB.h"

class TkcCustomDBEditDefaultValuesProvider : public TkcCustomEditDefaultValuesProvider {
  VT_CLASS(TkcCustomDBEditDefaultValuesProvider, TkcCustomEditDefaultValuesProvider)
public:
  explicit TkcCustomDBEditDefaultValuesProvider(TPersistent* AOwner = nullptr);
  ~TkcCustomDBEditDefaultValuesProvider() override;

  bool CanEnterEditMode() override;
  TAlignment GetDefaultAlignment() override;
  int GetDefaultBlobKind() override;
  bool CanModifyValue() override;
  String GetDefaultDisplayFormat() override;
  String GetDefaultEditFormat() override;
  String GetDefaultEditMask() override;
  bool IsFloatValue() override;
  int GetDefaultMaxLength() override;
  double GetDefaultMaxValue() override;
  double GetDefaultMinValue() override;
  int GetDefaultPrecision() override;
  bool GetDefaultReadOnly() override;
  bool GetDefaultRequired() override;
  bool IsBlobValue() override;
  bool IsCurrencyValue() override;
  bool IsSourceActive() override;
  bool IsFieldBased() override { return true; }
  // Whether the field formats its display text itself.
  bool HasDisplayFormat(bool AAcceptCurrency) override;
  bool HasCustomDisplayText() override;
  bool AcceptsChar(char32_t ACh) override;

  TDataSource* DataSource() const { return fDataSource; }
  void SetDataSource(TDataSource* Value);
  // The field, none once it is being freed (its free notifications reach others before this).
  TField* Field() const { return IsFieldAlive() ? fField : nullptr; }
  void SetField(TField* Value);

private:
  bool IsFieldAlive() const {
    return fField && !static_cast<TComponent*>(fField)->ComponentState().Contains(csDestroying);
  }
  void FreeNotification(TComponent* AComponent);
  double BoundOf(bool AMax);
  TDataSource* fDataSource = nullptr;
  TField* fField = nullptr;
  std::unique_ptr<TkcFreeNotificator> fFreeNotificator;
};
