#pragma once
// The base of the data modules that work on the tool's one attachment: it hands that attachment
// to every database component the module owns.

#include "platform/ib/IBDatabase.h"

#include <functional>
#include <vector>

class TdmIBConnection {
public:
  TdmIBConnection() = default;
  virtual ~TdmIBConnection() = default;
  TdmIBConnection(const TdmIBConnection&) = delete;
  TdmIBConnection& operator=(const TdmIBConnection&) = delete;

  TIBDatabase* Database() const { return fDatabase; }
  // Stores a new attachment only when it differs from the current one, then hands it on.
  void SetDatabase(TIBDatabase* database);

protected:
  // Registers an owned component, in creation order; `assign` gives it the attachment
  // (a statement or dataset its database, a transaction its default database).
  void AddComponent(std::function<void(TIBDatabase*)> assign) { fComponents.push_back(std::move(assign)); }
  template <class C>
  void AddDatabaseComponent(C& component) {
    AddComponent([&component](TIBDatabase* d) { component.SetDatabase(d); });
  }
  void AddTransactionComponent(TIBTransaction& transaction) {
    AddComponent([&transaction](TIBDatabase* d) { transaction.SetDefaultDatabase(d); });
  }
  // Walks the owned components from the last to the first.
  virtual void AssignDatabase();

private:
  TIBDatabase* fDatabase = nullptr;
  std::vector<std::function<void(TIBDatabase*)>> fComponents;
};
