// Text through the cache of glyph coverage. A part of a path that is one character, under a
// transform that only moves, is drawn from the glyph's cached coverage at the quarter-pixel
// phase of its origin: its cells go into the rasteriser as the outline's would, or, for a plain
// colour on an unclipped anti-aliased target, its coverage is blended straight into the lines.
// Either way the pixels are those the outline gives at that origin.
#include "BufferPainter.h"
#include <painter/buffer/detail/BufferPainterInt.h>
#include <painter/buffer/detail/GlyphCoverage.h>

#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace {

using detail::GlyphCoverage;

constexpr int GLYPH_GROUP = detail::GLYPH_MASK_PAD + 1;

bool sMovesOnly(const Xform2D& m)
{
	return m.x.x == 1 && m.x.y == 0 && m.y.x == 0 && m.y.y == 1 && std::isfinite(m.t.x) && std::isfinite(m.t.y);
}

// A glyph placed whole inside the target, where no segment of its outline would be cut at the
// edges (or wholly outside, where nothing of it shows).
bool sPlaceAt(double x, double y, int ch, Font f, bool subpixel, Size target, BufferPainter::PlacedGlyph& pl)
{
	int px, py;
	if(!detail::GlyphOrigin(x, y, pl.ix, pl.iy, px, py))
		return false;
	const GlyphCoverage* g = detail::FindGlyphCoverage(f, ch, px, py, subpixel);
	if(!g)
		return false;
	double ox = pl.ix + (double)px / detail::GLYPH_PHASES;
	double oy = pl.iy + (double)py / detail::GLYPH_PHASES;
	pl.g = g;
	pl.outside = false;
	if(g->left > g->right)
		return true;
	double l = ox + g->left, t = oy + g->top, r = ox + g->right, b = oy + g->bottom;
	if(l >= 0 && r <= target.cx && t >= 0 && b <= target.cy)
		return true;
	// Wholly outside, every contour is cut to the edge, where its windings cancel: nothing shows.
	if(r <= 0 || l >= target.cx || b <= 0 || t >= target.cy) {
		pl.outside = true;
		return true;
	}
	return false;
}

// The same for the glyph of a part that holds one character and nothing else.
bool sPlace(const Vector<byte>& part, const Xform2D& m, bool subpixel, Size target, BufferPainter::PlacedGlyph& pl)
{
	if(part.GetCount() != 32 || !sMovesOnly(m))
		return false;
	const byte* s = part.begin();
	int32 code, ch;
	Pointf p;
	int64 f;
	memcpy(&code, s, 4);
	if(code != 4) // BufferPainter::CHAR
		return false;
	memcpy(&p.x, s + 4, 8);
	memcpy(&p.y, s + 12, 8);
	memcpy(&ch, s + 20, 4);
	memcpy(&f, s + 24, 8);
	return sPlaceAt(p.x + m.t.x, p.y + m.t.y, ch, Font::FromInt64(f), subpixel, target, pl);
}

// The colour c scaled by each coverage and blended over the pixels, in SolidFiller's arithmetic
// (the outline's pixels must come out the same): s = c * v >> 8; colour channels d * (256 -
// (s.a * 129 >> 7)) >> 8 + s, alpha d * (256 - s.a) >> 8 + s, saturated. Groups of coverage 0
// are left alone, whole groups of an opaque colour become the colour.
void sBlendScalar(RGBA* d, const uint16* v, int n, const RGBA& c)
{
	for(; n > 0; n--, d++, v++) {
		int k = *v;
		if(!k)
			continue;
		int sb = (c.b * k) >> 8, sg = (c.g * k) >> 8, sr = (c.r * k) >> 8, sa = (c.a * k) >> 8;
		int ca = 256 - ((sa * 129) >> 7);
		auto sat = [](int x) { return (byte)(x > 255 ? 255 : x); };
		d->b = sat(((ca * d->b) >> 8) + sb);
		d->g = sat(((ca * d->g) >> 8) + sg);
		d->r = sat(((ca * d->r) >> 8) + sr);
		d->a = sat((((256 - sa) * d->a) >> 8) + sa);
	}
}

#ifdef __SSE2__

void sBlendSse2(RGBA* d, const uint16* v, int n, const RGBA& c)
{
	__m128i col = _mm_set_epi16(c.a, c.r, c.g, c.b, c.a, c.r, c.g, c.b);
	__m128i k256 = _mm_set1_epi16(256);
	__m128i k129 = _mm_set_epi16(128, 129, 129, 129, 128, 129, 129, 129); // the alpha lane: 256 - s.a
	__m128i zero = _mm_setzero_si128();
	__m128i solid = _mm_set1_epi32((int)(c.b | c.g << 8 | c.r << 16 | (dword)c.a << 24));
	bool opaque = c.a == 255;
	auto half = [&](__m128i cov, __m128i dst) {
		__m128i s = _mm_srli_epi16(_mm_mullo_epi16(col, cov), 8);
		__m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
		__m128i mul = _mm_sub_epi16(k256, _mm_srli_epi16(_mm_mullo_epi16(a, k129), 7));
		return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(dst, mul), 8), s);
	};
	for(; n >= 4; n -= 4, d += 4, v += 4) {
		uint64 q;
		memcpy(&q, v, 8);
		if(q == 0)
			continue;
		if(opaque && q == 0x0100010001000100ull) {
			_mm_storeu_si128((__m128i*)d, solid);
			continue;
		}
		__m128i cov = _mm_loadl_epi64((const __m128i*)v);
		cov = _mm_unpacklo_epi16(cov, cov);
		__m128i dst = _mm_loadu_si128((const __m128i*)d);
		__m128i lo = half(_mm_unpacklo_epi32(cov, cov), _mm_unpacklo_epi8(dst, zero));
		__m128i hi = half(_mm_unpackhi_epi32(cov, cov), _mm_unpackhi_epi8(dst, zero));
		_mm_storeu_si128((__m128i*)d, _mm_packus_epi16(lo, hi));
	}
	sBlendScalar(d, v, n, c);
}

#endif

void sBlendCoverage(RGBA* d, const uint16* v, int n, const RGBA& c)
{
#ifdef __SSE2__
	sBlendSse2(d, v, n, c);
#else
	sBlendScalar(d, v, n, c);
#endif
}

} // namespace

bool BufferPainter::PaintGlyph(const Vector<byte>& part, const PathAttr& a, const RGBA& solid)
{
	static_assert(CHAR == 4);
	PlacedGlyph pl;
	if(!sPlace(part, a.mtx, false, ip->GetSize(), pl))
		return false;
	BlendGlyph(pl, solid);
	return true;
}

void BufferPainter::BlendGlyph(const PlacedGlyph& pl, const RGBA& solid)
{
	const GlyphCoverage& g = *pl.g;
	int cy = ip->GetHeight();
	if(pl.outside)
		return;
	for(int y = pl.iy + g.touch0, e = std::min(pl.iy + g.touch1, cy - 1); y <= e; y++)
		DoClear(y);
	if(!g.mask)
		return;
	int cx = ip->GetWidth();
	for(int i = 0; i < g.rows; i++) {
		int y = pl.iy + g.row0 + i;
		if(y >= cy) // the line below the last one, which the rasteriser leaves out too
			break;
		const int16* sp = g.span + 2 * i;
		int x = pl.ix + g.mx0 + sp[0];
		int n = sp[1] - sp[0];
		// Whole groups where the line has room: the pixels past the glyph get coverage 0, which
		// leaves them as they are.
		int n4 = (n + GLYPH_GROUP - 1) & ~(GLYPH_GROUP - 1);
		if(n > 0)
			sBlendCoverage((*ip)[y] + x, g.mask + (size_t)i * g.stride + sp[0], x + n4 <= cx ? n4 : n, solid);
	}
}

bool BufferPainter::FeedGlyph(Rasterizer& r, const Vector<byte>& part, const PathAttr& a)
{
	PlacedGlyph pl;
	if(!sPlace(part, a.mtx, r.IsSubpixel(), r.GetSize(), pl))
		return false;
	const GlyphCoverage& g = *pl.g;
	if(!pl.outside && g.left <= g.right && r.TouchLines(pl.iy + g.touch0, pl.iy + g.touch1)) {
		int dx = pl.ix * (r.IsSubpixel() ? 3 : 1);
		for(int i = 0; i < g.rows; i++)
			r.AddCells(pl.iy + g.row0 + i, g.cells + g.rowstart[i], g.rowstart[i + 1] - g.rowstart[i], dx);
	}
	return true;
}

// Text through Draw: what Painter::DrawTextOp does (a scope with the even-odd rule, moved to
// (x, y), the run's characters as a path, filled with the ink), with the glyphs blended from the
// cache straight away. The painter ends as that would leave it: the run is its last path (made
// only if something renders that path again), its attributes those restored by the scope's end.
bool BufferPainter::DrawGlyphRun(int x, int y, const wchar* text, Font font, Color ink, int n, const int* dx)
{
	if(co || mode != RENDER_AA || clip.GetCount() || attr.invert || !IsNull(current) || !text || n <= 0 ||
	   font.IsUnderline() || font.IsStrikeout() || !detail::GetGlyphCacheBudget())
		return false;
	Xform2D m = Xform2D::Translation(x, y) * attr.mtx;
	RGBA color = ink.ToRGBA();
	// the fill's colour as the renderer scales it by the opacity
	double o = attr.opacity * 256;
	int alpha = o >= 256 ? 256 : o > 0 ? (int)o : 0;
	if(!sMovesOnly(m) || color.a == 0 || alpha == 0)
		return false;
	RGBA solid;
	solid.b = (byte)((color.b * alpha) >> 8);
	solid.g = (byte)((color.g * alpha) >> 8);
	solid.r = (byte)((color.r * alpha) >> 8);
	solid.a = (byte)((color.a * alpha) >> 8);
	FineWidths width(font); // advances as the painter's text measures them
	Size target = ip->GetSize();
	Vector<double> at;
	at.SetCount(n);
	double gx = 0;
	for(int i = 0; i < n; i++) {
		at[i] = gx;
		PlacedGlyph pl;
		if(sPlaceAt(gx + m.t.x, 0 + m.t.y, text[i], font, false, target, pl))
			BlendGlyph(pl, solid);
		else { // this glyph the outline's way
			BeginOp();
			EvenOddOp(true);
			TransformOp(Xform2D::Translation(x, y));
			CharacterOp(Pointf(gx, 0), text[i], font);
			FillOp(color);
			EndOp();
		}
		gx += dx ? (double)dx[i] : width(text[i]);
	}
	attr.onpath = false; // as the scope's Begin leaves it
	++mtx_serial;
	pathattr = attr; // and its End
	onpath.Clear(); // placement along a path follows the newest one
	pathlen = 0;
	current = move = Pointf(-INFINITY, -INFINITY);
	PendingText& t = pendingtext;
	t.active = true;
	t.font = font;
	t.text.SetCount(n);
	memcpy(t.text.begin(), text, sizeof(wchar) * n);
	t.x = std::move(at);
	return true;
}

// The run's path as CharacterOp and DivOp would have made it.
void BufferPainter::MakePendingText()
{
	PendingText t = std::move(pendingtext);
	pendingtext = PendingText();
	path = &paths[path_index];
	ClearPath();
	path->ischar = true;
	int64 f = t.font.AsInt64();
	for(int i = 0; i < t.text.GetCount(); i++) {
		byte e[32];
		int32 code = CHAR, ch = t.text[i];
		double y = 0;
		memcpy(e, &code, 4);
		memcpy(e + 4, &t.x[i], 8);
		memcpy(e + 12, &y, 8);
		memcpy(e + 20, &ch, 4);
		memcpy(e + 24, &f, 8);
		if(dopreclip) {
			Rectf& b = path->bbox;
			b.left = std::min(b.left, t.x[i]);
			b.top = std::min(b.top, y);
			b.right = std::max(b.right, t.x[i]);
			b.bottom = std::max(b.bottom, y);
		}
		PutElement(e, 32);
		if(path->spare.GetCount())
			path->path.Add(path->spare.Pop());
		else
			path->path.Add();
	}
	current = move = Pointf(-INFINITY, -INFINITY);
}

void BufferPainter::DrawTextOp(int x, int y, int angle, const wchar* text, Font font, Color ink, int n,
                               const int* dx)
{
	if(n < 0 && text) {
		n = 0;
		while(text[n])
			n++;
	}
	if(angle || !DrawGlyphRun(x, y, text, font, ink, n, dx))
		Painter::DrawTextOp(x, y, angle, text, font, ink, n, dx);
}

} // namespace Qel
