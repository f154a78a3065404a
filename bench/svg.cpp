// SVG documents: the reader rendering into an ImagePainter vs librsvg rendering onto a cairo
// image surface, for the system's icons at 16 and 256 pixels and the resvg suite at 200; and
// GetSVGBoundingBox vs librsvg's intrinsic size and ink extents. Each case also reports the
// peak memory of one pass over its documents (measured in a child process).
#include <painter/Painter.h>

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Qel;
namespace fs = std::filesystem;

namespace {

struct Doc {
	String text;
	Rectf  box;  // the root's view box, or its width and height
};

Rectf sRootBox(const String& text)
{
	Rectf r(0, 0, 0, 0);
	try {
		XmlParser p(~text);
		while(!p.IsEof() && !p.AtStartTag())
			p.SkipElement();
		if(p.AtStartTag()) {
			p.EnterTag();
			double v[4];
			if(sscanf(~p.Attr("viewBox"), "%lf%*[ ,]%lf%*[ ,]%lf%*[ ,]%lf", &v[0], &v[1], &v[2], &v[3]) == 4)
				return Rectf(v[0], v[1], v[0] + v[2], v[1] + v[3]);
			r.right = ScanDouble(~p.Attr("width"));
			r.bottom = ScanDouble(~p.Attr("height"));
		}
	}
	catch(const XmlError&) {
	}
	if(!std::isfinite(r.right) || !std::isfinite(r.bottom) || r.right <= 0 || r.bottom <= 0)
		r = Rectf(0, 0, 16, 16);
	return r;
}

std::vector<Doc> sLoad(std::vector<std::string> roots)
{
	std::vector<std::string> files;
	for(const std::string& root : roots) {
		std::error_code ec;
		if(!fs::is_directory(root, ec))
			continue;
		for(fs::recursive_directory_iterator it(root, ec), end; it != end; it.increment(ec)) {
			if(ec)
				break;
			if(it->is_regular_file(ec) && it->path().extension() == ".svg")
				files.push_back(it->path().string());
		}
	}
	std::sort(files.begin(), files.end());
	std::vector<Doc> docs;
	for(const std::string& f : files) {
		Doc d;
		d.text = LoadFile(f.c_str());
		if(d.text.IsEmpty())
			continue;
		d.box = sRootBox(d.text);
		docs.push_back(std::move(d));
	}
	return docs;
}

const std::vector<Doc>& sIcons()
{
	static std::vector<Doc> d = sLoad({ "/usr/share/icons/Adwaita", "/usr/share/icons/hicolor" });
	return d;
}

const std::vector<Doc>& sResvg()
{
	static std::vector<Doc> d = sLoad({ QEL_SOURCE_DIR "/tests/data/resvg" });
	return d;
}

long sStatusKb(const char* key)
{
	FILE* f = fopen("/proc/self/status", "r");
	if(!f)
		return 0;
	char line[256];
	long v = 0;
	size_t n = strlen(key);
	while(fgets(line, sizeof line, f))
		if(strncmp(line, key, n) == 0)
			v = atol(line + n);
	fclose(f);
	return v;
}

// Peak resident memory above the starting point of one run of fn, in a child process so that
// the cases do not see each other's high-water marks.
template <class F>
double sPeakKb(F fn)
{
	int fd[2];
	if(pipe(fd))
		return -1;
	pid_t pid = fork();
	if(pid == 0) {
		close(fd[0]);
		if(FILE* f = fopen("/proc/self/clear_refs", "w")) {
			fputs("5", f); // resets the high-water mark
			fclose(f);
		}
		long base = sStatusKb("VmRSS:");
		fn();
		long d = sStatusKb("VmHWM:") - base;
		if(write(fd[1], &d, sizeof d) != sizeof d)
			_exit(1);
		_exit(0);
	}
	close(fd[1]);
	long d = -1;
	if(read(fd[0], &d, sizeof d) != sizeof d)
		d = -1;
	close(fd[0]);
	waitpid(pid, nullptr, 0);
	return (double)d;
}

double sFit(const Doc& d, int size)
{
	return std::min(size / (d.box.right - d.box.left), size / (d.box.bottom - d.box.top));
}

Image sQelRender(const Doc& d, int size, bool fit)
{
	ImagePainter p(size, size);
	p.Clear(Color(255, 255, 255));
	if(fit) {
		p.Scale(sFit(d, size));
		p.Translate(-d.box.left, -d.box.top);
	}
	RenderSVG(p, ~d.text);
	return p.GetResult();
}

// The image as premultiplied 0xAARRGGBB words, cairo's own layout.
void sRsvgRender(const Doc& d, int size, uint32_t* pixels)
{
	cairo_surface_t* s = cairo_image_surface_create_for_data((unsigned char*)pixels, CAIRO_FORMAT_ARGB32,
	                                                         size, size, size * 4);
	cairo_t* cr = cairo_create(s);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	RsvgHandle* h = rsvg_handle_new_from_data((const guint8*)~d.text, d.text.GetLength(), nullptr);
	if(h) {
		RsvgRectangle vp = { 0, 0, (double)size, (double)size };
		rsvg_handle_render_document(h, cr, &vp, nullptr);
		g_object_unref(h);
	}
	cairo_destroy(cr);
	cairo_surface_destroy(s);
}

void sDocs(benchmark::State& state, const std::vector<Doc>& docs, double peak)
{
	if(docs.empty()) {
		state.SkipWithError("no documents");
		return;
	}
	state.SetItemsProcessed(state.iterations() * (int64_t)docs.size());
	// seconds per document (printed with an SI prefix: m, u)
	state.counters["per_doc"] = benchmark::Counter((double)docs.size(),
	                                               benchmark::Counter::kIsIterationInvariantRate |
	                                               benchmark::Counter::kInvert);
	state.counters["peak_kB"] = peak;
}

void sQel(benchmark::State& state, const std::vector<Doc>& docs, int size, bool fit)
{
	double peak = sPeakKb([&] { for(const Doc& d : docs) sQelRender(d, size, fit); });
	for(auto _ : state)
		for(const Doc& d : docs)
			benchmark::DoNotOptimize(sQelRender(d, size, fit));
	sDocs(state, docs, peak);
}

void sRsvg(benchmark::State& state, const std::vector<Doc>& docs, int size)
{
	std::vector<uint32_t> px((size_t)size * size);
	double peak = sPeakKb([&] { for(const Doc& d : docs) sRsvgRender(d, size, px.data()); });
	for(auto _ : state)
		for(const Doc& d : docs) {
			sRsvgRender(d, size, px.data());
			benchmark::DoNotOptimize(px.data());
		}
	sDocs(state, docs, peak);
}

void BM_Icons16_qel(benchmark::State& s)        { sQel(s, sIcons(), 16, true); }
void BM_Icons16_librsvg(benchmark::State& s)    { sRsvg(s, sIcons(), 16); }
void BM_Icons256_qel(benchmark::State& s)       { sQel(s, sIcons(), 256, true); }
void BM_Icons256_librsvg(benchmark::State& s)   { sRsvg(s, sIcons(), 256); }
void BM_Resvg200_qel(benchmark::State& s)       { sQel(s, sResvg(), 200, false); }
void BM_Resvg200_librsvg(benchmark::State& s)   { sRsvg(s, sResvg(), 200); }

void BM_IconsBounds_qel(benchmark::State& state)
{
	const std::vector<Doc>& docs = sIcons();
	double peak = sPeakKb([&] { for(const Doc& d : docs) GetSVGBoundingBox(~d.text); });
	for(auto _ : state)
		for(const Doc& d : docs)
			benchmark::DoNotOptimize(GetSVGBoundingBox(~d.text));
	sDocs(state, docs, peak);
}

template <bool ink>
void sRsvgBounds(benchmark::State& state)
{
	const std::vector<Doc>& docs = sIcons();
	auto one = [](const Doc& d) {
		double w = 0, h = 0;
		RsvgHandle* hd = rsvg_handle_new_from_data((const guint8*)~d.text, d.text.GetLength(), nullptr);
		if(hd) {
			if(ink) {
				RsvgRectangle vp = { 0, 0, 16, 16 }, r, l;
				rsvg_handle_get_geometry_for_layer(hd, nullptr, &vp, &r, &l, nullptr);
				w = r.width;
			}
			else
				rsvg_handle_get_intrinsic_size_in_pixels(hd, &w, &h);
			g_object_unref(hd);
		}
		return w + h;
	};
	double peak = sPeakKb([&] { for(const Doc& d : docs) one(d); });
	for(auto _ : state)
		for(const Doc& d : docs)
			benchmark::DoNotOptimize(one(d));
	sDocs(state, docs, peak);
}

void BM_IconsBounds_librsvg(benchmark::State& s)     { sRsvgBounds<false>(s); }
void BM_IconsBounds_librsvg_ink(benchmark::State& s) { sRsvgBounds<true>(s); }

// The two renderers should draw the resvg documents alike where the reader supports them:
// counted once, before the timings.
void BM_Resvg200_agreement(benchmark::State& state)
{
	const std::vector<Doc>& docs = sResvg();
	int agree = 0;
	std::vector<uint32_t> px(200 * 200);
	for(const Doc& d : docs) {
		Image a = sQelRender(d, 200, false);
		sRsvgRender(d, 200, px.data());
		int off = 0;
		for(int y = 0; y < 200; y++)
			for(int x = 0; x < 200; x++) {
				RGBA q = a[y][x];
				uint32_t r = px[y * 200 + x];
				int m = std::max({ std::abs(q.r - int((r >> 16) & 255)), std::abs(q.g - int((r >> 8) & 255)),
				                   std::abs(q.b - int(r & 255)) });
				off += m > 64;
			}
		agree += off <= 200;
	}
	for(auto _ : state)
		benchmark::DoNotOptimize(agree);
	state.counters["agree"] = agree;
	state.counters["documents"] = (double)docs.size();
}

} // namespace

BENCHMARK(BM_Resvg200_agreement)->Name("Resvg200Agreement/Qel")->Iterations(1);
BENCHMARK(BM_Icons16_qel)->Name("Icons16/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Icons16_librsvg)->Name("Icons16/librsvg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Icons256_qel)->Name("Icons256/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Icons256_librsvg)->Name("Icons256/librsvg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resvg200_qel)->Name("Resvg200/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resvg200_librsvg)->Name("Resvg200/librsvg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconsBounds_qel)->Name("IconsBounds/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconsBounds_librsvg)->Name("IconsBounds/librsvg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconsBounds_librsvg_ink)->Name("IconsBounds/librsvg_ink")->Unit(benchmark::kMillisecond);
