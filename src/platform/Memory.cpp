// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Memory.h"

#include <malloc.h>

void Memory::returnFreedToSystem()
{
    malloc_trim(0);
}
