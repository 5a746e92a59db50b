#pragma once
// The one lookup every user-visible library text passes through, so that a translation facility
// can be added in one place. No translation table exists, so texts come back unchanged.

#include "platform/core/SysUtils.h"

inline String LocalizeText(const String& AText) { return AText; }
