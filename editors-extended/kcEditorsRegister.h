#pragma once
// Start-up and shut-down of the extended editors: every editor kind of this library is named
// in the editor properties registry ("Name|Description"), then the default kinds per value
// type and per field type are registered. Each runs once (a counter) and shut-down undoes it in
// reverse order. The filter helpers of these kinds are paired by the filter builder's own
// start-up, which lies above this library.

#include "editors/kcEditRepository.h"

struct TkcEditorKindRegistration {
  TClass PropertiesClass;
  const char* Text;  // "Name|Description", registered as it stands (not translated)
};

// The editor kinds of this library, in start-up order.
const std::vector<TkcEditorKindRegistration>& GetExtendedEditorKinds();

void InitializeExtendedEditors();
void FinalizeExtendedEditors();
