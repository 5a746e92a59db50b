#pragma once
// The tool's one database attachment and what it knows about the server behind it.

#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBServices.h"

#include <functional>
#include <string>

// The main window creates it with itself as owner.
class TdmServerProperties : public TComponent {
  VT_CLASS(TdmServerProperties, TComponent)
public:
  explicit TdmServerProperties(TComponent* AOwner = nullptr);
  ~TdmServerProperties() override;

  TIBDatabase IBDatabase;
  TIBServerProperties IBServerProperties;
  std::function<void(TdmServerProperties* sender)> OnChange;

  // Values stored with the module's design do not survive loading.
  void Loaded() override;

  bool Connected() const { return IBDatabase.Connected(); }
  void SetConnected(bool value);
  std::string DatabaseName() const { return IBDatabase.DatabaseName(); }
  void SetDatabaseName(const std::string& name) { IBDatabase.SetDatabaseName(name); }
  std::string UserName() const { return IBDatabase.Params().Values("user_name"); }
  void SetUserName(const std::string& value);
  std::string Password() const { return IBDatabase.Params().Values("password"); }
  void SetPassword(const std::string& value);
  std::string Role() const { return IBDatabase.Params().Values("sql_role_name"); }
  void SetRole(const std::string& value) { SetParam(IBDatabase.Params(), "sql_role_name", value); }
  std::string CharacterSet() const { return IBDatabase.Params().Values("lc_ctype"); }
  void SetCharacterSet(const std::string& value) { SetParam(IBDatabase.Params(), "lc_ctype", value); }

  // A non-empty value sets the line "name=value"; an empty one deletes the line of that name.
  static void SetParam(TStrings& list, const std::string& name, const std::string& value);

  std::string ServerVersion();
  int ServerMajorVersion();
  int ServerMinorVersion();
  TProtocol Protocol();
  std::string ServerName();
  bool CanCancelQueries();
  bool SupportsQueryCancel();
  void ForceDisconnect();

  // The steps, open for the tests of their rules.
  void IBDatabaseBeforeConnect(TIBDatabase* sender);
  void IBDatabaseConnect(TIBDatabase* sender);
  void GetServerNameAndProtocol();
  void ConfigureServices();
  bool AttachServices();
  void FetchServerVersion();
  void ParseServerVersion();

private:
  void SetServicesParam(const std::string& name, const std::string& value);

  std::string fServerVersion;
  int fMajor = 0;
  int fMinor = 0;
  std::string fServerName;
  TProtocol fProtocol = Local;
};

// Shown as the version of a server whose client has no services manager.
inline constexpr const char* ServicesNotSupportedText = "(Services manager not supported.)";
