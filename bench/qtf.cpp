// QTF on the shared benchmark document (10,000 and 100,000 paragraphs with a table of 4 x 3
// cells after every 200th): ParseQtf (bytes per second, and the heap the built document holds
// per input byte), 1,000 labels of 30 to 120 bytes parsed one by one, and AsQTF of the
// 10,000-paragraph document. The peers (bench_qtf_peer) read the CommonMark twin with cmark and
// md4c and the HTML twin with libxml2, parse the labels' CommonMark twins with cmark and render
// cmark's tree as CommonMark and HTML.
#include <richtext/RichText.h>

#include "RichTextData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

using namespace Qel;

namespace {

const bench::RichDocument& sData(int n)
{
	static std::map<int, bench::RichDocument> docs;
	auto q = docs.find(n);
	if(q == docs.end())
		q = docs.emplace(n, bench::MakeRichDocument(n)).first;
	return q->second;
}

void sFail(const char* what)
{
	fprintf(stderr, "%s\n", what);
	abort();
}

// Every paragraph's text in document order, cells included: what the plain text holds between
// its separators.
bool sSameText(const RichText& doc, const bench::RichDocument& d)
{
	std::string expected;
	for(const bench::RichParagraph& p : d.paragraphs)
		expected += p.PlainText();
	WString t;
	for(wchar c : doc.GetPlainText())
		if(c != '\n' && c != '\t')
			t.Cat(c);
	return ToUtf8(t) == String(expected.c_str(), int(expected.size()));
}

size_t sHeapInUse()
{
	std::unique_ptr<MemoryProfile> m = std::make_unique<MemoryProfile>();
	size_t n = m->large_total + m->big_total + m->huge_total;
	for(int i = 0; i < 1024; i++)
		n += size_t(m->allocated[i]) * i * 4;
	return n;
}

void BM_Parse(benchmark::State& state)
{
	const bench::RichDocument& d = sData(int(state.range(0)));
	const char* qtf = d.qtf.c_str();
	size_t before = sHeapInUse();
	{
		RichText doc = ParseQtf(qtf);
		size_t held = sHeapInUse() - before;
		if(!sSameText(doc, d))
			sFail("the parsed document's text differs from the generator's");
		state.counters["held_bytes_per_input_byte"] = double(held) / double(d.qtf.size());
	}
	for(auto _ : state) {
		RichText doc = ParseQtf(qtf);
		benchmark::DoNotOptimize(doc.GetPartCount());
	}
	state.SetBytesProcessed(state.iterations() * int64(d.qtf.size()));
}

const std::vector<bench::RichLabel>& sLabels()
{
	static std::vector<bench::RichLabel> l = bench::MakeRichLabels(1000);
	return l;
}

void BM_ParseLabels(benchmark::State& state)
{
	const std::vector<bench::RichLabel>& labels = sLabels();
	size_t bytes = 0;
	for(const bench::RichLabel& l : labels) {
		bytes += l.qtf.size();
		if(ToUtf8(ParseQtf(l.qtf.c_str()).GetPlainText()) != l.text.c_str())
			sFail("a label's text differs from the generator's");
	}
	for(auto _ : state)
		for(const bench::RichLabel& l : labels) {
			RichText doc = ParseQtf(l.qtf.c_str());
			benchmark::DoNotOptimize(doc.GetPartCount());
		}
	state.SetItemsProcessed(state.iterations() * int64(labels.size()));
	state.SetBytesProcessed(state.iterations() * int64(bytes));
}

void BM_Write(benchmark::State& state)
{
	const bench::RichDocument& d = sData(10000);
	RichText doc = ParseQtf(d.qtf.c_str());
	String out = AsQTF(doc);
	if(!sSameText(ParseQtf(out), d))
		sFail("the written document reads back with another text");
	for(auto _ : state) {
		String s = AsQTF(doc);
		benchmark::DoNotOptimize(s.GetLength());
	}
	state.SetBytesProcessed(state.iterations() * int64(out.GetLength()));
}

} // namespace

BENCHMARK(BM_Parse)->Name("ParseDocument/Qel")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLabels)->Name("ParseLabels/Qel")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Write)->Name("WriteDocument/Qel")->Unit(benchmark::kMillisecond);
