#include <Core/Core.h>
#include <draw/Draw.h>

int main()
{
	void* p = Qel::MemoryAlloc(100);
	Qel::MemoryFree(p);
	Qel::ImageBuffer b(2, 2);
	Qel::Image img = b;
	return img.GetSize() == Qel::Size(2, 2) ? 0 : 1;
}
