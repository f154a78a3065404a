#include "Sort.h"

namespace Qel {

void Sort(int* first, int* last)
{
	Sort(first, last, [](int a, int b) { return a < b; });
}

} // namespace Qel
