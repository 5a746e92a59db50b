#pragma once
// Object lists live with the other lists.
#include "platform/core/Classes.h"
