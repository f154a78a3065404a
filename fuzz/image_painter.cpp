// Random sequences of painter calls into a 64x64 ImagePainter, played once single-threaded and
// once in co mode: the two images must be the same bytes, and nothing may crash or hang.
#include <painter/Painter.h>

#include <Core/text/Exc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qel;

namespace {

struct Input {
	const uint8_t* data;
	size_t         size;
	size_t         pos = 0;

	int Byte() { return pos < size ? data[pos++] : 0; }
	bool IsEnd() const { return pos >= size; }
	double Coord() { return (Byte() - 64) * 0.75 + Byte() / 256.0; } // -48 .. 144
	double Small() { return Byte() / 16.0; }
	RGBA Color()
	{
		int a = Byte();
		auto c = [&] { return (byte)(a ? Byte() % (a + 1) : 0); };
		return RGBA{c(), c(), c(), (byte)a};
	}
};

void Play(BufferPainter& p, const uint8_t* data, size_t size, bool co)
{
	Input in{data, size};
	int depth = 0;
	int ops = 0;
	p.Co(co);
	while(!in.IsEnd() && ops++ < 400) {
		switch(in.Byte() % 30) {
		case 0: p.Move(in.Coord(), in.Coord(), in.Byte() & 1); break;
		case 1: p.Line(in.Coord(), in.Coord(), in.Byte() & 1); break;
		case 2: p.Quadratic(Pointf(in.Coord(), in.Coord()), Pointf(in.Coord(), in.Coord())); break;
		case 3: p.Cubic(Pointf(in.Coord(), in.Coord()), Pointf(in.Coord(), in.Coord()), Pointf(in.Coord(), in.Coord())); break;
		case 4: p.Arc(Pointf(in.Coord(), in.Coord()), Pointf(in.Small(), in.Small()), in.Small(), in.Small() - 8); break;
		case 5: p.SvgArc(Pointf(in.Small(), in.Small()), in.Small(), in.Byte() & 1, in.Byte() & 1, Pointf(in.Coord(), in.Coord())); break;
		case 6: p.Close(); break;
		case 7: p.Div(); break;
		case 8: case 9: p.Fill(in.Color()); break;
		case 10: case 11: p.Stroke(in.Small(), in.Color()); break;
		case 12: p.Clip(); break;
		case 13:
			if(depth < 20) {
				p.Begin();
				depth++;
			}
			break;
		case 14:
			if(depth > 0) {
				p.End();
				depth--;
			}
			break;
		case 15:
			if(depth < 20) {
				p.BeginMask();
				depth++;
			}
			break;
		case 16:
			if(depth < 20) {
				p.BeginOnPath(in.Small() / 8, in.Byte() & 1);
				depth++;
			}
			break;
		case 17: p.Opacity(in.Small() / 8); break;
		case 18: p.LineCap(in.Byte() % 3); break;
		case 19: p.LineJoin(3 + in.Byte() % 3); break;
		case 20: p.MiterLimit(in.Small()); break;
		case 21: p.EvenOdd(in.Byte() & 1); break;
		case 22: {
			Vector<double> d;
			int n = in.Byte() % 5;
			for(int i = 0; i < n; i++)
				d.Add(in.Small() + 0.25);
			p.Dash(d, in.Small());
			break;
		}
		case 23: p.Invert(in.Byte() & 1); break;
		case 24: p.Translate(in.Coord() / 4, in.Coord() / 4); break;
		case 25: p.Rotate(in.Small()); break;
		case 26: p.Scale(in.Small() / 4 + 0.25, in.Small() / 4 + 0.25); break;
		case 27: p.Clear(in.Color()); break;
		case 28: p.CharacterOp(Pointf(in.Coord(), in.Coord()), 'A' + in.Byte() % 26, SansSerif(6 + in.Byte() % 30)); break;
		case 29: p.RectPath(in.Coord(), in.Coord(), in.Coord(), in.Coord()); break;
		}
	}
	while(depth-- > 0)
		p.End();
}

} // namespace

// Fonts come from a minimal configuration of the DejaVu folder alone: the same glyphs on every
// run, and none of the system configuration (whose parsing keeps allocations for good). Set before
// any other static initialiser can start the font layer.
struct sFuzzFonts {
	sFuzzFonts()
	{
		char dir[64];
		snprintf(dir, sizeof(dir), "/tmp/qel_fuzz_fonts_%d", (int)getuid());
		if(mkdir(dir, 0700) != 0 && errno != EEXIST)
			return;
		String conf = String(dir) + "/fonts.conf";
		if(FILE* f = fopen(~conf, "w")) {
			fprintf(f, "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
			           "<fontconfig>\n<dir>/usr/share/fonts/truetype/dejavu</dir>\n<cachedir>%s</cachedir>\n"
			           "<alias><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>\n"
			           "</fontconfig>\n", dir);
			fclose(f);
			setenv("FONTCONFIG_FILE", ~conf, 1);
		}
	}
};

__attribute__((init_priority(101))) sFuzzFonts sFuzzFontsInit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1)
		return 0;
	int mode = data[0] % 3;
	Image img[2];
	for(int co = 0; co < 2; co++) {
		ImagePainter p(64, 64, mode);
		try {
			Play(p, data + 1, size - 1, co);
		}
		catch(const Exc&) { // an oversized path: the painter refuses it cleanly
		}
		img[co] = p;
	}
	if(memcmp(img[0].Begin(), img[1].Begin(), 64 * 64 * sizeof(RGBA)) != 0)
		abort();
	return 0;
}
