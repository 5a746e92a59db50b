#pragma once
// The object model the component code is written against: class references with virtual
// constructors, interfaces by GUID, events with identity, sets of enums, persistent objects,
// components in an ownership tree, collections, lists, string lists and byte streams.
//
// One header per concept; this one brings them all.

#include "platform/core/Collections.h"
#include "platform/core/Components.h"
#include "platform/core/Lists.h"
#include "platform/core/ObjectModel.h"
#include "platform/core/Streams.h"
#include "platform/core/StringLists.h"
