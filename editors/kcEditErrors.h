#pragma once
// Exceptions raised by the editor library.

#include "platform/core/SysUtils.h"

VT_DECLARE_EXCEPTION(EkcEditError, Exception);
// A mask that cannot be used (an invalid regular expression, with its errors in the message).
VT_DECLARE_EXCEPTION(EkcMaskEditError, EkcEditError);
