// Umbrella header of Qel::Core.
#pragma once

#include "Defs.h"
#include "Panic.h"
#include "Heap.h"
#include "Mem.h"
#include "String.h"
#include "Exc.h"
#include "Hash.h"
#include "Vector.h"
#include "Array.h"
#include "Buffer.h"
#include "Index.h"
#include "Map.h"
#include "PackedData.h"
#include "Sort.h"
