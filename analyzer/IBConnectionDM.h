#pragma once
// The base of the data modules that work on the tool's one attachment: it hands that attachment
// to every database component the module owns.

#include "platform/core/Classes.h"
#include "platform/ib/IBDatabase.h"

class TdmIBConnection : public TComponent {
  VT_CLASS(TdmIBConnection, TComponent)
public:
  explicit TdmIBConnection(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  TIBDatabase* Database() const { return fDatabase; }
  // Stores a new attachment only when it differs from the current one, then hands it on.
  void SetDatabase(TIBDatabase* database);

protected:
  // Walks the owned components from the last to the first: datasets, statements and the
  // database information get the attachment as their database, transactions as their default.
  virtual void AssignDatabase();
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TIBDatabase* fDatabase = nullptr;
};
