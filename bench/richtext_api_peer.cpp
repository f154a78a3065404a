// The peer of bench_richtext_api: the same labels as Pango markup laid out in DejaVu Sans 12 at
// 96 dpi (16 pixels, as the labels' text at the screen zoom) on one PangoLayout, asked for their
// pixel size; and the same 8000 x 6000 PNG loaded at 800 x 600 by gdk-pixbuf
// (gdk_pixbuf_new_from_stream_at_scale from a memory stream), time and peak_KB measured alike.
#include "PrivateFonts.h"
#include "RawImageData.h"
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <pango/pangoft2.h>

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

const std::vector<bench::RichLabel>& sLabels()
{
	static std::vector<bench::RichLabel> l = bench::MakeRichLabels(1000);
	return l;
}

PangoLayout* sLayout()
{
	static PangoLayout* layout = [] {
		PangoFontMap* map = pango_ft2_font_map_new();
		pango_ft2_font_map_set_resolution(PANGO_FT2_FONT_MAP(map), 96, 96);
		PangoContext* context = pango_font_map_create_context(map);
		PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans 12");
		pango_context_set_font_description(context, font);
		pango_font_description_free(font);
		return pango_layout_new(context);
	}();
	return layout;
}

void sLabelRoad(long& cx, long& cy)
{
	PangoLayout* layout = sLayout();
	cx = cy = 0;
	for(const bench::RichLabel& l : sLabels()) {
		pango_layout_set_markup(layout, l.pango.c_str(), int(l.pango.size()));
		int w = 0, h = 0;
		pango_layout_get_pixel_size(layout, &w, &h);
		cx += w;
		cy += h;
	}
}

void BM_Labels(benchmark::State& state)
{
	if(!sPrivateFonts) {
		state.SkipWithError("the private font set is not built");
		return;
	}
	static bool checked = [] {
		long cx, cy;
		sLabelRoad(cx, cy);
		fprintf(stderr, "Pango labels: %ld pixels wide, %ld high in all\n", cx, cy);
		if(cx <= 0 || cy <= 0)
			abort();
		return true;
	}();
	(void)checked;
	for(auto _ : state) {
		long cx, cy;
		sLabelRoad(cx, cy);
		benchmark::DoNotOptimize(cx);
	}
	state.SetItemsProcessed(state.iterations() * int64_t(sLabels().size()));
}

GdkPixbuf* sLoad()
{
	const bench::RawImagePng& png = bench::GetRawImagePng();
	GInputStream* s = g_memory_input_stream_new_from_data(png.bytes.data(), gssize(png.bytes.size()), nullptr);
	GError* error = nullptr;
	GdkPixbuf* pb = gdk_pixbuf_new_from_stream_at_scale(s, bench::RAW_TARGET_CX, bench::RAW_TARGET_CY, FALSE,
	                                                    nullptr, &error);
	g_object_unref(s);
	if(!pb) {
		fprintf(stderr, "gdk-pixbuf: %s\n", error ? error->message : "no picture");
		abort();
	}
	return pb;
}

const bool sPeakChild = bench::PeakChild("rawimage", [] { bench::GetRawImagePng(); },
                                         [] { g_object_unref(sLoad()); });

void BM_RawImage(benchmark::State& state)
{
	static bool checked = [] {
		GdkPixbuf* pb = sLoad();
		int cx = gdk_pixbuf_get_width(pb), cy = gdk_pixbuf_get_height(pb);
		int n = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
		if(cx != bench::RAW_TARGET_CX || cy != bench::RAW_TARGET_CY)
			abort();
		const guchar* px = gdk_pixbuf_read_pixels(pb);
		double sum[3] = {};
		for(int y = 0; y < cy; y++)
			for(int x = 0; x < cx; x++)
				for(int c = 0; c < 3; c++)
					sum[c] += px[size_t(y) * stride + size_t(x) * n + c];
		double mean[3];
		for(int c = 0; c < 3; c++)
			mean[c] = sum[c] / (double(cx) * cy);
		bench::CheckRawMeans("gdk-pixbuf", mean);
		g_object_unref(pb);
		return true;
	}();
	(void)checked;
	for(auto _ : state) {
		GdkPixbuf* pb = sLoad();
		benchmark::DoNotOptimize(pb);
		g_object_unref(pb);
	}
	state.counters["peak_KB"] = double(bench::PeakKB("rawimage"));
	state.SetItemsProcessed(state.iterations() * int64_t(bench::RAW_CX) * bench::RAW_CY);
}

} // namespace

BENCHMARK(BM_Labels)->Name("Labels1000/Pango")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawImage)->Name("RawImage8000x6000To800x600/gdk_pixbuf")->Unit(benchmark::kMillisecond)->UseRealTime();
