// Image: shared, immutable premultiplied pixels with a serial id, two marker points, a
// physical size and a lazily computed kind. ImageBuffer is its writable form; turning one into
// the other hands the pixel block over without copying.
#pragma once

#include "Alpha.h"

#include <Core/value/Value.h>

namespace Qel {

class Image;
class ImageBuffer;
class Stream;

namespace detail {
// As ImageBuffer::Create, without clearing the pixels: for operations that write every one.
bool CreateUninitialized(ImageBuffer& b, Size sz);
// Frees the pixel block of img's record; size, spots and serial id stay. The caller makes sure
// that nobody else can be reading the pixels.
void FreeImagePixels(const Image& img);
// Moves src's pixels (copied when src is shared) into dst's record, which takes src's spots and a
// new serial id; src is left empty. Sizes must be equal. The old block is freed after the swap.
void ReplaceImagePixels(const Image& dst, Image& src);
} // namespace detail

// The most pixel bytes one image may hold; larger sizes are refused, never wrapped.
constexpr int64 IMAGE_MAX_BYTES = 0x7FFFFFFF;

// True when cx x cy is a size an image can have: both positive and the pixels within
// IMAGE_MAX_BYTES.
inline bool IsImageSizeValid(int64 cx, int64 cy)
{
	return cx > 0 && cy > 0 && cx * cy <= IMAGE_MAX_BYTES / 4;
}

class ImageBuffer {
	int   kind = IMAGE_UNKNOWN; // accessed atomically once the buffer is part of an Image
	Size  size;
	RGBA* pixels = nullptr;
	Point hotspot;
	Point spot2;
	Size  dots; // physical size in 1/600 inch; (0, 0) unknown
	byte  attr = 0;

	friend class Image;
	friend bool detail::CreateUninitialized(ImageBuffer& b, Size sz);
	friend void detail::FreeImagePixels(const Image& img);
	friend void detail::ReplaceImagePixels(const Image& dst, Image& src);

	bool Alloc(int cx, int cy, bool zero);
	void Free();
	void TakeFrom(ImageBuffer& b); // everything; b is left 0 x 0
	void CopyAttrs(const ImageBuffer& b);

public:
	// A zero-filled cx x cy block, spots, physical size and kind reset. A size that cannot be
	// held (negative, or over IMAGE_MAX_BYTES of pixels) leaves the buffer 0 x 0 and gives false.
	bool Create(int cx, int cy)           { return Alloc(cx, cy, true); }
	bool Create(Size sz)                  { return Create(sz.cx, sz.cy); }
	void Clear();

	Size  GetSize() const                 { return size; }
	int   GetWidth() const                { return size.cx; }
	int   GetHeight() const               { return size.cy; }
	int64 GetLength() const               { return int64(size.cx) * size.cy; }
	bool  IsEmpty() const                 { return !pixels; }

	void  SetKind(int k)                  { kind = k; }
	int   GetKind() const                 { return kind; }
	void  SetHotSpot(Point p)             { hotspot = p; }
	Point GetHotSpot() const              { return hotspot; }
	void  Set2ndSpot(Point p)             { spot2 = p; }
	Point Get2ndSpot() const              { return spot2; }
	void  SetPhysicalSize(Size sz)        { dots = sz; }
	Size  GetPhysicalSize() const         { return dots; }
	void  SetAttr(byte a)                 { attr = a; }
	byte  GetAttr() const                 { return attr; }
	// Hot spot, second spot, physical size and attribute byte of an image or buffer.
	void  CopySpots(const ImageBuffer& b) { CopyAttrs(b); }
	void  CopySpots(const Image& img);

	RGBA*       operator[](int y)         { return pixels + int64(y) * size.cx; }
	const RGBA* operator[](int y) const   { return pixels + int64(y) * size.cx; }
	RGBA*       Begin()                   { return pixels; }
	const RGBA* Begin() const             { return pixels; }
	RGBA*       End()                     { return pixels + GetLength(); }
	const RGBA* End() const               { return pixels + GetLength(); }
	RGBA*       begin()                   { return Begin(); }
	RGBA*       end()                     { return End(); }

	// Takes the picture out of img, which is left empty: the block moves when img was its only
	// holder, else the pixels are copied.
	void Set(Image& img);
	// Moves src's picture here; src is left 0 x 0.
	void Set(ImageBuffer& src);

	ImageBuffer() = default;
	ImageBuffer(int cx, int cy)           { Create(cx, cy); }
	explicit ImageBuffer(Size sz)         { Create(sz); }
	explicit ImageBuffer(Image& img)      { Set(img); }
	ImageBuffer(ImageBuffer&& b) noexcept { TakeFrom(b); }
	ImageBuffer& operator=(ImageBuffer&& b) noexcept { if(this != &b) { Free(); TakeFrom(b); } return *this; }
	ImageBuffer(const ImageBuffer&) = delete;
	ImageBuffer& operator=(const ImageBuffer&) = delete;
	~ImageBuffer()                        { Free(); }
};

class Image {
public:
	using Relocatable = void; // a handle: moved as raw bytes by the containers
	// The shared record; pixels and serial id do not change while it is shared.
	struct Data {
		int32       refcount = 1;
		uint64      serial = 0;
		uint64      aux = 0;
		ImageBuffer buffer;
		bool        paintOnly = false;

		void Retain()  { __atomic_fetch_add(&refcount, 1, __ATOMIC_RELAXED); }
		void Release() { if(__atomic_sub_fetch(&refcount, 1, __ATOMIC_ACQ_REL) == 0) delete this; }
		int  GetRefCount() const { return __atomic_load_n(&refcount, __ATOMIC_ACQUIRE); }
	};

private:
	Data* data = nullptr;

	// Pixels of a paint-only image may have been freed: then the pixel accessors see no pixels.
	RGBA* Pixels() const                  { return data ? data->buffer.pixels : nullptr; }
	void Set(ImageBuffer& b);
	friend class ImageBuffer;
	friend void detail::FreeImagePixels(const Image& img);
	friend void detail::ReplaceImagePixels(const Image& dst, Image& src);

public:
	Size   GetSize() const                { return data ? data->buffer.size : Size(); }
	int    GetWidth() const               { return GetSize().cx; }
	int    GetHeight() const              { return GetSize().cy; }
	int64  GetLength() const              { return Pixels() ? data->buffer.GetLength() : 0; }
	Point  GetHotSpot() const             { return data ? data->buffer.hotspot : Point(); }
	Point  Get2ndSpot() const             { return data ? data->buffer.spot2 : Point(); }
	Size   GetPhysicalSize() const        { return data ? data->buffer.dots : Size(); }
	byte   GetAttr() const                { return data ? data->buffer.attr : 0; }
	uint64 GetSerialId() const            { return data ? data->serial : 0; }
	bool   IsEmpty() const                { return !data; }
	explicit operator bool() const        { return data; }
	bool   IsSame(const Image& b) const   { return data == b.data; }
	int    GetRefCount() const            { return data ? data->GetRefCount() : 0; }
	const Data* GetData() const           { return data; }

	const RGBA* Begin() const             { return Pixels(); }
	const RGBA* End() const               { return Pixels() ? data->buffer.End() : nullptr; }
	const RGBA* begin() const             { return Begin(); }
	const RGBA* end() const               { return End(); }
	const RGBA* operator[](int y) const   { return Pixels() ? data->buffer[y] : nullptr; }
	// False for the empty image and for a paint-only image whose pixels were freed.
	bool   HasPixels() const              { return Pixels(); }

	// Computed from the alpha bytes on first use and kept: never IMAGE_MASK from the scan.
	int    GetKind() const;
	void   SetAuxData(uint64 x)           { if(data) data->aux = x; }
	uint64 GetAuxData() const             { return data ? data->aux : 0; }
	bool   IsPaintOnly() const            { return data && data->paintOnly; }

	void   Clear();
	void   Serialize(Stream& s);

	Image() = default;
	Image(const Image& img) : data(img.data) { if(data) data->Retain(); }
	Image(Image&& img) noexcept : data(img.data) { img.data = nullptr; }
	Image(ImageBuffer& b)                 { Set(b); }
	Image(ImageBuffer&& b)                { Set(b); }
	Image(const Value& v);
	~Image()                              { if(data) data->Release(); }

	Image& operator=(const Image& img);
	Image& operator=(Image&& img) noexcept;
	Image& operator=(ImageBuffer& b)      { Clear(); Set(b); return *this; }
	Image& operator=(ImageBuffer&& b)     { Clear(); Set(b); return *this; }

	operator Value() const;
};

template <> inline dword ValueTypeNo<Image>() { return IMAGE_V; }

// Hash of the pixel bytes (the empty image hashes as empty data).
hash_t ImageHash(const Image& img);
// "Image (cx, cy)".
String ImageAsString(const Image& img);

// In place over the whole buffer; nothing for opaque or empty buffers.
void Premultiply(ImageBuffer& b);
void Unmultiply(ImageBuffer& b);
// Converted copies; opaque and empty images come back shared.
Image Premultiply(const Image& img);
Image Unmultiply(const Image& img);

// The compact string form: a 13-byte header (bytes per pixel, then 16-bit width, height, hot
// spot and physical size) and the zlib-compressed pixels as r, g, b or r, g, b, a.
String StoreImageAsString(const Image& img);
// The empty image for anything that is not a complete, undamaged string form.
Image  LoadImageFromString(const String& data);
Size   GetImageStringSize(const String& data);
Size   GetImageStringPhysicalSize(const String& data);

namespace detail {
uint64 NewImageSerialId();
Value::Void* NewImageValueRep(); // an empty Image in a Value representation
} // namespace detail

} // namespace Qel
