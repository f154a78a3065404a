// Image lists: named sets of small images compiled into the executable as zlib-compressed
// blocks (made by tools/imlbuild from PNG files). Blocks are decoded on first use, one at a
// time, and each image is then adapted to the display: a double-resolution or dark twin when the
// list has one, else an automatic doubling, halving or dark conversion. Registered lists are
// reachable by one text, "List:image".
#pragma once

#include <draw/image/DisplayMode.h>
#include <draw/image/Image.h>

#include <Core/container/Array.h>
#include <Core/container/Index.h>

#include <atomic>

namespace Qel {

// Flag bits stored with each image of a list.
enum {
	IML_IMAGE_FLAG_FIXED        = 1,  // never converted
	IML_IMAGE_FLAG_FIXED_COLORS = 2,  // no dark conversion
	IML_IMAGE_FLAG_FIXED_SIZE   = 4,  // no size conversion
	IML_IMAGE_FLAG_UHD          = 8,  // drawn at double resolution
	IML_IMAGE_FLAG_DARK         = 16, // already dark
	IML_IMAGE_FLAG_S3           = 32, // triple resolution, shrunk by 3 when decoded
};

struct ImageIml {
	using Relocatable = void;
	Image image;
	dword flags = 0;
};

// The records of one inflated block: 13-byte headers (flags; 16-bit little-endian width,
// height, hot spot x, y, second spot x, y) each followed by width * height pixels as R, G, B, A.
// A record whose pixels are cut short gives an empty image and ends the parse.
void ParseImlBlob(Vector<ImageIml>& out, const void* data, int len);
void ParseImlBlob(Vector<ImageIml>& out, const String& data);

class Iml {
public:
	// Variant sets of stored blocks.
	enum { BASE, DARK, UHD, UHD_DARK, SET_COUNT };

	// names: count image names; the table must outlive the list.
	Iml(const char* const* names, int count);
	Iml(const Iml&) = delete;
	Iml& operator=(const Iml&) = delete;

	void AddNames(const char* const* names, int count);
	void AddName(const char* name);
	// data (length bytes, zlib) holds count images of the set; it must outlive the list.
	void AddData(int set, const byte* data, int length, int count);

	int    GetCount() const                 { return name[BASE].GetCount(); }
	String GetName(int i) const             { return name[BASE][i]; }
	int    Find(const String& id) const     { return name[BASE].Find(id); }

	// Entry i adapted to the display; copies handed out earlier see later refreshes.
	Image Get(int i);
	// Entry i replaced by a private copy of img.
	void  Set(int i, const Image& img);

	// The i-th stored image of a set across its blocks, as stored (premultiplied when the list
	// premultiplies); empty when absent.
	ImageIml GetRaw(int set, int i);
	ImageIml GetRaw(int set, const String& id);

	// Mode bits are or-ed into every image's flags when it is adapted.
	void  SetMode(dword m)                  { mode = m; }
	dword GetMode() const                   { return mode; }
	void  Premultiplied(bool b)             { premultiply = b; }

	// Loaded entries decoded again now (handed-out images change in place where sizes match).
	void Refresh();
	static void RefreshAll();
	// Every entry of every list decoded again on next use.
	static void ResetAll();

private:
	struct Block {
		const byte* data;
		int         length;
		int         count;
	};
	struct Entry {
		std::atomic<byte> loaded{0};
		Image             image;
	};

	Vector<Block>  data[SET_COUNT];
	Index<String>  name[SET_COUNT];
	Array<Entry>   entry;
	dword          mode = 0;
	bool           premultiply = true;

	void Reset();
};

// Every image of target that source also has, taken from source into target.
void   OverrideImlImages(Iml& target, Iml& source);

void   RegisterIml(const char* name, Iml& list);
int    GetImlCount();
// The registry index of a list, or -1.
int    FindIml(const char* name);
Iml&   GetIml(int i);
String GetImlName(int i);
// "List:image" (any number of ':' between the two); empty when either is missing.
Image  GetImlImage(const char* text);

} // namespace Qel
