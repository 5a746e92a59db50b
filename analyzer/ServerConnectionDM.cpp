#include "analyzer/ServerConnectionDM.h"

#include "platform/ib/IBErrors.h"

#include <cctype>

TdmServerProperties::TdmServerProperties(TComponent* AOwner) : TComponent(AOwner) {
  IBDatabase.SetName("IBDatabase");
  IBServerProperties.SetName("IBServerProperties");
  IBDatabase.LoginPrompt = false;
  IBDatabase.AllowStreamedConnected = false;
  IBDatabase.BeforeConnect = [this](TIBDatabase* d) { IBDatabaseBeforeConnect(d); };
  IBDatabase.AfterConnect = [this](TIBDatabase* d) { IBDatabaseConnect(d); };
  IBDatabase.AfterDisconnect = [this](TIBDatabase* d) { IBDatabaseConnect(d); };
  Loaded();
}

TdmServerProperties::~TdmServerProperties() {
  // No notification while the module goes away.
  OnChange = nullptr;
  IBDatabase.AfterDisconnect = nullptr;
}

void TdmServerProperties::Loaded() {
  TComponent::Loaded();
  SetDatabaseName("");
  SetUserName("");
  SetPassword("");
}

void TdmServerProperties::SetConnected(bool value) { IBDatabase.SetConnected(value); }

void TdmServerProperties::SetParam(TStrings& list, const std::string& name, const std::string& value) {
  list.SetValues(name, value);
}

void TdmServerProperties::SetServicesParam(const std::string& name, const std::string& value) {
  if (IBServerProperties.Active()) IBServerProperties.Detach();
  SetParam(IBServerProperties.Params(), name, value);
}

void TdmServerProperties::SetUserName(const std::string& value) {
  SetParam(IBDatabase.Params(), "user_name", value);
  SetServicesParam("user_name", value);
}

void TdmServerProperties::SetPassword(const std::string& value) {
  SetParam(IBDatabase.Params(), "password", value);
  SetServicesParam("password", value);
}

void TdmServerProperties::IBDatabaseBeforeConnect(TIBDatabase*) { IBDatabase.SetSQLDialect(3); }

void TdmServerProperties::IBDatabaseConnect(TIBDatabase*) {
  fMajor = 0;
  fMinor = 0;
  fServerVersion.clear();
  if (!IBDatabase.Connected()) fServerName.clear();
  if (OnChange) OnChange(this);
}

std::string TdmServerProperties::ServerVersion() {
  if (fServerVersion.empty()) FetchServerVersion();
  return fServerVersion;
}

int TdmServerProperties::ServerMajorVersion() {
  if (fMajor == 0) ParseServerVersion();
  return fMajor;
}

int TdmServerProperties::ServerMinorVersion() {
  if (fMajor == 0) ParseServerVersion();
  return fMinor;
}

TProtocol TdmServerProperties::Protocol() {
  if (fServerName.empty()) GetServerNameAndProtocol();
  return fProtocol;
}

std::string TdmServerProperties::ServerName() {
  if (fServerName.empty()) GetServerNameAndProtocol();
  return fServerName;
}

void TdmServerProperties::GetServerNameAndProtocol() {
  const std::string d = DatabaseName();
  if (d.size() >= 2 && d[0] == '\\' && d[1] == '\\') {
    size_t end = d.find('\\', 2);
    fProtocol = NamedPipe;
    fServerName = end == std::string::npos ? std::string() : d.substr(2, end - 2);
    return;
  }
  // URL forms: inet://host[:port]/path, also inet4:// and inet6://.
  for (const char* scheme : {"inet://", "inet4://", "inet6://"}) {
    std::string s = scheme;
    if (SameText(d.substr(0, s.size()), s)) {
      size_t end = d.find('/', s.size());
      fProtocol = TCP;
      fServerName = d.substr(s.size(), end == std::string::npos ? std::string::npos : end - s.size());
      return;
    }
  }
  size_t p = d.find(':');
  if (p == std::string::npos) {
    // A Linux path or an alias: served locally.
    fProtocol = Local;
    fServerName.clear();
    return;
  }
  bool secondColon = d.find(':', p + 1) != std::string::npos;
  bool slashFollows = p + 1 < d.size() && d[p + 1] == '/';
  if (!secondColon && !slashFollows) {
    if (d.substr(0, p + 1).find('@') != std::string::npos) {
      fProtocol = SPX;
      fServerName = d.substr(0, p);
    } else {
      fProtocol = Local;
      fServerName.clear();
    }
    return;
  }
  fProtocol = TCP;
  fServerName = d.substr(0, p);
}

void TdmServerProperties::ConfigureServices() {
  GetServerNameAndProtocol();
  IBServerProperties.Protocol = fProtocol;
  if (fProtocol != Local) IBServerProperties.ServerName = fServerName;
}

bool TdmServerProperties::AttachServices() {
  ConfigureServices();
  IBServerProperties.LoginPrompt = false;
  try {
    IBServerProperties.SetActive(true);
  } catch (const EIBClientError& e) {
    if (e.Message().find("is an InterBase 6 function. Please upgrade to InterBase 6 to use this functonality") !=
        std::string::npos)
      return false;
    throw;
  }
  return true;
}

void TdmServerProperties::FetchServerVersion() {
  if (!AttachServices()) {
    fServerVersion = ServicesNotSupportedText;
    return;
  }
  try {
    IBServerProperties.Options = {Version};
    IBServerProperties.FetchVersionInfo();
    fServerVersion = IBServerProperties.VersionInfo().ServerVersion;
  } catch (...) {
    try {
      IBServerProperties.SetActive(false);
    } catch (...) {}
    throw;
  }
  IBServerProperties.SetActive(false);
}

void TdmServerProperties::ParseServerVersion() {
  const std::string text = ServerVersion();
  if (text == ServicesNotSupportedText) {
    fMajor = 5;
    fMinor = 6;
    return;
  }
  fMajor = 0;
  fMinor = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    bool startsAfterMajor = fMajor != 0;
    size_t j = i;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j >= text.size()) break;                              // a run that reaches the end is not converted
    const int value = StrToIntDef(text.substr(i, j - i), 1);  // 1 when too large
    if (fMajor == 0) {
      fMajor = value;
    } else if (startsAfterMajor) {
      fMinor = value;
      break;
    }
    i = j;
  }
}

bool TdmServerProperties::SupportsQueryCancel() {
  int major = ServerMajorVersion();
  int minor = ServerMinorVersion();
  if (major > 6 || (major == 6 && minor > 4)) return true;
  // Firebird cancels from 2.5 on, through its own cancel call.
  return ServerVersion().find("Firebird") != std::string::npos && (major > 2 || (major == 2 && minor >= 5));
}

bool TdmServerProperties::CanCancelQueries() {
  return !DatabaseName().empty() && Protocol() != Local && SupportsQueryCancel();
}

void TdmServerProperties::ForceDisconnect() {
  // A close announces itself (AfterDisconnect); only a call with nothing to close says so here.
  if (IBDatabase.Connected())
    IBDatabase.ForceClose();
  else if (OnChange)
    OnChange(this);
}
