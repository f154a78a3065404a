// Rich-text layout: RichText::GetHeight of the benchmark document (10,000 paragraphs in DejaVu
// Sans, 5,000 units wide: 800 pixels at the screen zoom 96/600) laid out for the first time
// (cold), again at another width (resize) and again unchanged (warm); and a table of 1,000 rows
// by 5 columns on pages, cold and warm. The peer (bench_richtext_layout_peer) has Pango lay out
// the same paragraphs from Pango markup.
#include <richtext/RichText.h>

#include "PrivateFonts.h"
#include "RichTextData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

namespace {

const bool sPrivateFonts = bench::UsePrivateFonts();

constexpr int PARAGRAPHS = 10000;
constexpr int WIDTH = 5000;

Rect Page(int width = WIDTH)
{
	return Rect(0, 0, width, 268435455);
}

struct sDocument {
	RichText doc;
	int      paragraphs = 0; // table cells included
};

const sDocument& sDoc()
{
	static sDocument d = [] {
		sDocument d;
		bench::RichDocument src = bench::MakeRichDocument(PARAGRAPHS);
		d.doc = ParseQtf(src.qtf.c_str());
		d.paragraphs = int(src.paragraphs.size());
		// Lines of the paragraphs outside tables, to set beside Pango's count.
		int64 lines = 0;
		for(int i = 0; i < d.doc.GetPartCount(); i++)
			if(d.doc.IsPara(i))
				lines += d.doc.Get(i, d.doc.GetStyles()).FormatLines(WIDTH, RichPara::Number()).GetCount();
		fprintf(stderr, "Qel: %d parts, %lld lines outside tables\n", d.doc.GetPartCount(), (long long)lines);
		if(d.doc.GetPartCount() != int(src.blocks.size()))
			abort();
		return d;
	}();
	return d;
}

const RichText& sTable()
{
	static RichText t = [] {
		std::vector<bench::RichLabel> l = bench::MakeRichLabels(5000);
		std::string qtf = "{{1:1:1:1:1 ";
		for(size_t i = 0; i < l.size(); i++)
			qtf += (i ? ":: " : "") + l[i].qtf;
		return ParseQtf((qtf + "}}").c_str());
	}();
	return t;
}

bool sReady(benchmark::State& state)
{
	if(!sPrivateFonts)
		state.SkipWithError("the private font set is not built");
	return sPrivateFonts;
}

void sPerParagraph(benchmark::State& state, int n)
{
	state.counters["paragraphs"] = benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate);
}

// Laid out for the first time: a copy of the document has no layouts.
void BM_Cold(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sDocument& d = sDoc();
	for(auto _ : state) {
		state.PauseTiming();
		RichText* doc = new RichText(d.doc);
		state.ResumeTiming();
		benchmark::DoNotOptimize(doc->GetHeight(Page()));
		state.PauseTiming();
		delete doc;
		state.ResumeTiming();
	}
	sPerParagraph(state, d.paragraphs);
}

// Every paragraph again, at a width one unit off the last one.
void BM_Resize(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sDocument& d = sDoc();
	int w = WIDTH;
	for(auto _ : state) {
		w = w == WIDTH ? WIDTH + 1 : WIDTH;
		benchmark::DoNotOptimize(d.doc.GetHeight(Page(w)));
	}
	sPerParagraph(state, d.paragraphs);
}

void BM_Warm(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const sDocument& d = sDoc();
	d.doc.GetHeight(Page());
	for(auto _ : state)
		benchmark::DoNotOptimize(d.doc.GetHeight(Page()));
	sPerParagraph(state, d.paragraphs);
}

// The table on pages of about 11 inches, where rows move to the next page.
void BM_TableCold(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const RichText& t = sTable();
	for(auto _ : state) {
		state.PauseTiming();
		RichText* doc = new RichText(t);
		state.ResumeTiming();
		benchmark::DoNotOptimize(doc->GetHeight(Rect(0, 0, WIDTH, 6600)));
		state.PauseTiming();
		delete doc;
		state.ResumeTiming();
	}
}

void BM_TableWarm(benchmark::State& state)
{
	if(!sReady(state))
		return;
	const RichText& t = sTable();
	t.GetHeight(Rect(0, 0, WIDTH, 6600));
	for(auto _ : state)
		benchmark::DoNotOptimize(t.GetHeight(Rect(0, 0, WIDTH, 6600)));
}

} // namespace

BENCHMARK(BM_Cold)->Name("GetHeightCold/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resize)->Name("GetHeightResize/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Warm)->Name("GetHeightWarm/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableCold)->Name("Table1000x5Cold/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWarm)->Name("Table1000x5Warm/Qel")->Unit(benchmark::kMillisecond);
