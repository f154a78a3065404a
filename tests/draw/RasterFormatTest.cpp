#include "TestImage.h"

#include <functional>
#include <memory>

using namespace QelTest;

namespace {

RGBA Premul(RGBA c)
{
	int f = c.a + (c.a >> 7);
	return RGBA{ byte(c.b * f >> 8), byte(c.g * f >> 8), byte(c.r * f >> 8), c.a };
}

RGBA Unmul(RGBA c)
{
	auto u = [&](int x) { return byte(c.a ? std::min(255, x * (65536 / c.a) >> 8) : 0); };
	return RGBA{ u(c.b), u(c.g), u(c.r), c.a };
}

byte Grey(RGBA c) { return byte((28 * c.b + 151 * c.g + 77 * c.r) >> 8); }

struct Case {
	const char* name;
	std::function<void (RasterFormat&)> setup;
	// the pixel i of a row of raw bytes, read naively
	std::function<RGBA (const byte* s, int i, const RGBA* pal)> read;
	// raw field value of a pixel (palette index, 16-bit value, or bytes in position order)
	int bits; // bits per pixel
	bool msb;
	std::function<dword (RGBA c, const PaletteCv* cv)> write; // value of one pixel's field
};

int Field(const byte* s, int i, int bits, bool msb)
{
	int per = 8 / bits;
	int v = s[i / per];
	int k = i % per;
	return (msb ? v >> (8 - bits - k * bits) : v >> (k * bits)) & ((1 << bits) - 1);
}

dword Le(const byte* s, int n) { dword v = 0; for(int i = n - 1; i >= 0; i--) v = v << 8 | s[i]; return v; }

std::vector<Case> Cases()
{
	auto palIndex = [](int bits, bool msb) {
		return [=](const byte* s, int i, const RGBA* pal) { return pal[Field(s, i, bits, msb)]; };
	};
	auto palWrite = [](int bits) {
		return [=](RGBA c, const PaletteCv* cv) -> dword {
			if(cv)
				return cv->Get(c) & ((1 << bits) - 1);
			return bits == 1 ? c.g >> 7 : bits == 2 ? c.g >> 6 : bits == 4 ? Grey(c) >> 4 : Grey(c);
		};
	};
	auto mask16 = [](dword rm, dword gm, dword bm, int rs, int gs, int bs, bool be) {
		return [=](const byte* s, int i, const RGBA*) {
			dword v = be ? s[2 * i] << 8 | s[2 * i + 1] : Le(s + 2 * i, 2);
			return RGBA{ byte(((v & bm) << bs) >> 8), byte(((v & gm) << gs) >> 8), byte(((v & rm) << rs) >> 8), 255 };
		};
	};
	auto mask16w = [](dword rm, dword gm, dword bm, int rs, int gs, int bs, bool be) {
		return [=](RGBA c, const PaletteCv*) -> dword {
			dword v = ((dword(c.r) << 8) >> rs & rm) | ((dword(c.g) << 8) >> gs & gm) | ((dword(c.b) << 8) >> bs & bm);
			return be ? (v & 255) << 8 | v >> 8 : v;
		};
	};
	// pos: byte positions r, g, b, a
	auto bytesRead = [](int n, int rp, int gp, int bp, int ap, int kind) {
		return [=](const byte* s, int i, const RGBA*) {
			const byte* p = s + n * i;
			RGBA c{ p[bp], p[gp], p[rp], kind == 7 ? byte(255) : p[ap] };
			return kind == 8 ? Premul(c) : c;
		};
	};
	auto bytesWrite = [](int rp, int gp, int bp, int ap, int kind) {
		return [=](RGBA c, const PaletteCv*) -> dword {
			if(kind == 8)
				c = Unmul(c);
			byte p[4] = {};
			p[bp] = c.b;
			p[gp] = c.g;
			p[rp] = c.r;
			if(kind >= 8)
				p[ap] = c.a;
			return Le(p, 4);
		};
	};
	return {
		{ "1", [](RasterFormat& f) { f.SetType(RASTER_1); }, palIndex(1, false), 1, false, palWrite(1) },
		{ "1msb", [](RasterFormat& f) { f.SetType(RASTER_1 | RASTER_MSBFIRST); }, palIndex(1, true), 1, true, palWrite(1) },
		{ "2", [](RasterFormat& f) { f.SetType(RASTER_2); }, palIndex(2, false), 2, false, palWrite(2) },
		{ "2msb", [](RasterFormat& f) { f.SetType(RASTER_2 | RASTER_MSBFIRST); }, palIndex(2, true), 2, true, palWrite(2) },
		{ "4", [](RasterFormat& f) { f.SetType(RASTER_4); }, palIndex(4, false), 4, false, palWrite(4) },
		{ "4msb", [](RasterFormat& f) { f.SetType(RASTER_4 | RASTER_MSBFIRST); }, palIndex(4, true), 4, true, palWrite(4) },
		{ "8", [](RasterFormat& f) { f.SetType(RASTER_8); }, palIndex(8, false), 8, false, palWrite(8) },
		{ "131", [](RasterFormat& f) { f.SetType(RASTER_8 | RASTER_MSBFIRST); }, palIndex(8, false), 8, false, palWrite(8) },
		{ "8alpha", [](RasterFormat& f) { f.SetType(RASTER_8ALPHA); },
		  [](const byte* s, int i, const RGBA* pal) { RGBA c = pal[s[2 * i]]; c.a = s[2 * i + 1]; return Premul(c); }, 16, false, nullptr },
		{ "555", [](RasterFormat& f) { f.Set16le(0x7C00, 0x3E0, 0x1F); }, mask16(0x7C00, 0x3E0, 0x1F, 1, 6, 11, false), 16, false, mask16w(0x7C00, 0x3E0, 0x1F, 1, 6, 11, false) },
		{ "565be", [](RasterFormat& f) { f.Set16le(0xF800, 0x7E0, 0x1F); f.SetType(RASTER_16 | RASTER_MSBFIRST); }, mask16(0xF800, 0x7E0, 0x1F, 0, 5, 11, true), 16, false, mask16w(0xF800, 0x7E0, 0x1F, 0, 5, 11, true) },
		{ "16zero", [](RasterFormat& f) { f.Set16le(0, 0x7E0, 0x10000); }, mask16(0, 0x7E0, 0x10000, 0, 5, 0, false), 16, false, mask16w(0, 0x7E0, 0x10000, 0, 5, 0, false) },
		{ "24", [](RasterFormat& f) { f.Set24le(0xff0000, 0xff00, 0xff); }, bytesRead(3, 2, 1, 0, 0, 7), 24, false, bytesWrite(2, 1, 0, 3, 7) },
		{ "24rgb", [](RasterFormat& f) { f.Set24le(0xff, 0xff00, 0xff0000); f.SetType(134); }, bytesRead(3, 0, 1, 2, 0, 7), 24, false, bytesWrite(0, 1, 2, 3, 7) },
		{ "32", [](RasterFormat& f) { f.Set32le(0xff0000, 0xff00, 0xff); }, bytesRead(4, 2, 1, 0, 3, 7), 32, false, nullptr },
		{ "32swap", [](RasterFormat& f) { f.Set32le(0xff00, 0xff0000, 0xff000000); f.SetType(135); }, bytesRead(4, 1, 2, 3, 0, 7), 32, false, nullptr },
		{ "straight", [](RasterFormat& f) { f.SetRGBAStraight(); }, bytesRead(4, 2, 1, 0, 3, 8), 32, false, bytesWrite(2, 1, 0, 3, 8) },
		{ "straightswap", [](RasterFormat& f) { f.Set32le(0xff, 0xff00, 0xff0000, 0xff000000); f.SetType(136); }, bytesRead(4, 0, 1, 2, 3, 8), 32, false, bytesWrite(0, 1, 2, 3, 8) },
		{ "premul", [](RasterFormat& f) { f.Set32le(0xff0000, 0xff00, 0xff, 0xff000000); }, bytesRead(4, 2, 1, 0, 3, 9), 32, false, bytesWrite(2, 1, 0, 3, 9) },
		{ "premulswap", [](RasterFormat& f) { f.Set32le(0xff00, 0xff0000, 0xff000000, 0xff); f.SetType(137); }, bytesRead(4, 1, 2, 3, 0, 9), 32, false, bytesWrite(1, 2, 3, 0, 9) },
	};
}

std::vector<RGBA> RandomPalette(dword& h)
{
	std::vector<RGBA> pal(256);
	for(RGBA& c : pal)
		c = Premul(RGBA{ byte(NextRand(h)), byte(NextRand(h)), byte(NextRand(h)), byte(NextRand(h) % 3 ? 255 : NextRand(h)) });
	return pal;
}

} // namespace

TEST(RasterFormat, ReadEveryTypeOnOddWidths)
{
	dword h = 11;
	for(const Case& c : Cases()) {
		RasterFormat f;
		c.setup(f);
		std::vector<RGBA> pal = RandomPalette(h);
		for(int n : { 1, 3, 7, 9, 15, 17, 33, 67 }) {
			int bytes = (int)f.GetByteCount(n);
			std::vector<byte> s(bytes);
			for(byte& b : s)
				b = byte(NextRand(h));
			std::vector<RGBA> t(n + 1, RGBA{ 1, 2, 3, 4 });
			f.Read(t.data(), s.data(), n, pal.data());
			for(int i = 0; i < n; i++)
				ASSERT_EQ(t[i], c.read(s.data(), i, pal.data())) << c.name << " n=" << n << " i=" << i;
			EXPECT_EQ(t[n], (RGBA{ 1, 2, 3, 4 })) << c.name; // nothing written past the row
		}
	}
}

TEST(RasterFormat, WriteEveryTypeOnOddWidths)
{
	dword h = 5;
	std::unique_ptr<PaletteCv> cv(new PaletteCv);
	for(int i = 0; i < 32768; i++)
		cv->cell[i] = byte(i * 7 + (i >> 8));
	for(const Case& c : Cases()) {
		if(!c.write)
			continue;
		RasterFormat f;
		c.setup(f);
		for(const PaletteCv* conv : { (const PaletteCv*)nullptr, (const PaletteCv*)cv.get() }) {
			for(int n : { 1, 3, 7, 9, 15, 17, 33, 67 }) {
				std::vector<RGBA> s(n);
				for(RGBA& p : s)
					p = Premul(RGBA{ byte(NextRand(h)), byte(NextRand(h)), byte(NextRand(h)), byte(NextRand(h) % 2 ? 255 : NextRand(h)) });
				int bytes = (int)f.GetByteCount(n);
				std::vector<byte> t(bytes + 1, 0xEE);
				f.Write(t.data(), s.data(), n, conv);
				std::vector<byte> ref(bytes, 0);
				for(int i = 0; i < n; i++) {
					dword v = c.write(s[i], conv);
					if(c.bits < 8) {
						int per = 8 / c.bits;
						int k = i % per;
						ref[i / per] |= c.msb ? v << (8 - c.bits - k * c.bits) : v << (k * c.bits);
					}
					else
						for(int b = 0; b < c.bits / 8; b++)
							ref[i * c.bits / 8 + b] = byte(v >> (8 * b));
				}
				for(int i = 0; i < bytes; i++)
					ASSERT_EQ(t[i], ref[i]) << c.name << " n=" << n << " byte " << i << (conv ? " cv" : "");
				EXPECT_EQ(t[bytes], 0xEE) << c.name;
			}
		}
	}
}

TEST(RasterFormat, ThirtyTwoBitWriteLeavesFourthByte)
{
	RasterFormat f;
	f.Set32le(0xff0000, 0xff00, 0xff);
	RGBA s[3] = { { 1, 2, 3, 255 }, { 4, 5, 6, 7 }, { 8, 9, 10, 11 } };
	byte t[12];
	memset(t, 0xAB, sizeof(t));
	f.Write(t, s, 3, nullptr);
	const byte want[12] = { 1, 2, 3, 0xAB, 4, 5, 6, 0xAB, 8, 9, 10, 0xAB };
	EXPECT_EQ(memcmp(t, want, 12), 0);
}

TEST(RasterFormat, ChannelPastThePixelReadsZeroNotTheNextPixel)
{
	RasterFormat f;
	f.Set24le(0xff000000, 0xff00, 0xff);
	byte px[3] = { 10, 20, 30 };
	RGBA t;
	f.Read(&t, px, 1, nullptr);
	EXPECT_EQ(t, (RGBA{ 10, 20, 0, 255 }));
}
