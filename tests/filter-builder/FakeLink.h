#pragma once
// A link of three columns for the filter builder's tests: A integer (link 10), B text (link
// 20), C integer (link 30).

#include <cstdint>
#include <memory>

#include "editors/kcTextEdit.h"
#include "filter-builder/kcFilterControlModel.h"

class TFakeLink : public IkcFilterControl {
public:
  TFakeLink() {
    for (auto& p : fProperties) p = std::make_unique<TkcTextEditProperties>(nullptr);
  }
  bool QueryInterface(const TGUID&, void**) override { return false; }
  String GetCaption(int AIndex) override { return fCaptions[AIndex]; }
  int GetCount() override { return Count; }
  TkcFilterCriteria* GetCriteria() override { return Target; }
  TObject* GetItemLink(int AIndex) override { return reinterpret_cast<TObject*>(std::intptr_t((AIndex + 1) * 10)); }
  String GetFieldName(int AIndex) override { return fCaptions[AIndex]; }
  TkcCustomEditProperties* GetProperties(int AIndex) override { return fProperties[AIndex].get(); }
  TkcValueTypeClass GetValueType(int AIndex) override {
    return AIndex == 1 ? TkcStringValueType::Class() : TkcIntegerValueType::Class();
  }
  int Count = 3;
  TkcFilterCriteria* Target = nullptr;

private:
  String fCaptions[3] = {"A", "B", "C"};
  std::unique_ptr<TkcTextEditProperties> fProperties[3];
};

// The same link offered by a component, as the grid's table view offers it.
class TLinkComponent : public TComponent, public TFakeLink {
public:
  TLinkComponent() : TComponent(nullptr) {}
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override {
    if (IID == IkcFilterControl::IID) {
      *Obj = static_cast<IkcFilterControl*>(this);
      return true;
    }
    return TComponent::GetInterface(IID, Obj);
  }
};
