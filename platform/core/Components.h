#pragma once
// Persistent objects and components in an ownership tree (part of Classes.h).

#include "platform/core/ObjectModel.h"

// ---------------------------------------------------------------------------------------------
// Persistent objects

using TStreamProc = std::function<void(TStream* Stream)>;

// Receives the extra properties an object stores besides its published ones.
class TFiler {
public:
  virtual ~TFiler() = default;
  virtual void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) = 0;
  // The object the stored one is compared with (null: none).
  TPersistent* Ancestor() const { return fAncestor; }
  void SetAncestor(TPersistent* v) { fAncestor = v; }

protected:
  static void CallDefineProperties(TPersistent* Instance, TFiler* Filer);

private:
  TPersistent* fAncestor = nullptr;
};

// A filer that collects the binary properties of an object, to write or read them by name.
class TBinaryPropertyFiler : public TFiler {
public:
  struct Property {
    String Name;
    TStreamProc ReadData;
    TStreamProc WriteData;
    bool HasData = false;
  };
  explicit TBinaryPropertyFiler(TPersistent* Instance);
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;
  const std::vector<Property>& Properties() const { return fProperties; }
  const Property* Find(const String& Name) const;

private:
  std::vector<Property> fProperties;
};

class TPersistent : public TObject {
  VT_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object; raises EConvertError "Cannot assign a %s to a %s" when
  // neither side knows how.
  virtual void Assign(TPersistent* Source);
  virtual String GetNamePath();

protected:
  friend class TFiler;
  virtual void AssignTo(TPersistent* Dest);
  virtual void DefineProperties(TFiler* /*Filer*/) {}
  virtual TPersistent* GetOwner() { return nullptr; }
  [[noreturn]] void AssignError(TPersistent* Source);
};

class TInterfacedPersistent : public TPersistent, public IInterface {
  VT_CLASS(TInterfacedPersistent, TPersistent)
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
};

// ---------------------------------------------------------------------------------------------
// Components

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem, 16>;

enum TOperation { opInsert, opRemove };

// A component lives in an ownership tree: its owner frees it, and it frees what it owns.
class TComponent : public TPersistent, public IInterface {
  VT_CLASS(TComponent, TPersistent)
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return fOwner; }
  TComponent* Components(int Index) const;
  int ComponentCount() const { return static_cast<int>(fComponents.size()); }
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  TComponent* FindComponent(const String& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  void Destroying();
  void BeforeDestruction() override;

  const String& Name() const { return fName; }
  // Raises EComponentError for a name that is not an identifier or is taken by a sibling.
  virtual void SetName(const String& NewName);
  TComponentState ComponentState() const { return fComponentState; }
  std::intptr_t Tag() const { return fTag; }
  void SetTag(std::intptr_t v) { fTag = v; }

  // Asks to be told (Notification opRemove) when AComponent is destroyed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Marks the component as being loaded; Loaded ends it.
  void BeginLoading();
  // Ends reading and calls Loaded.
  void EndLoading();
  virtual void Loaded();
  // Marks the component as being changed as a whole (csUpdating); Updated ends it.
  virtual void Updating() { fComponentState.Include(csUpdating); }
  virtual void Updated() { fComponentState.Exclude(csUpdating); }
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetAncestor(bool Value);

  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  String GetNamePath() override { return fName; }

protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
  virtual void ValidateInsert(TComponent* /*AComponent*/) {}
  virtual void ValidateContainer(TComponent* AComponent) { AComponent->ValidateInsert(this); }
  TPersistent* GetOwner() override { return fOwner; }
  void SetComponentState(TComponentState v) { fComponentState = v; }
  void IncludeState(TComponentStateItem s) { fComponentState.Include(s); }
  void ExcludeState(TComponentStateItem s) { fComponentState.Exclude(s); }
  // Sets the name without the checks (used while reading).
  void ChangeName(const String& NewName) { fName = NewName; }

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void RemoveFreeNotifications();

  TComponent* fOwner = nullptr;
  String fName;
  std::intptr_t fTag = 0;
  TComponentState fComponentState;
  std::vector<TComponent*> fComponents;
  std::vector<TComponent*> fFreeNotifies;
};

using TComponentClass = TClassOf<TComponent, TComponent*>;
