#pragma once
// The attachment (TIBDatabase) and its transactions (TIBTransaction).

#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"
#include "platform/ib/IBIntf.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

class TIBDatabase;
class TIBTransaction;

// Starts a repeating timer calling `tick` every `intervalMs` ms and answers the call that stops
// it. The application installs one backed by its message-loop timers; without one, idle timers
// do not run (IdleTimerTick can still be called).
using TIBTimerStarter = std::function<std::function<void()>(unsigned intervalMs, std::function<void()> tick)>;
void SetIBTimerStarter(TIBTimerStarter starter);

using TIBNotifyEvent = std::function<void(TIBDatabase* sender)>;

// Something that holds server handles of an attachment or a transaction and must drop them
// when that ends.
class TIBDatabaseClient {
public:
  virtual ~TIBDatabaseClient() = default;
  // Called before the attachment detaches or the transaction ends; `force`: errors of the
  // calls made now are ignored and the handles count as gone afterwards.
  virtual void DatabaseClosing(bool force) = 0;
  // Called before the transaction ends (not for the retaining ends): open cursors close.
  virtual void TransactionEnding() {}
};

// Components that refer to an attachment or a transaction ask to be told when it is freed
// (free notification) and forget it then.
class TIBDatabase : public TComponent {
  VT_CLASS(TIBDatabase, TComponent)
public:
  explicit TIBDatabase(TComponent* AOwner = nullptr);
  ~TIBDatabase() override;

  const std::string& DatabaseName() const { return fDatabaseName; }
  void SetDatabaseName(const std::string& name);
  // Lines "name=value": user_name, password, sql_role_name, lc_ctype (letter case ignored).
  TStringList& Params() { return fParams; }
  const TStringList& Params() const { return fParams; }
  bool LoginPrompt = false;  // no login dialog exists: the parameters are always used
  bool AllowStreamedConnected = false;

  // The requested dialect before a connect; while connected, the connection's dialect
  // (the lower of the requested one and the database's own).
  int SQLDialect() const { return fSQLDialect; }
  void SetSQLDialect(int dialect);
  int DBSQLDialect() const { return fDBSQLDialect; }

  bool Connected() const { return fHandle != 0; }
  void SetConnected(bool value);
  void Open();
  void Close();
  // Closes without raising: errors while transactions end and while detaching are ignored,
  // and the attachment counts as closed afterwards.
  void ForceClose();
  isc_db_handle* HandleAddress() { return &fHandle; }
  isc_db_handle Handle() const { return fHandle; }
  void CheckActive() const;

  TIBNotifyEvent BeforeConnect;
  TIBNotifyEvent AfterConnect;
  TIBNotifyEvent BeforeDisconnect;
  TIBNotifyEvent AfterDisconnect;

  // Registration of transactions and statements working on this attachment.
  void AddClient(TIBDatabaseClient* client);
  void RemoveClient(TIBDatabaseClient* client);

private:
  void InternalClose(bool force);
  std::string BuildDPB() const;

  std::string fDatabaseName;
  TStringList fParams;
  int fSQLDialect = 3;
  int fRequestedDialect = 3;
  int fDBSQLDialect = 0;
  isc_db_handle fHandle = 0;
  std::vector<TIBDatabaseClient*> fClients;
};

enum TTransactionAction { taRollback, taCommit, taRollbackRetaining, taCommitRetaining };
enum TAutoStopAction { saNone, saRollback, saCommit, saRollbackRetaining, saCommitRetaining };

class TIBTransaction : public TComponent, public TIBDatabaseClient {
  VT_CLASS(TIBTransaction, TComponent)
public:
  explicit TIBTransaction(TComponent* AOwner = nullptr);
  ~TIBTransaction() override;

  TIBDatabase* DefaultDatabase() const { return fDatabase; }
  void SetDefaultDatabase(TIBDatabase* database);
  // Lines such as "read_committed", "rec_version", "nowait".
  TStringList& Params() { return fParams; }

  bool InTransaction() const { return fHandle != 0; }
  bool Active() const { return InTransaction(); }
  void StartTransaction();
  void Commit();
  void CommitRetaining();
  void Rollback();
  void RollbackRetaining();
  isc_tr_handle* HandleAddress() { return &fHandle; }
  void CheckInTransaction() const;

  // Idle handling: while a transaction is active a timer ticks every IdleTimer ms; a tick ends
  // the transaction with DefaultAction only when no client call was made on it since the
  // previous tick (a call still running counts as one), then OnIdleTimer runs.
  unsigned IdleTimer() const { return fIdleTimer; }
  void SetIdleTimer(unsigned ms);
  TTransactionAction DefaultAction = taCommit;
  TAutoStopAction AutoStopAction = saNone;
  std::function<void(TIBTransaction* sender)> OnIdleTimer;
  void IdleTimerTick();
  // Statements mark their client calls, from any thread.
  void CallStarted();
  void CallEnded();

  void DatabaseClosing(bool force) override;

  // Statements working in this transaction; their cursors close when it ends.
  void AddClient(TIBDatabaseClient* client);
  void RemoveClient(TIBDatabaseClient* client);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::string BuildTPB() const;
  std::vector<TIBDatabaseClient*> fClients;
  void EndTransaction(TTransactionAction action, bool force);
  void StartTimer();
  void StopTimer();

  TIBDatabase* fDatabase = nullptr;
  TStringList fParams;
  isc_tr_handle fHandle = 0;
  unsigned fIdleTimer = 0;
  std::function<void()> fStopTimer;
  std::atomic<bool> fActivity{false};
  std::atomic<int> fCallsRunning{0};
};

// Marks one client call of a statement as activity of its transaction.
class TIBCallGuard {
public:
  explicit TIBCallGuard(TIBTransaction* t) : fT(t) {
    if (fT) fT->CallStarted();
  }
  ~TIBCallGuard() {
    if (fT) fT->CallEnded();
  }
  TIBCallGuard(const TIBCallGuard&) = delete;
  TIBCallGuard& operator=(const TIBCallGuard&) = delete;

private:
  TIBTransaction* fT;
};
