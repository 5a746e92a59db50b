#include "platform/ib/IBDatabase.h"

#include "platform/ib/IBErrors.h"

#include <algorithm>
#include <map>

namespace {
std::string TrimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// The name part of a parameter line: before "=", or the whole line.
std::string ParamName(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? line : line.substr(0, eq);
}

// A parameter name without letter case and without the client's "isc_dpb_"/"isc_tpb_" prefix.
std::string ParamKey(const std::string& name, const char* prefix) {
  std::string key = LowerCase(TrimBlanks(name));
  if (key.rfind(prefix, 0) == 0) key.erase(0, std::char_traits<char>::length(prefix));
  return key;
}

void AddInt32(std::string& block, char item, int value) {
  block += item;
  block += static_cast<char>(4);
  for (int i = 0; i < 4; ++i) block += static_cast<char>((static_cast<unsigned>(value) >> (8 * i)) & 0xFF);
}

TIBTimerStarter& TimerStarter() {
  static TIBTimerStarter starter;
  return starter;
}

void RemoveFrom(std::vector<TIBDatabaseClient*>& list, TIBDatabaseClient* client) {
  list.erase(std::remove(list.begin(), list.end(), client), list.end());
}

// Tells every client, on a copy: a client may unregister itself while it closes.
void NotifyClosing(const std::vector<TIBDatabaseClient*>& clients, bool force) {
  std::vector<TIBDatabaseClient*> copy = clients;
  for (auto it = copy.rbegin(); it != copy.rend(); ++it) (*it)->DatabaseClosing(force);
}
}  // namespace

void SetIBTimerStarter(TIBTimerStarter starter) { TimerStarter() = std::move(starter); }

// ---- TIBDatabase ----

TIBDatabase::TIBDatabase(TComponent* AOwner) : TComponent(AOwner) {}

TIBDatabase::~TIBDatabase() {
  // No handler runs while the attachment goes away: its owner may be half destroyed already.
  BeforeDisconnect = nullptr;
  AfterDisconnect = nullptr;
  if (Connected()) ForceClose();
}

void TIBDatabase::SetDatabaseName(const std::string& name) { fDatabaseName = name; }

void TIBDatabase::SetSQLDialect(int dialect) {
  if (dialect < 1 || dialect > 3) throw EIBClientError("SQL dialect " + std::to_string(dialect) + " is not supported");
  if (Connected()) throw EIBClientError("Cannot change the SQL dialect while connected");
  fSQLDialect = dialect;
  fRequestedDialect = dialect;
}

void TIBDatabase::SetConnected(bool value) {
  if (value == Connected()) return;
  if (value)
    Open();
  else
    Close();
}

void TIBDatabase::CheckActive() const {
  if (!Connected()) throw EIBClientError("Database not open");
}

std::string TIBDatabase::BuildDPB() const {
  static const std::map<std::string, char> items = {{"user_name", isc_dpb_user_name},
                                                    {"password", isc_dpb_password},
                                                    {"sql_role_name", isc_dpb_sql_role_name},
                                                    {"lc_ctype", isc_dpb_lc_ctype}};
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  for (int i = 0; i < fParams.Count(); ++i) {
    std::string line = fParams.Strings(i);
    if (TrimBlanks(line).empty()) continue;
    std::string key = ParamKey(ParamName(line), "isc_dpb_");
    auto it = items.find(key);
    if (it == items.end()) throw EIBClientError("DPB Constant (isc_dpb_" + key + ") is unknown");
    std::string value = fParams.ValueFromIndex(i);
    if (value.size() > 255) throw EIBClientError("Parameter " + key + " is too long");
    dpb += it->second;
    dpb += static_cast<char>(value.size());
    dpb += value;
  }
  AddInt32(dpb, isc_dpb_sql_dialect, fRequestedDialect);
  return dpb;
}

void TIBDatabase::Open() {
  if (Connected()) return;
  if (BeforeConnect) BeforeConnect(this);
  if (fDatabaseName.empty()) throw EIBClientError("Database name is missing");
  const TIBClientLibrary& ib = IBClient();
  std::string dpb = BuildDPB();
  ISC_STATUS_ARRAY status{};
  isc_db_handle handle = 0;
  ib.isc_attach_database(status, 0, fDatabaseName.c_str(), &handle, static_cast<short>(dpb.size()), dpb.data());
  IBCheck(status);
  fHandle = handle;
  // The connection's dialect is the lower of the requested one and the database's own.
  char item = isc_info_db_sql_dialect;
  char answer[64] = {};
  ib.isc_database_info(status, &fHandle, 1, &item, sizeof answer, answer);
  fDBSQLDialect = 1;
  if (!IBStatusFailed(status) && answer[0] == isc_info_db_sql_dialect) {
    short len = static_cast<short>(ib.isc_vax_integer(answer + 1, 2));
    if (len > 0 && len <= 4) fDBSQLDialect = static_cast<int>(ib.isc_vax_integer(answer + 3, len));
  }
  fSQLDialect = std::min(fRequestedDialect, fDBSQLDialect);
  if (AfterConnect) AfterConnect(this);
}

void TIBDatabase::Close() {
  if (!Connected()) return;
  if (BeforeDisconnect) BeforeDisconnect(this);
  InternalClose(false);
  if (AfterDisconnect) AfterDisconnect(this);
}

void TIBDatabase::ForceClose() {
  if (!Connected()) return;
  try {
    if (BeforeDisconnect) BeforeDisconnect(this);
  } catch (...) {}
  InternalClose(true);
  if (AfterDisconnect) AfterDisconnect(this);
}

void TIBDatabase::InternalClose(bool force) {
  NotifyClosing(fClients, force);
  ISC_STATUS_ARRAY status{};
  IBClient().isc_detach_database(status, &fHandle);
  if (force || !IBStatusFailed(status)) {
    fHandle = 0;
    fSQLDialect = fRequestedDialect;
    fDBSQLDialect = 0;
    return;
  }
  IBCheck(status);
}

void TIBDatabase::AddClient(TIBDatabaseClient* client) {
  if (std::find(fClients.begin(), fClients.end(), client) == fClients.end()) fClients.push_back(client);
}

void TIBDatabase::RemoveClient(TIBDatabaseClient* client) { RemoveFrom(fClients, client); }

// ---- TIBTransaction ----

TIBTransaction::TIBTransaction(TComponent* AOwner) : TComponent(AOwner) {}

TIBTransaction::~TIBTransaction() {
  StopTimer();
  if (InTransaction()) {
    try {
      EndTransaction(DefaultAction, true);
    } catch (...) {}
  }
  if (fDatabase) fDatabase->RemoveClient(this);
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* database) {
  if (database == fDatabase) return;
  if (InTransaction()) throw EIBClientError("Cannot change the database of an active transaction");
  if (fDatabase) {
    fDatabase->RemoveClient(this);
    fDatabase->RemoveFreeNotification(this);
  }
  fDatabase = database;
  if (fDatabase) {
    fDatabase->AddClient(this);
    fDatabase->FreeNotification(this);
  }
}

void TIBTransaction::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  // The attachment ended this transaction while it closed; it may be gone already.
  if (Operation == opRemove && AComponent == fDatabase) fDatabase = nullptr;
}

void TIBTransaction::CheckInTransaction() const {
  if (!InTransaction()) throw EIBClientError("Transaction is not active");
}

std::string TIBTransaction::BuildTPB() const {
  static const std::map<std::string, char> items = {{"consistency", isc_tpb_consistency},
                                                    {"concurrency", isc_tpb_concurrency},
                                                    {"read_committed", isc_tpb_read_committed},
                                                    {"rec_version", isc_tpb_rec_version},
                                                    {"no_rec_version", isc_tpb_no_rec_version},
                                                    {"wait", isc_tpb_wait},
                                                    {"nowait", isc_tpb_nowait},
                                                    {"read", isc_tpb_read},
                                                    {"write", isc_tpb_write}};
  std::string tpb(1, static_cast<char>(isc_tpb_version3));
  for (int i = 0; i < fParams.Count(); ++i) {
    std::string key = ParamKey(fParams.Strings(i), "isc_tpb_");
    if (key.empty()) continue;
    auto it = items.find(key);
    if (it == items.end()) throw EIBClientError("TPB Constant (isc_tpb_" + key + ") is unknown");
    tpb += it->second;
  }
  return tpb;
}

void TIBTransaction::StartTransaction() {
  if (InTransaction()) throw EIBClientError("Transaction is active");
  if (!fDatabase) throw EIBClientError("Database not assigned");
  fDatabase->CheckActive();
  std::string tpb = BuildTPB();
  // One attachment per transaction: the client's transaction-existence block for it.
  struct {
    isc_db_handle* db;
    long tpbLength;
    char* tpb;
  } teb{fDatabase->HandleAddress(), static_cast<long>(tpb.size()), tpb.data()};
  ISC_STATUS_ARRAY status{};
  isc_tr_handle handle = 0;
  IBClient().isc_start_multiple(status, &handle, 1, &teb);
  IBCheck(status);
  fHandle = handle;
  fActivity = false;
  StartTimer();
}

void TIBTransaction::Commit() { EndTransaction(taCommit, false); }
void TIBTransaction::CommitRetaining() { EndTransaction(taCommitRetaining, false); }
void TIBTransaction::Rollback() { EndTransaction(taRollback, false); }
void TIBTransaction::RollbackRetaining() { EndTransaction(taRollbackRetaining, false); }

void TIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  CheckInTransaction();
  const TIBClientLibrary& ib = IBClient();
  ISC_STATUS_ARRAY status{};
  bool retaining = action == taCommitRetaining || action == taRollbackRetaining;
  if (!retaining) {
    std::vector<TIBDatabaseClient*> clients = fClients;
    for (TIBDatabaseClient* c : clients) c->TransactionEnding();
  }
  switch (action) {
    case taCommit: ib.isc_commit_transaction(status, &fHandle); break;
    case taRollback: ib.isc_rollback_transaction(status, &fHandle); break;
    case taCommitRetaining: ib.isc_commit_retaining(status, &fHandle); break;
    case taRollbackRetaining: ib.isc_rollback_retaining(status, &fHandle); break;
  }
  if (force && IBStatusFailed(status) && !retaining) {
    // A commit that failed while closing: roll back, and forget the handle whatever happens.
    ISC_STATUS_ARRAY again{};
    ib.isc_rollback_transaction(again, &fHandle);
    fHandle = 0;
  }
  if (!force) IBCheck(status);
  fActivity = false;
  if (!InTransaction()) StopTimer();
}

void TIBTransaction::DatabaseClosing(bool force) {
  if (!InTransaction()) return;
  if (force) {
    try {
      EndTransaction(taRollback, true);
    } catch (...) {}
    fHandle = 0;
    StopTimer();
  } else {
    EndTransaction(DefaultAction == taRollback || DefaultAction == taRollbackRetaining ? taRollback : taCommit, false);
  }
}

void TIBTransaction::AddClient(TIBDatabaseClient* client) {
  if (std::find(fClients.begin(), fClients.end(), client) == fClients.end()) fClients.push_back(client);
}

void TIBTransaction::RemoveClient(TIBDatabaseClient* client) { RemoveFrom(fClients, client); }

void TIBTransaction::SetIdleTimer(unsigned ms) {
  fIdleTimer = ms;
  StopTimer();
  if (InTransaction()) StartTimer();
}

void TIBTransaction::CallStarted() {
  fActivity = true;
  ++fCallsRunning;
}

void TIBTransaction::CallEnded() {
  fActivity = true;
  --fCallsRunning;
}

void TIBTransaction::IdleTimerTick() {
  if (!InTransaction()) return;
  if (fActivity.exchange(false) || fCallsRunning > 0) return;
  EndTransaction(DefaultAction, false);
  if (OnIdleTimer) OnIdleTimer(this);
}

void TIBTransaction::StartTimer() {
  if (fIdleTimer == 0 || fStopTimer || !TimerStarter()) return;
  fStopTimer = TimerStarter()(fIdleTimer, [this] { IdleTimerTick(); });
}

void TIBTransaction::StopTimer() {
  if (!fStopTimer) return;
  auto stop = std::move(fStopTimer);
  fStopTimer = nullptr;
  stop();
}
