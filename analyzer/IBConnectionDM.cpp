#include "analyzer/IBConnectionDM.h"

#include "platform/ib/IBCustomDataSet.h"
#include "platform/ib/IBDatabaseInfo.h"
#include "platform/ib/IBSQL.h"

void TdmIBConnection::SetDatabase(TIBDatabase* database) {
  if (database == fDatabase) return;
  if (fDatabase) fDatabase->RemoveFreeNotification(this);
  fDatabase = database;
  if (fDatabase) fDatabase->FreeNotification(this);
  AssignDatabase();
}

void TdmIBConnection::AssignDatabase() {
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    TComponent* c = Components(i);
    if (auto* ds = dynamic_cast<TIBDataSet*>(c))
      ds->SetDatabase(fDatabase);
    else if (auto* sql = dynamic_cast<TIBSQL*>(c))
      sql->SetDatabase(fDatabase);
    else if (auto* t = dynamic_cast<TIBTransaction*>(c))
      t->SetDefaultDatabase(fDatabase);
    else if (auto* info = dynamic_cast<TIBDatabaseInfo*>(c))
      info->SetDatabase(fDatabase);
  }
}

void TdmIBConnection::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  // The attachment is going away: its components forget it themselves.
  if (Operation == opRemove && AComponent == fDatabase) fDatabase = nullptr;
}
