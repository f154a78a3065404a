// Image and GdkPixbuf: pixbufs hold straight alpha in r, g, b, a byte order, images premultiplied
// b, g, r, a. Each pixel is swapped and (un)premultiplied in one pass, with the rounding of the
// image module's row forms.
#include <gui/gtk/detail/Clip.h>

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

#ifdef __SSE2__
// r, g, b, a lanes of 16 bits become b, g, r, a, and the other way round.
QEL_FORCE_INLINE __m128i sSwap16(__m128i p)
{
	return _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, _MM_SHUFFLE(3, 0, 1, 2)), _MM_SHUFFLE(3, 0, 1, 2));
}
#endif

// Straight r, g, b, a bytes to premultiplied pixels in one pass, with the rounding of
// Premultiply; true when every pixel is opaque.
bool sPremultiplyRow(RGBA* t, const byte* s, int n)
{
	bool opaque = true;
	int i = 0;
#ifdef __SSE2__
	const __m128i zero = _mm_setzero_si128(), am = _mm_set1_epi32(int(0xFF000000));
	const __m128i colour = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
	const __m128i alpha256 = _mm_set_epi16(256, 0, 0, 0, 256, 0, 0, 0);
	__m128i all = am;
	auto mul = [&](__m128i p) {
		p = sSwap16(p);
		__m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, 0xFF), 0xFF);
		__m128i f = _mm_or_si128(_mm_and_si128(_mm_add_epi16(a, _mm_srli_epi16(a, 7)), colour), alpha256);
		return _mm_srli_epi16(_mm_mullo_epi16(p, f), 8);
	};
	for(; i + 4 <= n; i += 4) {
		__m128i x = _mm_loadu_si128((const __m128i*)(s + 4 * i));
		all = _mm_and_si128(all, x);
		__m128i lo = mul(_mm_unpacklo_epi8(x, zero));
		__m128i hi = mul(_mm_unpackhi_epi8(x, zero));
		_mm_storeu_si128((__m128i*)(t + i), _mm_packus_epi16(lo, hi));
	}
	opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(all, am), am)) == 0xFFFF;
#endif
	for(; i < n; i++) {
		const byte* p = s + 4 * i;
		int a = p[3], f = a + (a >> 7);
		t[i] = RGBA{ byte(p[2] * f >> 8), byte(p[1] * f >> 8), byte(p[0] * f >> 8), byte(a) };
		opaque &= a == 255;
	}
	return opaque;
}

// 65536 / a as Unmultiply divides (0 for a = 0), and its four 16-bit lanes for a pixel: colour
// channels min(65536 / a, 65535), alpha 256.
struct sUnmulTable {
	dword  t[256];
	uint64 lanes[256];

	sUnmulTable()
	{
		t[0] = 0;
		for(int a = 1; a < 256; a++)
			t[a] = 65536 / a;
		for(int a = 0; a < 256; a++) {
			uint64 f = min<dword>(t[a], 65535);
			lanes[a] = f | f << 16 | f << 32 | uint64(256) << 48;
		}
	}
};

// Premultiplied pixels to straight r, g, b, a bytes in one pass, with the rounding of Unmultiply.
void sUnmultiplyRow(byte* t, const RGBA* s, int n)
{
	static const sUnmulTable tab;
	int i = 0;
#ifdef __SSE2__
	const __m128i zero = _mm_setzero_si128(), am = _mm_set1_epi32(int(0xFF000000));
	const __m128i c255 = _mm_set1_epi16(255);
	const __m128i ag = _mm_set1_epi32(int(0xFF00FF00)), rb = _mm_set1_epi32(0x00FF00FF);
	for(; i + 4 <= n; i += 4) {
		__m128i x = _mm_loadu_si128((const __m128i*)(s + i));
		if(_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(x, am), am)) == 0xFFFF) {
			__m128i c = _mm_and_si128(x, rb);
			c = _mm_or_si128(_mm_slli_epi32(c, 16), _mm_srli_epi32(c, 16));
			_mm_storeu_si128((__m128i*)(t + 4 * i), _mm_or_si128(_mm_and_si128(x, ag), c));
			continue;
		}
		// (c << 8) * f >> 16 is c * f >> 8; then at most 255
		const RGBA* p = s + i;
		__m128i flo = _mm_set_epi64x(tab.lanes[p[1].a], tab.lanes[p[0].a]);
		__m128i fhi = _mm_set_epi64x(tab.lanes[p[3].a], tab.lanes[p[2].a]);
		__m128i lo = _mm_mulhi_epu16(_mm_slli_epi16(_mm_unpacklo_epi8(x, zero), 8), flo);
		__m128i hi = _mm_mulhi_epu16(_mm_slli_epi16(_mm_unpackhi_epi8(x, zero), 8), fhi);
		lo = sSwap16(_mm_sub_epi16(lo, _mm_subs_epu16(lo, c255)));
		hi = sSwap16(_mm_sub_epi16(hi, _mm_subs_epu16(hi, c255)));
		_mm_storeu_si128((__m128i*)(t + 4 * i), _mm_packus_epi16(lo, hi));
	}
#endif
	for(; i < n; i++) {
		const RGBA& p = s[i];
		dword f = tab.t[p.a];
		byte* q = t + 4 * i;
		q[0] = byte(min<dword>(255, p.r * f >> 8));
		q[1] = byte(min<dword>(255, p.g * f >> 8));
		q[2] = byte(min<dword>(255, p.b * f >> 8));
		q[3] = p.a;
	}
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
		if(channels == 4)
			opaque &= sPremultiplyRow(t, s, cx);
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
		byte* t = out + int64(y) * stride;
		if(opaque)
			sSwapRow(reinterpret_cast<dword*>(t), reinterpret_cast<const dword*>(img[y]), sz.cx);
		else
			sUnmultiplyRow(t, img[y], sz.cx);
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
