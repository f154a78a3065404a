#include <Core/Core.h>
#include <draw/Draw.h>
#include <richtext/RichText.h>

int main()
{
	void* p = Qel::MemoryAlloc(100);
	Qel::MemoryFree(p);
	Qel::ImageBuffer b(2, 2);
	Qel::Image img = b;
	if(img.GetSize() != Qel::Size(2, 2))
		return 1;
	// linking Qel::Png is enough for PNG files to load: a red and a blue pixel
	static const char png[] =
		"\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00"
		"\x00\x01\x08\x02\x00\x00\x00\x7b\x40\xe8\xdd\x00\x00\x00\x0d\x49\x44\x41\x54\x78\x9c\x63"
		"\xf8\xcf\x00\x04\xff\x01\x07\x00\x01\xff\xe2\x23\x9e\x59\x00\x00\x00\x00\x49\x45\x4e\x44"
		"\xae\x42\x60\x82";
	Qel::Image pic = Qel::LoadImageString(Qel::String(png, sizeof(png) - 1));
	if(pic.GetSize() != Qel::Size(2, 1) || pic[0][0].r != 255 || pic[0][1].b != 255)
		return 1;
	// linking Qel::RichText is enough for its field types to be registered
	return Qel::RichPara::GetFieldType("VALUE") ? 0 : 1;
}
