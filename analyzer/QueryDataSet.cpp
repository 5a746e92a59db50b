#include "analyzer/QueryDataSet.h"

void TQueryDataSet::Open() {
  if (fActive) return;
  if (!fStatement.Prepared()) fStatement.Prepare();
  if (BeforeOpen) BeforeOpen();
  fStatement.ExecQuery();
  fActive = true;
  fRecordCount = 0;
  fRecNo = -1;
  fEof = !fStatement.Open();
  if (!fEof && fStatement.FetchNext()) {
    fRecordCount = 1;
    fRecNo = 0;
  } else {
    fEof = true;
  }
}

void TQueryDataSet::Close() {
  if (fStatement.Open()) fStatement.Close();
  fActive = false;
  fEof = true;
  fRecordCount = 0;
  fRecNo = -1;
}

void TQueryDataSet::ExecSQL() {
  if (!fStatement.Prepared()) fStatement.Prepare();
  fStatement.ExecQuery();
}

int TQueryDataSet::MoveBy(int distance) {
  int moved = 0;
  while (moved < distance && fActive) {
    if (fRecNo + 1 < fRecordCount) {
      ++fRecNo;
      ++moved;
      continue;
    }
    if (fEof || !fStatement.FetchNext()) {
      fEof = true;
      break;
    }
    ++fRecordCount;
    ++fRecNo;
    ++moved;
  }
  return moved;
}
