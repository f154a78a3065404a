#include "Raster.h"
#include <draw/detail/BuiltIn.h>
#include <draw/image/ImageFlip.h>

#include <Core/stream/FileStream.h>
#include <Core/base/Heap.h>
#include <Core/stream/StringStream.h>
#include <Core/thread/Thread.h>
#include <Core/container/Vector.h>

#include <atomic>

namespace Qel {

void Raster::Line::Free()
{
	if(free && data)
		MemoryFree((void*)data);
	if(fmtfree && fmtdata)
		MemoryFree((void*)fmtdata);
	data = nullptr;
	fmtdata = nullptr;
	free = fmtfree = false;
}

void Raster::Line::Take(Line& b)
{
	data = b.data;
	fmtdata = b.fmtdata;
	raster = b.raster;
	free = b.free;
	fmtfree = b.fmtfree;
	b.data = nullptr;
	b.fmtdata = nullptr;
	b.free = b.fmtfree = false;
}

void Raster::Line::MakeRGBA() const
{
	if(!raster || !fmtdata) {
		data = (const RGBA*)fmtdata;
		return;
	}
	const RasterFormat* f = raster->GetFormat();
	if(!f) {
		data = (const RGBA*)fmtdata;
		return;
	}
	int cx = max(raster->GetSize().cx, 0);
	RGBA* rgba = (RGBA*)MemoryAlloc(size_t(cx) * sizeof(RGBA));
	f->Read(rgba, fmtdata, cx, raster->GetPalette());
	data = rgba;
	free = true;
}

void  Raster::SeekPage(int)               {}
int   Raster::GetActivePage()             { return 0; }
int   Raster::GetPageCount()              { return 1; }
Rect  Raster::GetPageRect(int)            { return Rect(Point(0, 0), GetSize()); }
int   Raster::GetPaletteCount()           { return 0; }
bool  Raster::ReadRow(int, RGBA*)         { return false; }
Value Raster::GetMetaData(String)         { return Value(); }
void  Raster::EnumMetaData(Vector<String>& id_list) { id_list.Clear(); }
Raster::~Raster()                         {}

Image Raster::GetImage(int x, int y, int cx, int cy, const Gate<int, int>& progress)
{
	Size sz = GetSize();
	if(sz.cx < 0 || sz.cy < 0)
		return Image();
	// origin clamped first, then the far edge cut at the raster's edge; 64-bit so that no
	// rectangle wraps
	int64 x0 = clamp<int64>(x, 0, sz.cx);
	int64 y0 = clamp<int64>(y, 0, sz.cy);
	int width = int(min<int64>(max<int64>(x0 + cx, x0), sz.cx) - x0);
	int height = int(min<int64>(max<int64>(y0 + cy, y0), sz.cy) - y0);
	ImageBuffer b;
	if(width && height && !b.Create(width, height))
		return Image();
	bool whole = x0 == 0 && width == sz.cx;
	for(int i = 0; i < height; i++) {
		if(progress && progress(i, height))
			return Image();
		if(whole && ReadRow(int(y0 + i), b[i]))
			continue;
		Line line = GetLine(int(y0 + i));
		const RGBA* row = line.GetRGBA();
		if(row && width)
			memcpy(b[i], row + x0, size_t(width) * sizeof(RGBA));
	}
	Info info = GetInfo();
	b.SetHotSpot(Point(info.hotspot.x - int(x0), info.hotspot.y - int(y0)));
	if(sz.cx && sz.cy)
		b.SetPhysicalSize(Size(int(int64(width) * info.dots.cx / sz.cx), int(int64(height) * info.dots.cy / sz.cy)));
	b.SetKind(info.kind);
	if(IsError())
		return Image();
	return ApplyOrientation(Image(b), info.orientation);
}

Image Raster::GetImage(const Gate<int, int>& progress)
{
	Size sz = GetSize();
	return GetImage(0, 0, sz.cx, sz.cy, progress);
}

bool StreamRaster::IsError()
{
	return error || !s || s->IsError();
}

bool StreamRaster::Open(Stream& st)
{
	s = &st;
	error = !Create();
	return !error;
}

Raster::Info ImageRaster::GetInfo()
{
	Info f;
	f.bpp = 32;
	f.colors = 16777216;
	f.dots = img.GetPhysicalSize();
	f.hotspot = img.GetHotSpot();
	f.kind = img.GetKind();
	f.orientation = 0;
	return f;
}

Raster::Line ImageRaster::GetLine(int line)
{
	return Line(img[line], false);
}

namespace {

StaticMutex sRegistryMutex;
std::atomic<void (*)()> sBuiltInFormats;

Vector<StreamRasterFactory>& sFactories()
{
	static Vector<StreamRasterFactory> x;
	return x;
}

} // namespace

void detail::SetBuiltInRasterFormats(void (*add)())
{
	sBuiltInFormats.store(add);
}

void RegisterStreamRasterFormat(StreamRasterFactory factory)
{
	Mutex::Lock lock(sRegistryMutex);
	sFactories().Add(factory);
}

std::unique_ptr<StreamRaster> OpenStreamRaster(Stream& s)
{
	// the module's own formats join on first use, after the formats registered at start-up
	if(void (*add)() = sBuiltInFormats.load())
		add();
	Mutex::Lock lock(sRegistryMutex);
	for(StreamRasterFactory factory : sFactories()) {
		int64 pos = s.GetPos();
		std::unique_ptr<StreamRaster> r(factory());
		s.ClearError();
		if(r->Open(s))
			return r;
		s.ClearError();
		s.Seek(pos);
	}
	return nullptr;
}

Image LoadImageAny(Stream& s, const Gate<int, int>& progress)
{
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
	return r ? r->GetImage(progress) : Image();
}

Image LoadImageFile(const char* path, const Gate<int, int>& progress)
{
	FileIn in(path);
	if(!in.IsOpen())
		return Image();
	return LoadImageAny(in, progress);
}

Image LoadImageString(const String& data, const Gate<int, int>& progress)
{
	StringStream s(data);
	return LoadImageAny(s, progress);
}

} // namespace Qel
