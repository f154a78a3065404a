// Random sequences of allocations, frees and in-place resizes; every block carries a fill pattern
// that is checked before it is resized or freed, so overlapping blocks or bad sizes show up.
#include <Core/Core.h>

#include <cstdlib>
#include <cstring>

using namespace Qel;

// The native heap keeps its blocks in mappings of its own, which the leak checker does not scan,
// so pointers held there (start-up registrations) would look leaked.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

struct Block {
	uint8* ptr = nullptr;
	size_t size = 0;
	int    klass = -1; // a MemoryAllocClass block
	uint8  seed = 0;
};

void Fill(Block& b)
{
	memset(b.ptr, b.seed, b.size);
}

// Compared a page at a time against a page of the pattern: memcmp keeps the check cheap.
void Check(const Block& b)
{
	static uint8 pattern[256][4096];
	static bool ready = false;
	if(!ready) {
		for(int i = 0; i < 256; i++)
			memset(pattern[i], i, 4096);
		ready = true;
	}
	for(size_t i = 0; i < b.size; i += 4096)
		if(memcmp(b.ptr + i, pattern[b.seed], min(b.size - i, size_t(4096))))
			abort();
}

void Release(Block& b)
{
	if(!b.ptr)
		return;
	Check(b);
	if(b.klass >= 0)
		MemoryFreeClass(b.klass, b.ptr);
	else if(b.size == 32 && b.seed & 1)
		MemoryFree32(b.ptr);
	else
		MemoryFree(b.ptr);
	b = Block();
}

// Sizes over the tiers: mostly small, some large, a few big.
size_t DrawSize(const uint8* d)
{
	size_t v = d[0] | d[1] << 8 | d[2] << 16;
	switch(d[3] & 15) {
	case 0: return v % 150000;
	case 1: return 993 + v % 64272;
	case 2:
	case 3: return 993 + v % 8000;
	default: return v % 1024;
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	constexpr int Slots = 32;
	Block slot[Slots];
	for(size_t at = 0; at + 5 <= size; at += 5) {
		const uint8* d = data + at;
		Block& b = slot[d[0] % Slots];
		uint8 seed = uint8(at * 31 + 7);
		switch(d[0] / Slots % 6) {
		case 0:
		case 1:
			Release(b);
			b.size = DrawSize(d + 1);
			b.ptr = (uint8*)MemoryAlloc(b.size);
			b.seed = seed;
			Fill(b);
			break;
		case 2: {
			Release(b);
			size_t n = DrawSize(d + 1);
			b.ptr = (uint8*)MemoryAllocSz(n);
			if(n < DrawSize(d + 1))
				abort();
			b.size = n;
			b.seed = seed | 1;
			Fill(b);
			break;
		}
		case 3:
			if(b.ptr && ((uintptr_t)b.ptr & 16) && b.klass < 0) {
				Check(b);
				size_t n = DrawSize(d + 1);
				size_t want = n;
				if(MemoryTryRealloc(b.ptr, n)) {
					if(n < want)
						abort();
					size_t old = b.size;
					b.size = min(old, n);
					Check(b);
					b.size = n;
					Fill(b);
				}
				else if(n != want)
					abort();
			}
			break;
		case 4: {
			Release(b);
			static const int classes[] = {0, 5, 16, 18};
			b.klass = classes[d[1] & 3];
			b.ptr = (uint8*)MemoryAllocClass(b.klass);
			b.size = b.klass == 18 ? 16 : b.klass == 0 ? 32 : b.klass == 5 ? 192 : 992;
			b.seed = seed;
			Fill(b);
			break;
		}
		default:
			Release(b);
			break;
		}
	}
	for(Block& b : slot)
		Release(b);
	return 0;
}
