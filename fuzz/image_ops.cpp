// Image operations in random sequences: the input seeds a small image and then names the
// operations with their sizes, factors and rectangles. Nothing may crash or read outside an
// image, and the operations that can spread rows over the pool must give the serial result.
#include <draw/Draw.h>

#include <stdlib.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

struct Input {
	const uint8_t* p;
	size_t n;

	int Byte()           { if(!n) return 0; n--; return *p++; }
	int Int(int lo, int hi) { return lo + (Byte() | Byte() << 8) % (hi - lo + 1); }
};

bool Same(const Image& a, const Image& b)
{
	return a.GetSize() == b.GetSize() && (a.IsEmpty() || !memcmp(a.Begin(), b.Begin(), size_t(a.GetLength()) * sizeof(RGBA)));
}

Image Seed(Input& in)
{
	int cx = in.Int(0, 40), cy = in.Int(0, 40);
	ImageBuffer b(cx, cy);
	for(RGBA& c : b) {
		byte a = byte(in.Byte());
		c = RGBA{ byte(in.Byte() * a / 255), byte(in.Byte() * a / 255), byte(in.Byte() * a / 255), a };
	}
	b.SetHotSpot(Point(in.Int(-2, 5), in.Int(-2, 5)));
	b.Set2ndSpot(Point(in.Int(-1, 3), in.Int(-1, 3)));
	return Image(b);
}

Rect AnyRect(Input& in)
{
	return Rect(in.Int(-50, 50), in.Int(-50, 50), in.Int(-50, 90), in.Int(-50, 90));
}

void CopyRow(RGBA* t, const RGBA* s, int n) { memcpy(t, s, size_t(n) * sizeof(RGBA)); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	Input in{ data, size };
	Image m = Seed(in);
	for(int step = 0; step < 8 && in.n; step++) {
		Image r;
		switch(in.Byte() % 16) {
		case 0: {
			int nx = in.Int(-1, 12), ny = in.Int(-1, 12);
			r = Minify(m, nx, ny, true);
			Check(Same(r, Minify(m, nx, ny, false)));
			break;
		}
		case 1: {
			int nx = in.Int(-1, 4), ny = in.Int(-1, 4);
			Rect rc = AnyRect(in);
			r = Magnify(m, rc, nx, ny, true);
			Check(Same(r, Magnify(m, rc, nx, ny, false)));
			break;
		}
		case 2:
			r = DownSample3x(m, true);
			Check(Same(r, DownSample3x(m, false)));
			break;
		case 3: {
			Size sz(in.Int(-1, 90), in.Int(-1, 90));
			Rect rc = AnyRect(in);
			int f = in.Int(-2, 12);
			r = RescaleFilter(m, sz, rc, f, {}, true);
			Check(Same(r, RescaleFilter(m, sz, rc, f, {}, false)));
			break;
		}
		case 4: {
			Size sz(in.Int(-1, 90), in.Int(-1, 90));
			r = Rescale(m, sz, AnyRect(in));
			Check(r.IsEmpty() || r.GetSize() == sz);
			break;
		}
		case 5: {
			ImageBuffer a(in.Int(0, 30), in.Int(0, 30)), b(a.GetSize());
			Point p(in.Int(-40, 40), in.Int(-40, 40));
			Rect rc = AnyRect(in);
			DstSrcOp(a, p, m, rc, CopyRow, true);
			DstSrcOp(b, p, m, rc, CopyRow, false);
			Check(Same(Image(a), Image(b)));
			continue;
		}
		case 6: r = Crop(m, AnyRect(in)); break;
		case 7: r = Upscale2x(m); break;
		case 8: r = Downscale2x(m); break;
		case 9: { EtchFilter f; r = Filter(m, f); break; }
		case 10: r = Grayscale(m, in.Int(0, 256)); break;
		case 11: r = DarkTheme(m); break;
		case 12: r = RecreateAlpha(m, Grayscale(m, 128)); break;
		case 13: {
			Image d = m;
			Over(d, Point(in.Int(-20, 20), in.Int(-20, 20)), Seed(in), AnyRect(in));
			r = d;
			break;
		}
		case 14: (void)IsUniformArea(m, AnyRect(in)); continue;
		default: {
			ImageRaster src(m);
			RGBA pal[256];
			int n = in.Int(0, 256);
			CreatePalette(src, pal, n);
			PaletteCv cv;
			CreatePaletteCv(pal, n, cv);
			continue;
		}
		}
		// keep the picture small enough for the next steps
		if(!r.IsEmpty() && r.GetLength() <= 120 * 120)
			m = r;
	}
	return 0;
}
