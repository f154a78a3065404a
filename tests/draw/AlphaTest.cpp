#include <draw/Draw.h>
#include <draw/detail/PixelBlend.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

// Every (c, a) pair once, as pixels whose three colour channels are c, c ^ 0x55 and 255 - c,
// at every offset within a vector step (the lengths are not multiples of four).
std::vector<RGBA> AllPairs()
{
	std::vector<RGBA> v;
	for(int a = 0; a < 256; a++)
		for(int c = 0; c < 256; c++)
			v.push_back(RGBA{ byte(c), byte(c ^ 0x55), byte(255 - c), byte(a) });
	v.push_back(RGBA{ 1, 2, 3, 4 });
	return v;
}

int RefPremul(int c, int a) { return c * (a + (a >> 7)) >> 8; }
int RefUnmul(int c, int a)  { return a ? std::min(255, c * (65536 / a) >> 8) : 0; }

} // namespace

TEST(Alpha, AllPairsMatchTheReferenceAndUnmultiplySaturates)
{
	using Conv = int (*)(RGBA*, const RGBA*, int);
	const struct { const char* name; Conv fn; int (*ref)(int, int); } ops[] = {
		{ "Premultiply", [](RGBA* t, const RGBA* s, int n) { return Premultiply(t, s, n); }, RefPremul },
		{ "Unmultiply", [](RGBA* t, const RGBA* s, int n) { return Unmultiply(t, s, n); }, RefUnmul },
	};
	for(const auto& op : ops) {
		std::vector<RGBA> s = AllPairs(), t(s.size());
		op.fn(t.data(), s.data(), (int)s.size());
		for(size_t i = 0; i < s.size(); i++) {
			RGBA x = s[i];
			ASSERT_EQ(t[i], (RGBA{ byte(op.ref(x.b, x.a)), byte(op.ref(x.g, x.a)), byte(op.ref(x.r, x.a)), x.a }))
				<< op.name << " " << i;
		}
		op.fn(s.data(), s.data(), (int)s.size()); // in place gives the same
		EXPECT_TRUE(s == t) << op.name;
	}
}

TEST(Alpha, RowKinds)
{
	struct { std::vector<int> alphas; int kind; } cases[] = {
		{ {}, IMAGE_OPAQUE },
		{ { 255, 255, 255, 255, 255 }, IMAGE_OPAQUE },
		{ { 255, 255, 0, 255, 255, 255, 255, 255, 255 }, IMAGE_MASK },
		{ { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, IMAGE_MASK },
		{ { 255, 255, 255, 255, 255, 255, 255, 255, 1 }, IMAGE_ALPHA },
		{ { 128 }, IMAGE_ALPHA },
		{ { 0, 255, 254, 0 }, IMAGE_ALPHA },
	};
	for(auto& c : cases) {
		std::vector<RGBA> row;
		for(int a : c.alphas)
			row.push_back(RGBA{ 0, 0, 0, byte(a) });
		std::vector<RGBA> t(row.size() + 1);
		EXPECT_EQ(Premultiply(t.data(), row.data(), (int)row.size()), c.kind);
		EXPECT_EQ(Unmultiply(t.data(), row.data(), (int)row.size()), c.kind);
	}
}

TEST(Alpha, AlphaBlendMatchesFormula)
{
	std::vector<RGBA> s, t;
	dword h = 7;
	for(int i = 0; i < 4099; i++) {
		h = h * 1103515245 + 12345;
		byte a = (i % 5 == 0) ? 255 : (i % 7 == 0) ? 0 : byte(h >> 24);
		s.push_back(RGBA{ byte((h & 255) * a / 255), byte((h >> 8 & 255) * a / 255), byte((h >> 16 & 255) * a / 255), a });
		byte ta = byte(h >> 5);
		t.push_back(RGBA{ byte(ta / 2), byte(ta / 3), ta, ta });
	}
	std::vector<RGBA> r = t;
	AlphaBlend(r.data(), s.data(), (int)s.size());
	for(size_t i = 0; i < s.size(); i++) {
		// the colour keeps 256 - (a + (a >> 7)) 256ths (none under an opaque source), alpha 256 - a
		int fc = 256 - (s[i].a + (s[i].a >> 7)), fa = 256 - s[i].a;
		auto ch = [&](int tc, int sc, int f) { return byte(std::min(255, (tc * f >> 8) + sc)); };
		ASSERT_EQ(r[i], (RGBA{ ch(t[i].b, s[i].b, fc), ch(t[i].g, s[i].g, fc), ch(t[i].r, s[i].r, fc),
		                       ch(t[i].a, s[i].a, fa) })) << i;
	}
	// a pixel whose colour exceeds its alpha saturates rather than wrapping
	RGBA bad{ 200, 0, 0, 100 }, dst{ 255, 0, 0, 255 };
	AlphaBlend(&dst, &bad, 1);
	EXPECT_EQ(dst.b, 255);
	// whatever goes over an opaque row, it stays opaque
	std::vector<RGBA> opaque(s.size(), RGBA{ 10, 200, 255, 255 });
	AlphaBlend(opaque.data(), s.data(), (int)s.size());
	for(const RGBA& c : opaque)
		ASSERT_EQ(c.a, 255);
}

#ifdef __SSE2__
// The four-pixel kernels against the one-pixel form: every source alpha with colours at and
// below it (and one above it) over targets of every alpha.
TEST(Alpha, BlendKernelsMatchTheScalarForm)
{
	std::vector<RGBA> targets;
	for(int a = 0; a < 256; a++)
		for(int c : { 0, 1, 77, 128, 254, 255 })
			targets.push_back(RGBA{ byte(c * a / 255), byte(a - c * a / 255), byte(a), byte(a) });
	while(targets.size() % 4)
		targets.push_back(RGBA{ 3, 2, 1, 9 });
	for(int sa = 0; sa < 256; sa++)
		for(int sc : { 0, sa / 3, sa / 2, sa, std::min(255, sa + 40) }) {
			RGBA src{ byte(sc), byte(sa - sa / 3), byte(sa / 2), byte(sa) };
			detail::SolidOver4 solid(src);
			for(size_t i = 0; i < targets.size(); i += 4) {
				RGBA want[4], got[4], quad[4];
				for(int k = 0; k < 4; k++) {
					want[k] = targets[i + k];
					detail::BlendOver(want[k], src);
					quad[k] = RGBA{ src.b, byte(src.g * k / 3), src.r, src.a }; // one source per lane
					if(k % 2)
						quad[k] = src;
				}
				__m128i d = _mm_loadu_si128((const __m128i*)&targets[i]);
				_mm_storeu_si128((__m128i*)got, solid(d));
				for(int k = 0; k < 4; k++)
					ASSERT_EQ(got[k], want[k]) << sa << " " << sc << " " << i + k;
				_mm_storeu_si128((__m128i*)got, detail::BlendOver4(d, _mm_loadu_si128((const __m128i*)quad)));
				for(int k = 0; k < 4; k++) {
					RGBA w = targets[i + k];
					detail::BlendOver(w, quad[k]);
					ASSERT_EQ(got[k], w) << sa << " " << sc << " " << i + k;
				}
			}
		}
}
#endif

TEST(Alpha, ImageConversionsKeepSpotsAndShareOpaqueImages)
{
	ImageBuffer b(5, 3);
	for(RGBA& c : b)
		c = RGBA{ 200, 100, 50, 255 };
	Image opaque = b;
	EXPECT_TRUE(Premultiply(opaque).IsSame(opaque));
	EXPECT_TRUE(Unmultiply(opaque).IsSame(opaque));
	EXPECT_TRUE(Premultiply(Image()).IsEmpty());

	ImageBuffer b2(opaque);
	b2[1][1] = RGBA{ 200, 100, 50, 128 };
	b2.SetHotSpot(Point(1, 2));
	b2.Set2ndSpot(Point(3, 1));
	b2.SetPhysicalSize(Size(10, 6));
	Image p = Premultiply(Image(b2));
	EXPECT_EQ(p[1][1], (RGBA{ 100, 50, 25, 128 }));
	EXPECT_EQ(p.GetKind(), IMAGE_ALPHA);
	EXPECT_EQ(p.GetHotSpot(), Point(1, 2));
	EXPECT_EQ(p.Get2ndSpot(), Point(3, 1));
	EXPECT_EQ(p.GetPhysicalSize(), Size(10, 6));
	EXPECT_EQ(Unmultiply(p)[1][1], (RGBA{ 200, 100, 50, 128 }));

	ImageBuffer m(2, 1);
	m[0][0] = RGBA{ 10, 20, 30, 255 };
	EXPECT_EQ(Premultiply(Image(m)).GetKind(), IMAGE_MASK);
	ImageBuffer ib(1, 1); // the buffer forms work in place
	ib[0][0] = RGBA{ 200, 100, 50, 128 };
	Premultiply(ib);
	EXPECT_EQ(ib[0][0], (RGBA{ 100, 50, 25, 128 }));
	Unmultiply(ib);
	EXPECT_EQ(ib[0][0], (RGBA{ 200, 100, 50, 128 }));
}
