#include "Iml.h"

#include <draw/imageops/ImageFilter.h>
#include <draw/imageops/ImageOp.h>
#include <draw/imageops/ImageScale.h>

#include <Core/thread/Thread.h>
#include <Core/stream/Zlib.h>

namespace Qel {

namespace {

// One recursive lock for all decoding and look-ups: GetImlImage holds it across FindIml and
// Iml::Get.
StaticMutex sImlMutex;

// Per variant set: the last decoded block, by its address.
struct sBlockCache {
	const byte*      data = nullptr;
	Vector<ImageIml> images;
};

sBlockCache& sCache(int set)
{
	static sBlockCache c[Iml::SET_COUNT];
	return c[set];
}

int sGet16(const byte* p)
{
	return p[0] | (p[1] << 8);
}

} // namespace

void ParseImlBlob(Vector<ImageIml>& out, const void* data, int len)
{
	const byte* s = (const byte*)data;
	const byte* e = s + max(len, 0);
	while(e - s >= 13) {
		ImageIml& m = out.Add();
		m.flags = s[0];
		int cx = sGet16(s + 1);
		int cy = sGet16(s + 3);
		Point hot(sGet16(s + 5), sGet16(s + 7));
		Point spot2(sGet16(s + 9), sGet16(s + 11));
		s += 13;
		int64 n = int64(cx) * cy;
		if(n * 4 > e - s)
			break;
		if(n) {
			ImageBuffer b(cx, cy);
			for(RGBA& t : b) {
				t.r = s[0];
				t.g = s[1];
				t.b = s[2];
				t.a = s[3];
				s += 4;
			}
			b.SetHotSpot(hot);
			b.Set2ndSpot(spot2);
			m.image = b;
		}
	}
}

void ParseImlBlob(Vector<ImageIml>& out, const String& data)
{
	ParseImlBlob(out, data.Begin(), data.GetLength());
}

Iml::Iml(const char* const* names, int count)
{
	AddNames(names, count);
}

void Iml::AddNames(const char* const* names, int count)
{
	for(int i = 0; i < count; i++)
		AddName(names[i]);
}

void Iml::AddName(const char* id)
{
	name[BASE].Add(id);
	entry.Add();
}

void Iml::AddData(int set, const byte* d, int length, int count)
{
	if(set >= 0 && set < SET_COUNT)
		data[set].Add(Block{d, length, count});
}

ImageIml Iml::GetRaw(int set, int i)
{
	if(set < 0 || set >= SET_COUNT || i < 0)
		return ImageIml();
	Mutex::Lock lock(sImlMutex);
	for(const Block& b : data[set]) {
		if(i < b.count) {
			sBlockCache& c = sCache(set);
			if(c.data != b.data) {
				c.data = b.data;
				c.images.Clear();
				ParseImlBlob(c.images, ZDecompress(b.data, b.length));
				if(premultiply)
					for(ImageIml& m : c.images)
						m.image = Premultiply(m.image);
			}
			return i < c.images.GetCount() ? c.images[i] : ImageIml();
		}
		i -= b.count;
	}
	return ImageIml();
}

ImageIml Iml::GetRaw(int set, const String& id)
{
	if(set < 0 || set >= SET_COUNT)
		return ImageIml();
	int i = name[set].Find(id);
	return i < 0 ? ImageIml() : GetRaw(set, i);
}

namespace {

template <class Loader>
Image sMakeImlImage(const String& id, Loader&& load, dword mode)
{
	static const int codes[4][4] = { { 0, 2, -1 }, { 1, 3, 0, 2 }, { 2, 0, -1 }, { 3, 1, 2, 0 } };
	bool hidpi = IsHiDpiMode(), dark = IsDarkTheme();
	ImageIml m;
	for(int code : codes[2 * hidpi + dark]) {
		if(code < 0)
			break;
		String n = id;
		if(code & 2)
			n << "__UHD";
		if(code & 1)
			n << "__DARK";
		m = load(Iml::BASE, n);
		if(m.image.IsEmpty())
			m = load(code, id);
		if(!m.image.IsEmpty())
			break;
	}
	Image img = m.image;
	if(img.IsEmpty())
		return img;
	dword f = m.flags;
	dword fm = f | mode;
	if(f & IML_IMAGE_FLAG_S3)
		img = DownSample3x(img);
	if(!(fm & (IML_IMAGE_FLAG_FIXED | IML_IMAGE_FLAG_FIXED_SIZE))) {
		if(hidpi && !(f & IML_IMAGE_FLAG_UHD))
			img = Upscale2x(img);
		else if(!hidpi && (f & IML_IMAGE_FLAG_UHD))
			img = Downscale2x(img);
	}
	if(dark && !(f & IML_IMAGE_FLAG_DARK) && !(fm & (IML_IMAGE_FLAG_FIXED | IML_IMAGE_FLAG_FIXED_COLORS)))
		img = DarkTheme(img);
	SetKindFromPixels(img);
	return img;
}

// The entry keeps its record when the size allows: copies handed out earlier show the new
// pixels under a new serial id.
void sReplaceImageData(Image& dst, Image& src)
{
	if(!dst.IsEmpty() && !src.IsEmpty() && dst.GetSize() == src.GetSize())
		detail::ReplaceImagePixels(dst, src);
	else
		dst = src;
}

} // namespace

Image Iml::Get(int i)
{
	if(i < 0 || i >= entry.GetCount())
		return Image();
	Entry& e = entry[i];
	// Always under the lock: a reset or refresh on another thread may put a new record into the
	// entry, and a copy taken while that happens would retain a released one.
	Mutex::Lock lock(sImlMutex);
	if(!e.loaded.load(std::memory_order_relaxed)) {
		Image img = sMakeImlImage(name[BASE][i],
		                          [&](int set, const String& id) { return GetRaw(set, id); }, mode);
		sReplaceImageData(e.image, img);
		e.loaded.store(1, std::memory_order_release);
	}
	return e.image;
}

void Iml::Set(int i, const Image& img)
{
	if(i < 0 || i >= entry.GetCount())
		return;
	Image m = img;
	ImageBuffer b(m);
	Image copy = b;
	Mutex::Lock lock(sImlMutex);
	Entry& e = entry[i];
	sReplaceImageData(e.image, copy);
	e.loaded.store(1, std::memory_order_release);
}

void Iml::Reset()
{
	for(Entry& e : entry)
		e.loaded.store(0, std::memory_order_relaxed);
}

void Iml::Refresh()
{
	Mutex::Lock lock(sImlMutex);
	for(int i = 0; i < entry.GetCount(); i++)
		if(entry[i].loaded.load(std::memory_order_relaxed)) {
			entry[i].loaded.store(0, std::memory_order_relaxed);
			Get(i);
		}
}

void OverrideImlImages(Iml& target, Iml& source)
{
	for(int i = 0; i < target.GetCount(); i++) {
		int q = source.Find(target.GetName(i));
		if(q >= 0)
			target.Set(i, source.Get(q));
	}
}

namespace {

struct sRegistry {
	StaticMutex   mutex;
	Index<String> name;
	Vector<Iml*>  list;
};

sRegistry& sReg()
{
	static sRegistry r;
	return r;
}

Vector<Iml*> sLists()
{
	sRegistry& r = sReg();
	Mutex::Lock lock(r.mutex);
	return r.list;
}

} // namespace

void Iml::RefreshAll()
{
	for(Iml* l : sLists())
		l->Refresh();
}

void Iml::ResetAll()
{
	Mutex::Lock lock(sImlMutex);
	for(Iml* l : sLists())
		l->Reset();
}

void RegisterIml(const char* name, Iml& list)
{
	sRegistry& r = sReg();
	Mutex::Lock lock(r.mutex);
	int i = r.name.FindAdd(name);
	if(i >= r.list.GetCount())
		r.list.SetCount(i + 1, nullptr);
	r.list[i] = &list;
}

int GetImlCount()
{
	sRegistry& r = sReg();
	Mutex::Lock lock(r.mutex);
	return r.list.GetCount();
}

int FindIml(const char* name)
{
	sRegistry& r = sReg();
	Mutex::Lock lock(r.mutex);
	return r.name.Find(name);
}

Iml& GetIml(int i)
{
	sRegistry& r = sReg();
	Mutex::Lock lock(r.mutex);
	return *r.list[i];
}

String GetImlName(int i)
{
	sRegistry& r = sReg();
	Mutex::Lock lock(r.mutex);
	return r.name[i];
}

Image GetImlImage(const char* text)
{
	const char* colon = strchr(text, ':');
	if(!colon)
		return Image();
	String list(text, int(colon - text));
	while(*colon == ':')
		colon++;
	Mutex::Lock lock(sImlMutex);
	int q = FindIml(list);
	if(q < 0)
		return Image();
	Iml& l = GetIml(q);
	int i = l.Find(colon);
	return i < 0 ? Image() : l.Get(i);
}

} // namespace Qel
