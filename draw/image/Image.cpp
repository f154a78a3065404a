#include "Image.h"

#include <Core/base/Heap.h>
#include <Core/base/Mem.h>
#include <Core/base/Panic.h>
#include <Core/stream/Stream.h>

namespace Qel {

namespace detail {

bool CreateUninitialized(ImageBuffer& b, Size sz)
{
	return b.Alloc(sz.cx, sz.cy, false);
}

void FreeImagePixels(const Image& img)
{
	if(img.data)
		img.data->buffer.Free();
}

void ReplaceImagePixels(const Image& dst, Image& src)
{
	Image::Data* d = dst.data;
	if(!d || src.GetSize() != dst.GetSize())
		return;
	ImageBuffer b(src);
	ImageBuffer& t = d->buffer;
	RGBA* old = __atomic_exchange_n(&t.pixels, b.pixels, __ATOMIC_ACQ_REL);
	b.pixels = nullptr;
	t.CopyAttrs(b);
	__atomic_store_n(&t.kind, b.kind, __ATOMIC_RELAXED);
	d->serial = NewImageSerialId();
	if(old)
		MemoryFree(old);
}

uint64 NewImageSerialId()
{
	static uint64 counter = 0;
	return __atomic_add_fetch(&counter, 1, __ATOMIC_RELAXED);
}

} // namespace detail

void ImageBuffer::Free()
{
	if(pixels)
		MemoryFree(pixels);
	pixels = nullptr;
}

void ImageBuffer::CopyAttrs(const ImageBuffer& b)
{
	hotspot = b.hotspot;
	spot2 = b.spot2;
	dots = b.dots;
	attr = b.attr;
}

void ImageBuffer::CopySpots(const Image& img)
{
	if(img.data)
		CopyAttrs(img.data->buffer);
	else {
		hotspot = spot2 = Point();
		dots = Size();
		attr = 0;
	}
}

void ImageBuffer::TakeFrom(ImageBuffer& b)
{
	kind = b.kind;
	size = b.size;
	pixels = b.pixels;
	CopyAttrs(b);
	b.pixels = nullptr;
	b.size = Size();
	b.kind = IMAGE_UNKNOWN;
}

void ImageBuffer::Clear()
{
	Free();
	size = Size();
	kind = IMAGE_UNKNOWN;
	hotspot = spot2 = Point();
	dots = Size();
	attr = 0;
}

bool ImageBuffer::Alloc(int cx, int cy, bool zero)
{
	Clear();
	if(cx == 0 || cy == 0)
		return cx >= 0 && cy >= 0;
	if(!IsImageSizeValid(cx, cy))
		return false;
	size_t bytes = size_t(cx) * size_t(cy) * sizeof(RGBA);
	pixels = (RGBA*)MemoryAlloc(bytes);
	if(zero)
		memset(pixels, 0, bytes);
	size = Size(cx, cy);
	return true;
}

void ImageBuffer::Set(Image& img)
{
	Clear();
	Image::Data* d = img.data;
	if(!d)
		return;
	if(!d->buffer.pixels) // a paint-only image that gave up its pixels
		;
	else if(d->GetRefCount() == 1) {
		TakeFrom(d->buffer);
		kind = IMAGE_UNKNOWN;
	}
	else {
		ImageBuffer& b = d->buffer;
		Alloc(b.size.cx, b.size.cy, false);
		memcpy(pixels, b.pixels, size_t(b.GetLength()) * sizeof(RGBA));
		CopyAttrs(b);
	}
	img.Clear();
}

void ImageBuffer::Set(ImageBuffer& src)
{
	if(&src == this)
		return;
	Clear();
	if(src.pixels)
		TakeFrom(src);
	else
		src.Clear();
}

void Image::Set(ImageBuffer& b)
{
	if(!b.pixels) {
		b.Clear();
		return;
	}
	data = new Data;
	data->serial = detail::NewImageSerialId();
	data->buffer.TakeFrom(b);
}

void Image::Clear()
{
	if(data)
		data->Release();
	data = nullptr;
}

Image& Image::operator=(const Image& img)
{
	Data* d = img.data;
	if(d)
		d->Retain();
	if(data)
		data->Release();
	data = d;
	return *this;
}

Image& Image::operator=(Image&& img) noexcept
{
	if(this != &img) {
		if(data)
			data->Release();
		data = img.data;
		img.data = nullptr;
	}
	return *this;
}

namespace {

// IMAGE_ALPHA when some alpha byte is not 255, else IMAGE_OPAQUE.
int sScanKind(const RGBA* p, int64 n)
{
	const RGBA* e = p + n;
	while(e - p >= 4) {
		dword w[4];
		memcpy(w, p, sizeof(w));
		if((w[0] & w[1] & w[2] & w[3]) < 0xFF000000)
			return IMAGE_ALPHA;
		p += 4;
	}
	for(; p < e; p++)
		if(p->a != 255)
			return IMAGE_ALPHA;
	return IMAGE_OPAQUE;
}

} // namespace

int Image::GetKind() const
{
	if(!Pixels())
		return IMAGE_EMPTY;
	int k = __atomic_load_n(&data->buffer.kind, __ATOMIC_RELAXED);
	if(k != IMAGE_UNKNOWN)
		return k;
	k = sScanKind(data->buffer.pixels, data->buffer.GetLength());
	__atomic_exchange_n(&data->buffer.kind, k, __ATOMIC_RELAXED);
	return k;
}

hash_t ImageHash(const Image& img)
{
	return MemoryHash(img.Begin(), size_t(img.GetLength()) * sizeof(RGBA));
}

String ImageAsString(const Image& img)
{
	Size sz = img.GetSize();
	String s = "Image (";
	s << sz.cx << ", " << sz.cy << ")";
	return s;
}

namespace {

bool sOpaqueOrEmpty(int kind)
{
	return kind == IMAGE_OPAQUE || kind == IMAGE_EMPTY;
}

template <int (*op)(RGBA*, const RGBA*, int)>
void sRunRows(RGBA* t, const RGBA* s, int64 n, int& kind)
{
	// rows of one image never exceed IMAGE_MAX_BYTES, but keep each call within int
	kind = IMAGE_OPAQUE;
	while(n > 0) {
		int m = (int)min<int64>(n, 1 << 30);
		int k = op(t, s, m);
		kind = min(kind, k);
		t += m;
		s += m;
		n -= m;
	}
}

template <int (*op)(RGBA*, const RGBA*, int)>
void sInPlace(ImageBuffer& b)
{
	if(sOpaqueOrEmpty(b.GetKind()) || b.IsEmpty())
		return;
	int kind;
	sRunRows<op>(b.Begin(), b.Begin(), b.GetLength(), kind);
}

template <int (*op)(RGBA*, const RGBA*, int)>
Image sConverted(const Image& img)
{
	if(sOpaqueOrEmpty(img.GetKind()))
		return img;
	ImageBuffer b(img.GetSize());
	b.CopySpots(img);
	int kind;
	sRunRows<op>(b.Begin(), img.Begin(), img.GetLength(), kind);
	b.SetKind(kind);
	return b;
}

} // namespace

void Premultiply(ImageBuffer& b) { sInPlace<Premultiply>(b); }
void Unmultiply(ImageBuffer& b)  { sInPlace<Unmultiply>(b); }
Image Premultiply(const Image& img) { return sConverted<Premultiply>(img); }
Image Unmultiply(const Image& img)  { return sConverted<Unmultiply>(img); }

// The Value type lives in ImageValue.cpp; registering it here links it into every program that
// uses images, so stored values of type 150 load even where no Image was put into a Value yet.
namespace {
[[maybe_unused]] const int sImageValueRegistered = (Value::Register(IMAGE_V, detail::NewImageValueRep, "Image"), 0);
} // namespace

} // namespace Qel
