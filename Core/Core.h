// Umbrella header of Qel::Core.
#pragma once

#include "Defs.h"
#include "Panic.h"
#include "Heap.h"
#include "Log.h"
#include "Function.h"
#include "Thread.h"
#include "App.h"
