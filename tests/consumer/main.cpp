#include <Core/Core.h>

int main()
{
	void* p = Qel::MemoryAlloc(100);
	Qel::MemoryFree(p);
	return 0;
}
