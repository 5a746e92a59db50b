#pragma once
// Exceptions raised by the editor library.

#include "platform/core/SysUtils.h"

VT_DECLARE_EXCEPTION(EkcEditError, Exception);
