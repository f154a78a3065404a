#include "TestImage.h"

#include <cmath>
#include <stdexcept>

using namespace QelTest;

namespace {

struct MapEntry {
	using Relocatable = void;
	int first;
	Vector<int> w; // empty for area entries
};

// The entries of a table with absolute first source pixels.
Vector<MapEntry> Entries(const Vector<int>& t)
{
	Vector<MapEntry> e;
	if(t.IsEmpty())
		return e;
	int n = t[0], k = t[1], per = t[2];
	int pos = 0;
	for(int i = 0; i < n; i++) {
		const int* q = t.begin() + 4 + i * per;
		pos += q[0];
		MapEntry& m = e.Add();
		m.first = pos;
		if(per > 1)
			for(int j = 0; j < k; j++)
				m.w.Add(q[1 + j]);
	}
	return e;
}

// A raster that hands out every line in the same buffer, as decoders do.
class ReusingRaster : public Raster {
	Image img;
	Buffer<RGBA> row;

public:
	bool  Create() override                  { return true; }
	Size  GetSize() override                 { return img.GetSize(); }
	Info  GetInfo() override                 { return Info(); }
	Line  GetLine(int y) override
	{
		memcpy(row.Get(), img[y], img.GetWidth() * sizeof(RGBA));
		return Line(row, false);
	}
	bool  IsError() override                 { return false; }
	const RGBA*         GetPalette() override { return nullptr; }
	const RasterFormat* GetFormat() override  { return nullptr; }

	explicit ReusingRaster(const Image& m) : img(m), row(size_t(m.GetWidth())) {}
};

} // namespace

TEST(Rescale, SCurveRisesFromZeroToFull)
{
	const byte* c = detail::RescaleSCurve();
	EXPECT_EQ(c[0], 0);
	EXPECT_EQ(c[1023], 255);
	for(int i = 1; i < 1024; i++)
		ASSERT_LE(c[i - 1], c[i]) << i;
}

TEST(Rescale, AxisMapsWeighEverySourcePixelOnce)
{
	// per target pixel: non-negative weights totalling 256, reading only the clip, and every
	// source pixel its span touches weighted (area entries sample their span)
	int checked = 0;
	for(int S = 1; S <= 40; S++)
		for(int T = 1; T <= 40; T++)
			for(int off : { 0, -3, 2 }) {
				int tc0 = 0, tc1 = T;
				Vector<int> t;
				int sfrom = off, sto = off + S, c0 = 0, c1 = S;
				RescaleAxisMap(t, 0, T, tc0, tc1, sfrom, sto, c0, c1);
				int clipped0 = std::max(sfrom, c0), clipped1 = std::min(sto, c1);
				ASSERT_EQ(t.IsEmpty(), clipped0 >= clipped1);
				if(t.IsEmpty())
					continue;
				Vector<MapEntry> e = Entries(t);
				ASSERT_EQ(e.GetCount(), tc1 - tc0);
				bool area = t[3] > 0;
				for(int i = 0; i < e.GetCount(); i++) {
					const MapEntry& m = e[i];
					int j = tc0 + i;
					int64 a = int64(sfrom) * T + int64(j) * S, b = a + S;
					int first = int(std::max<int64>(a, int64(clipped0) * T) / T);
					int last = int((std::min<int64>(b, int64(clipped1) * T) + T - 1) / T) - 1;
					if(area) {
						ASSERT_GE(m.first, clipped0);
						ASSERT_LT(m.first + 3 * t[3], clipped1);
						continue;
					}
					int sum = 0;
					for(int k = 0; k < m.w.GetCount(); k++) {
						ASSERT_GE(m.w[k], 0);
						sum += m.w[k];
						ASSERT_GE(m.first + k, clipped0);
						ASSERT_LT(m.first + k, clipped1) << S << "->" << T << " off " << off;
					}
					ASSERT_EQ(sum, 256) << S << "->" << T;
					if(S >= T && clipped1 - clipped0 > 1)
						for(int p = first; p <= last; p++) {
							int k = p - m.first;
							ASSERT_TRUE(k >= 0 && k < m.w.GetCount() && m.w[k] > 0)
								<< S << "->" << T << " target " << j << " misses source " << p;
						}
					checked++;
				}
			}
	EXPECT_GT(checked, 1000);
}

TEST(Rescale, AxisMapAreaStrideAndEmptyRanges)
{
	Vector<int> t;
	int a = 0, b = 3;
	// 40 onto 3 is sampled in area mode, samples 3 pixels apart times the stride
	RescaleAxisMap(t, 0, 3, a, b, 0, 40, 0, 40, 4);
	EXPECT_EQ(t[3], 3 * 4);
	a = 0, b = 4;
	RescaleAxisMap(t, 0, 4, a, b, 3, 3, 0, 10);
	EXPECT_TRUE(t.IsEmpty());
	a = 0, b = 0;
	RescaleAxisMap(t, 0, 4, a, b, 0, 3, 0, 10);
	EXPECT_TRUE(t.IsEmpty());
	// a source range half outside the clip narrows the target
	a = 0, b = 10;
	RescaleAxisMap(t, 0, 10, a, b, -5, 5, 0, 5);
	EXPECT_EQ(a, 5);
	EXPECT_EQ(b, 10);
}

TEST(Rescale, SameSizeSharesAndEmptyTargetsRefuse)
{
	Image m = RandomImage(6, 4, 2);
	EXPECT_EQ(Rescale(m, Size(6, 4), Rect(0, 0, 6, 4)).GetSerialId(), m.GetSerialId());
	EXPECT_EQ(Rescale(m, Size(6, 4)).GetSerialId(), m.GetSerialId());

	ImageRaster r(m);
	Rescaler rs;
	EXPECT_FALSE(rs.Create(r, Size(0, 5), Rect(0, 0, 6, 4)));
	RGBA keep = Px(1, 2, 3);
	rs.GetLine(&keep);
	EXPECT_EQ(keep, Px(1, 2, 3));

	EXPECT_TRUE(Rescale(m, Size(0, 3)).IsEmpty());
	EXPECT_TRUE(Rescale(m, Size(-3, 3)).IsEmpty());
}

TEST(Rescale, PartsOutsideTheSourceAreTransparent)
{
	Image m = Solid(4, 4, Px(50, 60, 70));
	Image r = Rescale(m, Size(8, 8), Rect(-4, -4, 4, 4));
	ASSERT_EQ(r.GetSize(), Size(8, 8));
	EXPECT_EQ(r[0][0], Px(0, 0, 0, 0));
	EXPECT_EQ(r[7][3], Px(0, 0, 0, 0));
	EXPECT_EQ(r[7][7], Px(50, 60, 70));
	Image far = Rescale(m, Size(3, 3), Rect(100, 100, 200, 200));
	EXPECT_TRUE(SamePixels(far, Solid(3, 3, Px(0, 0, 0, 0))));
}

TEST(Rescale, CachedRowsAreCopies)
{
	for(Size t : { Size(5, 3), Size(23, 31), Size(40, 9) }) {
		Image m = RandomImage(37, 29, 11);
		ReusingRaster rr(m);
		ImageEncoder e;
		ASSERT_TRUE(Rescale(e, t, rr, Rect(0, 0, 37, 29)));
		EXPECT_TRUE(SamePixels(e.GetImage(), Rescale(m, t, Rect(0, 0, 37, 29)))) << t.cx << "x" << t.cy;
	}
}

TEST(Rescale, ProgressStopsAndThrows)
{
	Image m = RandomImage(20, 20, 1);
	int calls = 0;
	EXPECT_TRUE(Rescale(m, Size(10, 10), [&](int y, int n) { EXPECT_EQ(n, 10); return ++calls > 3 + 0 * y; }).IsEmpty());
	EXPECT_EQ(calls, 4);
	calls = 0;
	Image r = Rescale(m, 7, 9, [&](int, int) { calls++; return false; });
	EXPECT_EQ(calls, 9);
	EXPECT_TRUE(SamePixels(r, Rescale(m, Size(7, 9), Rect(0, 0, 20, 20))));
	EXPECT_THROW(Rescale(m, Size(3, 3), [](int, int) -> bool { throw std::runtime_error("stop"); }), std::runtime_error);
}

// The Rescaler against the sums its two tables describe, computed plainly: each target pixel
// is (sum over rows of wy * (sum over columns of wx * p)) >> 16, area entries weighing their
// four samples 64 each on the horizontal and 1/4 each on the vertical axis.
TEST(Rescale, RescalerFollowsItsTables)
{
	for(Size s : { Size(37, 29), Size(5, 3), Size(100, 7) })
		for(Size t : { Size(9, 7), Size(37, 29), Size(11, 4), Size(80, 61), Size(3, 1), Size(120, 2) }) {
			Image m = RandomImage(s.cx, s.cy, s.cx + t.cx);
			Vector<int> hm, vm;
			int a = 0, b = t.cx, c = 0, d = t.cy;
			RescaleAxisMap(hm, 0, t.cx, a, b, 0, s.cx, 0, s.cx);
			RescaleAxisMap(vm, 0, t.cy, c, d, 0, s.cy, 0, s.cy);
			Vector<MapEntry> he = Entries(hm), ve = Entries(vm);
			Image r = Rescale(m, t, Rect(0, 0, s.cx, s.cy));
			for(int y = 0; y < t.cy; y++)
				for(int x = 0; x < t.cx; x++) {
					auto hsum = [&](int row, int ch) {
						const RGBA* p = m[row] + he[x].first;
						auto v = [&](int i) { const byte* q = (const byte*)(p + i); return int(q[ch]); };
						if(hm[3] > 0)
							return (v(0) + v(hm[3]) + v(2 * hm[3]) + v(3 * hm[3])) << 6;
						int sum = 0;
						for(int k = 0; k < he[x].w.GetCount(); k++)
							sum += v(k) * he[x].w[k];
						return sum;
					};
					for(int ch = 0; ch < 4; ch++) {
						int want;
						if(vm[3] > 0) {
							int q = vm[3], f = ve[y].first;
							want = (hsum(f, ch) + hsum(f + q, ch) + hsum(f + 2 * q, ch) + hsum(f + 3 * q, ch)) >> 10;
						}
						else {
							int sum = 0;
							for(int k = 0; k < ve[y].w.GetCount(); k++)
								sum += hsum(ve[y].first + k, ch) * ve[y].w[k];
							want = sum >> 16;
						}
						ASSERT_EQ(((const byte*)&r[y][x])[ch], std::min(want, 255))
							<< s.cx << "x" << s.cy << " -> " << t.cx << "x" << t.cy << " at " << x << "," << y;
					}
				}
		}
}
