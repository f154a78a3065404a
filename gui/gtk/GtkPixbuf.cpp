// Image and GdkPixbuf: pixbufs hold straight alpha in r, g, b, a byte order, images premultiplied
// b, g, r, a. Each row is swapped and (un)premultiplied while it is in the cache.
#include "detail/Clip.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

using namespace detail;

namespace {

// r, g, b, a bytes <-> the b, g, r, a of RGBA: the same swap both ways.
QEL_FORCE_INLINE dword sSwapRB(dword x)
{
	return (x & 0xFF00FF00) | ((x & 0xFF) << 16) | ((x >> 16) & 0xFF);
}

void sSwapRow(dword* t, const dword* s, int n)
{
	int i = 0;
#ifdef __SSE2__
	const __m128i ag = _mm_set1_epi32(int(0xFF00FF00)), rb = _mm_set1_epi32(0x00FF00FF);
	for(; i + 4 <= n; i += 4) {
		__m128i x = _mm_loadu_si128((const __m128i*)(s + i));
		__m128i c = _mm_and_si128(x, rb); // 0x00RR00BB: its two halves change places
		c = _mm_or_si128(_mm_slli_epi32(c, 16), _mm_srli_epi32(c, 16));
		_mm_storeu_si128((__m128i*)(t + i), _mm_or_si128(_mm_and_si128(x, ag), c));
	}
#endif
	for(; i < n; i++)
		t[i] = sSwapRB(s[i]);
}

} // namespace

Image detail::PixelsToImage(const byte* data, int64 len, int cx, int cy, int rowstride, int channels, int bits,
                            bool alpha)
{
	bool form = (channels == 4 && alpha) || (channels == 3 && !alpha);
	if(!data || bits != 8 || !form || !IsImageSizeValid(cx, cy))
		return Image();
	// the last row needs only its own pixels, not a whole stride
	int64 row = int64(cx) * channels;
	if(rowstride < row || len < 0 || int64(rowstride) * (cy - 1) + row > len)
		return Image();
	ImageBuffer b;
	if(!CreateUninitialized(b, Size(cx, cy)))
		return Image();
	bool opaque = true;
	for(int y = 0; y < cy; y++) {
		const byte* s = data + int64(y) * rowstride;
		RGBA* t = b[y];
		if(channels == 4) {
			// rows of a pixbuf need not be aligned to whole pixels
			if(uintptr_t(s) % alignof(dword) == 0)
				sSwapRow(reinterpret_cast<dword*>(t), reinterpret_cast<const dword*>(s), cx);
			else {
				memcpy(t, s, size_t(cx) * 4);
				sSwapRow(reinterpret_cast<dword*>(t), reinterpret_cast<const dword*>(t), cx);
			}
			opaque &= Premultiply(t, t, cx) == IMAGE_OPAQUE;
		}
		else
			for(int x = 0; x < cx; x++, s += 3)
				t[x] = RGBA{ s[2], s[1], s[0], 255 };
	}
	if(opaque)
		b.SetKind(IMAGE_OPAQUE);
	return Image(b);
}

Image detail::PixbufToImage(const GdkPixbuf* pb)
{
	if(!pb || gdk_pixbuf_get_colorspace(pb) != GDK_COLORSPACE_RGB)
		return Image();
	return PixelsToImage(gdk_pixbuf_read_pixels(pb), (int64)gdk_pixbuf_get_byte_length(pb), gdk_pixbuf_get_width(pb),
	                     gdk_pixbuf_get_height(pb), gdk_pixbuf_get_rowstride(pb), gdk_pixbuf_get_n_channels(pb),
	                     gdk_pixbuf_get_bits_per_sample(pb), gdk_pixbuf_get_has_alpha(pb));
}

GdkPixbuf* detail::ImageToPixbuf(const Image& img)
{
	if(!img.HasPixels())
		return nullptr;
	Size sz = img.GetSize();
	GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, sz.cx, sz.cy);
	if(!pb)
		return nullptr;
	byte* out = gdk_pixbuf_get_pixels(pb);
	int stride = gdk_pixbuf_get_rowstride(pb);
	bool opaque = img.GetKind() == IMAGE_OPAQUE;
	for(int y = 0; y < sz.cy; y++) {
		dword* t = reinterpret_cast<dword*>(out + int64(y) * stride);
		const RGBA* s = img[y];
		if(!opaque) {
			Unmultiply(reinterpret_cast<RGBA*>(t), s, sz.cx);
			sSwapRow(t, t, sz.cx);
		}
		else
			sSwapRow(t, reinterpret_cast<const dword*>(s), sz.cx);
	}
	return pb;
}

bool ImageGdk::Set(const Image& img)
{
	if(img.IsSame(image) && (pixbuf || img.IsEmpty()))
		return false;
	if(pixbuf)
		g_object_unref(pixbuf);
	image = img;
	pixbuf = ImageToPixbuf(img);
	return true;
}

ImageGdk::~ImageGdk()
{
	if(pixbuf)
		g_object_unref(pixbuf);
}

} // namespace Qel
