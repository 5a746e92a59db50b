#pragma once
// The services manager client, used to read the server's version.

#include "platform/ib/IBDatabase.h"

#include <set>
#include <string>

enum TProtocol { TCP, SPX, NamedPipe, Local };
enum TPropertyOption { Version, ConfigParameters };

struct TIBVersionInfo {
  std::string ServerVersion;
  std::string ServerImplementation;
  int ServiceVersion = 0;
};

class TIBServerProperties : public TComponent {
  VT_CLASS(TIBServerProperties, TComponent)
public:
  explicit TIBServerProperties(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  ~TIBServerProperties() override;

  TProtocol Protocol = Local;
  std::string ServerName;
  bool LoginPrompt = false;
  std::set<TPropertyOption> Options;
  // Lines "user_name=..." and "password=...".
  TStringList& Params() { return fParams; }

  // The services name the protocol and server name give: "srv:service_mgr",
  // "inet://srv:port/service_mgr" for a server name with a port, "\\srv\service_mgr",
  // "srv@service_mgr", or "service_mgr" for a local one.
  std::string ServiceName() const;
  bool Active() const { return fHandle != 0; }
  void SetActive(bool value);
  void Attach();
  void Detach();
  void FetchVersionInfo();
  const TIBVersionInfo& VersionInfo() const { return fVersionInfo; }

private:
  TStringList fParams;
  isc_svc_handle fHandle = 0;
  TIBVersionInfo fVersionInfo;
};
