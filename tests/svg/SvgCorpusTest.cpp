// SVG documents end to end: the resvg suite against its reference renderings, and every icon of
// the system's themes as a smoke corpus.
#include <painter/Painter.h>
#include <plugin/png/png.h>

#if __has_include(<painter/ImagePainter.h>)
#include <painter/ImagePainter.h>
#define QEL_HAS_IMAGE_PAINTER 1
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace Qel;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> sSvgFiles(const std::string& root)
{
	std::vector<std::string> r;
	std::error_code ec;
	if(!fs::is_directory(root, ec))
		return r;
	for(fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
	    it != end; it.increment(ec)) {
		if(ec)
			break;
		if(it->is_regular_file(ec) && it->path().extension() == ".svg")
			r.push_back(it->path().string());
	}
	std::sort(r.begin(), r.end());
	return r;
}

// Counts what a document paints, so the smoke run checks more than the absence of a crash.
struct CountingPainter : NilPainter {
	int paints = 0;
	int begins = 0;
	void BeginOp() override                                   { begins++; }
	void EndOp() override                                     { begins--; }
	void FillOp(const RGBA&) override                         { paints++; }
	void StrokeOp(double w, const RGBA&) override             { paints += w > 0; }
	void FillOp(const RGBA&, const RGBA&, const Xform2D&, int) override { paints++; }
	void FillOp(const Pointf&, const RGBA&, const RGBA&, const Xform2D&, int) override { paints++; }
	using NilPainter::FillOp;
	using NilPainter::StrokeOp;
};

} // namespace

TEST(SvgIcons, EveryThemeIconReadsAndMeasures)
{
	std::vector<std::string> files = sSvgFiles("/usr/share/icons/Adwaita");
	std::vector<std::string> more = sSvgFiles("/usr/share/icons/hicolor");
	files.insert(files.end(), more.begin(), more.end());
	if(files.empty())
		GTEST_SKIP() << "no SVG icons under /usr/share/icons/Adwaita or /usr/share/icons/hicolor";
	int measured = 0;
	for(const std::string& f : files) {
		String svg = LoadFile(f.c_str());
		CountingPainter p;
		EXPECT_TRUE(RenderSVG(p, ~svg)) << f;
		EXPECT_EQ(p.begins, 0) << f;
		Rectf r = GetSVGBoundingBox(~svg);
		if(!BoundsPainter::IsEmpty(r)) {
			measured++;
			EXPECT_GT(p.paints, 0) << f;
			EXPECT_LE(r.left, r.right) << f;
			EXPECT_LE(r.top, r.bottom) << f;
		}
#ifdef QEL_HAS_IMAGE_PAINTER
		for(int sz : { 16, 48 }) {
			Image img = RenderSVGImage(Size(sz, sz), svg);
			if(!img.IsEmpty()) {
				EXPECT_LE(img.GetWidth(), sz) << f;
				EXPECT_LE(img.GetHeight(), sz) << f;
			}
		}
#endif
	}
	// icons paint something: almost all of them have bounds
	EXPECT_GE(measured, (int)files.size() * 9 / 10);
	printf("%d of %d icons measured\n", measured, (int)files.size());
}

#ifdef QEL_HAS_IMAGE_PAINTER

namespace {

// Documents whose rendering differs from the reference by design or for want of a feature.
// Each entry names the reason once, for its whole group.
struct Expected {
	const char* prefix; // path below tests/data/resvg, a prefix of the document's name
	const char* why;
};

const Expected sExpected[] = {
	{ "", "" },
};

const char* sExpectedWhy(const std::string& rel)
{
	for(const Expected& e : sExpected)
		if(*e.prefix && rel.rfind(e.prefix, 0) == 0)
			return e.why;
	return nullptr;
}

struct Diff {
	int    pixels = 0;  // pixels off by more than the tolerance
	double worst = 0;   // largest channel difference
};

// Reference over white, as the rendering is.
Diff sCompare(const Image& got, const Image& ref, int tolerance)
{
	Diff d;
	for(int y = 0; y < ref.GetHeight(); y++)
		for(int x = 0; x < ref.GetWidth(); x++) {
			RGBA a = got[y][x], b = ref[y][x];
			int w = 255 - b.a; // premultiplied: adding the white that shows through
			int dr = std::abs(a.r - (b.r + w)), dg = std::abs(a.g - (b.g + w)), db = std::abs(a.b - (b.b + w));
			int m = std::max(dr, std::max(dg, db));
			d.worst = std::max(d.worst, (double)m);
			d.pixels += m > tolerance;
		}
	return d;
}

} // namespace

TEST(SvgResvg, RenderingsMatchTheReferences)
{
	RegisterPNGRaster();
	std::string root = std::string(QEL_TEST_DATA) + "/resvg";
	std::vector<std::string> files = sSvgFiles(root);
	ASSERT_FALSE(files.empty()) << root;
	// A pixel differs when a channel is off by more than 64 of 255 (anti-aliasing of edges
	// differs between renderers); a document matches when at most 0.5 % of its pixels differ.
	const int tolerance = 64;
	const double share = 0.005;
	int matched = 0, expected = 0, expected_matched = 0;
	for(const std::string& f : files) {
		std::string rel = f.substr(root.size() + 1);
		std::string png = f.substr(0, f.size() - 4) + ".png";
		Image ref = LoadImageFile(png.c_str());
		ASSERT_FALSE(ref.IsEmpty()) << png;
		String svg = LoadFile(f.c_str());
		// the documents' view box is 200 units wide; the references are drawn larger
		double scale = ref.GetWidth() / 200.0;
		ImagePainter p(ref.GetSize());
		p.Clear(White().ToRGBA());
		p.Scale(scale);
		RenderSVG(p, ~svg);
		Image got = p.GetResult();
		Diff d = sCompare(got, ref, tolerance);
		bool ok = d.pixels <= share * ref.GetWidth() * ref.GetHeight();
		matched += ok;
		const char* why = sExpectedWhy(rel);
		if(why) {
			expected++;
			expected_matched += ok;
		}
		else
			EXPECT_TRUE(ok) << rel << ": " << d.pixels << " pixels differ, worst by " << d.worst;
	}
	printf("resvg: %d of %d documents match; %d listed as expected differences (%d of them match)\n",
	       matched, (int)files.size(), expected, expected_matched);
}

#else

TEST(SvgResvg, RenderingsMatchTheReferences)
{
	GTEST_SKIP() << "ImagePainter (painter/ImagePainter.h) is not in this build: the resvg documents "
	                "cannot be rendered for comparison";
}

#endif
