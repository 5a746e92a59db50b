#include "editor/SxEditKbdHandler.h"

void TSxMethodChain::RemoveMethod(const TNotifyEvent& Method) {
  for (std::size_t i = fMethods.size(); i-- > 0;)
    if (fMethods[i].SameMethod(Method)) fMethods.erase(fMethods.begin() + static_cast<std::ptrdiff_t>(i));
}

bool TSxMethodChain::DoHandleException(Exception& E) {
  if (!ExceptionHandler) throw;  // rethrows the exception being handled
  bool doContinue = true;
  try {
    ExceptionHandler(this, E, doContinue);
  } catch (...) {
    throw ESxMethodChain(std::string(ClassName()) +
                         ".DoHandleException : MUST NOT occur any kind of exception in ExceptionHandler");
  }
  return doContinue;
}

bool TSxMethodChain::HasMethod(const TNotifyEvent& Method) const {
  if (!Method.Id().IsAssigned()) return true;  // cannot have been removed
  for (const auto& m : fMethods)
    if (m.SameMethod(Method)) return true;
  return false;
}

void TSxMethodChain::Fire() {
  // A copy, so that a listener may add or remove listeners while the chain runs; a listener
  // removed meanwhile (an editor being freed) is not called.
  const std::vector<TNotifyEvent> methods = fMethods;
  for (const auto& m : methods) {
    if (!HasMethod(m)) continue;
    try {
      ExecuteMethod(m);
    } catch (Exception& e) {
      if (!DoHandleException(e)) break;
    }
  }
}
