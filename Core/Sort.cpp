#include "Sort.h"

namespace Qel {

namespace detail {

int SortRandom(int n)
{
	// Per-thread xorshift; pivots only need to be unpredictable for adversarial inputs.
	thread_local qword state = 0x9e3779b97f4a7c15ull ^ (qword)(uintptr_t)&state;
	state ^= state << 13;
	state ^= state >> 7;
	state ^= state << 17;
	return n > 0 ? int((state >> 32) % (qword)n) : 0;
}

} // namespace detail

void Sort(int* first, int* last)
{
	Sort(first, last, [](int a, int b) { return a < b; });
}

} // namespace Qel
