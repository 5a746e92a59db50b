#include "analyzer/IBConnectionDM.h"

void TdmIBConnection::SetDatabase(TIBDatabase* database) {
  if (database == fDatabase) return;
  fDatabase = database;
  AssignDatabase();
}

void TdmIBConnection::AssignDatabase() {
  for (auto it = fComponents.rbegin(); it != fComponents.rend(); ++it) (*it)(fDatabase);
}
