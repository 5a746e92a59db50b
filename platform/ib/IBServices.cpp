#include "platform/ib/IBServices.h"

#include "platform/ib/IBErrors.h"

#include <cctype>
#include <map>
#include <vector>

TIBServerProperties::~TIBServerProperties() {
  try {
    Detach();
  } catch (...) {}
}

std::string TIBServerProperties::ServiceName() const {
  switch (Protocol) {
    case TCP:
      if (ServerName.find(':') != std::string::npos) return "inet://" + ServerName + "/service_mgr";
      return ServerName + ":service_mgr";
    case SPX: return ServerName + "@service_mgr";
    case NamedPipe: return "\\\\" + ServerName + "\\service_mgr";
    case Local: break;
  }
  return "service_mgr";
}

void TIBServerProperties::SetActive(bool value) {
  if (value == Active()) return;
  if (value)
    Attach();
  else
    Detach();
}

void TIBServerProperties::Attach() {
  if (Active()) return;
  const TIBClientLibrary& ib = IBClient();
  if (!ib.isc_service_attach || !ib.isc_service_query || !ib.isc_service_detach)
    throw EIBClientError(
        "isc_service_attach is an InterBase 6 function. Please upgrade to InterBase 6 to use this functonality");
  std::string spb;
  spb += static_cast<char>(isc_spb_version);
  spb += static_cast<char>(isc_spb_current_version);
  static const std::map<std::string, char> items = {{"user_name", isc_spb_user_name}, {"password", isc_spb_password}};
  for (int i = 0; i < fParams.Count(); ++i) {
    std::string line = fParams.Strings(i);
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::string key = LowerCase(line.substr(0, line.find('=')));
    auto it = items.find(key);
    if (it == items.end()) throw EIBClientError("SPB Constant (isc_spb_" + key + ") is unknown");
    std::string value = fParams.ValueFromIndex(i).substr(0, 255);
    spb += it->second;
    spb += static_cast<char>(value.size());
    spb += value;
  }
  std::string name = ServiceName();
  ISC_STATUS_ARRAY status{};
  isc_svc_handle handle = 0;
  ib.isc_service_attach(status, static_cast<unsigned short>(name.size()), name.c_str(), &handle,
                        static_cast<unsigned short>(spb.size()), spb.data());
  IBCheck(status);
  fHandle = handle;
}

void TIBServerProperties::Detach() {
  if (!Active()) return;
  ISC_STATUS_ARRAY status{};
  IBClient().isc_service_detach(status, &fHandle);
  fHandle = 0;
  IBCheck(status);
}

void TIBServerProperties::FetchVersionInfo() {
  if (!Active()) throw EIBClientError("Service not attached");
  const TIBClientLibrary& ib = IBClient();
  char items[] = {isc_info_svc_server_version, isc_info_svc_implementation, isc_info_svc_version};
  std::vector<char> buffer(4096, '\0');
  ISC_STATUS_ARRAY status{};
  ib.isc_service_query(status, &fHandle, nullptr, 0, nullptr, sizeof items, items,
                       static_cast<unsigned short>(buffer.size()), buffer.data());
  IBCheck(status);
  fVersionInfo = TIBVersionInfo{};
  size_t p = 0;
  while (p < buffer.size() && buffer[p] != isc_info_end) {
    char item = buffer[p];
    if (item == isc_info_svc_version) {
      if (p + 5 > buffer.size()) break;
      fVersionInfo.ServiceVersion = static_cast<int>(ib.isc_vax_integer(buffer.data() + p + 1, 4));
      p += 5;
      continue;
    }
    if (p + 3 > buffer.size()) break;
    size_t len = static_cast<unsigned short>(ib.isc_vax_integer(buffer.data() + p + 1, 2));
    if (p + 3 + len > buffer.size()) break;
    std::string text(buffer.data() + p + 3, len);
    if (item == isc_info_svc_server_version)
      fVersionInfo.ServerVersion = text;
    else if (item == isc_info_svc_implementation)
      fVersionInfo.ServerImplementation = text;
    else
      break;
    p += 3 + len;
  }
}
