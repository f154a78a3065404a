// Rich text's public API as programs use it: a "rawimage" object of an 8000 x 6000 PNG painted
// into 800 x 600 (an image drawing), which decodes the file straight to the target size. Time
// and peak_KB, the resident memory one paint adds in a fresh process. The peer:
// bench_richtext_api_peer.
#include "RawImageData.h"

#include <richtext/RichText.h>

#include <benchmark/benchmark.h>

using namespace Qel;

namespace {

const RichObject& sRawImage()
{
	static RichObject o = [] {
		const bench::RawImagePng& png = bench::GetRawImagePng();
		RichObject o;
		o.Read("rawimage", String(png.bytes.data(), int(png.bytes.size())), Size(5000, 3750));
		return o;
	}();
	return o;
}

Image sPaintRawImage()
{
	ImageAnyDraw w(bench::RAW_TARGET_CX, bench::RAW_TARGET_CY);
	sRawImage().Paint(w, Size(bench::RAW_TARGET_CX, bench::RAW_TARGET_CY));
	return w;
}

const bool sPeakChild = bench::PeakChild("rawimage", [] { sRawImage(); }, [] { sPaintRawImage(); });

void BM_RawImage(benchmark::State& state)
{
	static bool checked = [] {
		Image m = sPaintRawImage();
		if(m.GetSize() != Size(bench::RAW_TARGET_CX, bench::RAW_TARGET_CY))
			abort();
		double sum[3] = {};
		for(const RGBA& p : m) {
			sum[0] += p.r;
			sum[1] += p.g;
			sum[2] += p.b;
		}
		double mean[3];
		for(int c = 0; c < 3; c++)
			mean[c] = sum[c] / m.GetLength();
		bench::CheckRawMeans("Qel", mean);
		return true;
	}();
	(void)checked;
	for(auto _ : state)
		benchmark::DoNotOptimize(sPaintRawImage());
	state.counters["peak_KB"] = double(bench::PeakKB("rawimage"));
	state.SetItemsProcessed(state.iterations() * int64(bench::RAW_CX) * bench::RAW_CY);
}

} // namespace

BENCHMARK(BM_RawImage)->Name("RawImage8000x6000To800x600/Qel")->Unit(benchmark::kMillisecond)->UseRealTime();
