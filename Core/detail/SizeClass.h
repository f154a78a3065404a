// Size classes and the usable size a request is rounded to; shared by both forms of the heap, so
// callers see the same capacities whichever form is built.
#pragma once

#include <Core/base/Defs.h>

namespace Qel::detail {

inline constexpr int    HeapClassCount = 23;
inline constexpr size_t SmallMax = 992;     // largest request served by a size class
inline constexpr size_t LargeMax = 65264;   // largest request served by a large chunk
inline constexpr size_t BigHeaderSize = 80;     // bytes in front of a big block's data

inline constexpr uint16 ClassSize[HeapClassCount] = {
	32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 448, 576, 672, 800, 992,
	8, 16, 24, 40, 48, 56,
};

// Class of a request, indexed by (size + 31) / 32 for sizes 0..992.
inline constexpr uint8 SizeClassByUnit[32] = {
	0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 12, 13,
	13, 13, 13, 14, 14, 14, 15, 15, 15, 15, 16, 16, 16, 16, 16, 16,
};

QEL_FORCE_INLINE int SizeClass(size_t size)
{
	return SizeClassByUnit[(size + 31) >> 5];
}

// Large blocks: a 16-byte header in front, whole 256-byte units.
constexpr size_t LargeUnits(size_t size) { return (size + 16 + 255) >> 8; }

// Large requests are rounded up to classes, four to a doubling above 8 units, so that a freed
// block serves the next request of its class as it is (the thread heaps keep recently freed
// blocks by class). Units 225..255 take a whole chunk; that last class is not cached.
inline constexpr int   LargeCacheClasses = 24;
inline constexpr uint8 LargeClassUnits[LargeCacheClasses + 1] = {
	4, 5, 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 255,
};

struct LargeClassTable {
	uint8 of[256] = {}; // class of a block of n units: the first whose units are n or more

	constexpr LargeClassTable()
	{
		for(int n = 0, c = 0; n < 256; n++) {
			while(LargeClassUnits[c] < n)
				c++;
			of[n] = (uint8)c;
		}
	}
};
inline constexpr LargeClassTable LargeClassOf;

// Units of the block that serves a large request. Below 4 units only a block shrunk in place
// can be: it keeps its exact size.
constexpr size_t LargeBlockUnits(size_t size)
{
	size_t units = LargeUnits(size);
	return units < 4 ? units : LargeClassUnits[LargeClassOf.of[units]];
}

// Big blocks: whole 4 KB pages, 80 bytes of header. Zero when the page count would overflow.
constexpr size_t BigPages(size_t size)
{
	return size > ~size_t(0) - BigHeaderSize - 4095 ? 0 : (size + BigHeaderSize + 4095) >> 12;
}

} // namespace Qel::detail
