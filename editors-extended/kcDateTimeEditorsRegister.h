#pragma once
// The spin, time and date editor kinds: their repository items and their entries in the editor
// kinds' registry. The registration runs once, whoever asks first.

#include "editors/kcEditRepository.h"

class TkcEditRepositorySpinItem : public TkcEditRepositoryItem {
  VT_CLASS(TkcEditRepositorySpinItem, TkcEditRepositoryItem)
public:
  explicit TkcEditRepositorySpinItem(TComponent* AOwner) : TkcEditRepositoryItem(AOwner) {}
  TkcCustomEditPropertiesClass GetEditPropertiesClass() override;
};

class TkcEditRepositoryTimeItem : public TkcEditRepositoryItem {
  VT_CLASS(TkcEditRepositoryTimeItem, TkcEditRepositoryItem)
public:
  explicit TkcEditRepositoryTimeItem(TComponent* AOwner) : TkcEditRepositoryItem(AOwner) {}
  TkcCustomEditPropertiesClass GetEditPropertiesClass() override;
};

class TkcEditRepositoryDateItem : public TkcEditRepositoryItem {
  VT_CLASS(TkcEditRepositoryDateItem, TkcEditRepositoryItem)
public:
  explicit TkcEditRepositoryDateItem(TComponent* AOwner) : TkcEditRepositoryItem(AOwner) {}
  TkcCustomEditPropertiesClass GetEditPropertiesClass() override;
};

// Adds "SpinEdit", "TimeEdit" and "DateEdit" to the editor kinds' registry (once).
void RegisterDateTimeEditorKinds();
void UnregisterDateTimeEditorKinds();
