// Umbrella header of Qel::Core.
#pragma once

#include "Defs.h"
#include "Panic.h"
#include "Heap.h"
#include "Mem.h"
#include "String.h"
#include "Exc.h"
