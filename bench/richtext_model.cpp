// The rich-text document model on the shared benchmark document (10,000 paragraphs and a table
// of 4 x 3 cells after every 200th): a deep copy, the heap the built document holds, and its
// plain text, which unpacks every paragraph. The document is read from the generator's QTF.
// The peer (bench_richtext_model_peer) does the same with libxml2's tree of the HTML twin.
#include <richtext/RichText.h>

#include "RichTextData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Qel;

namespace {

constexpr int PARAGRAPHS = 10000;

const bench::RichDocument& sData()
{
	static bench::RichDocument d = bench::MakeRichDocument(PARAGRAPHS);
	return d;
}

RichText sBuild(const bench::RichDocument& d)
{
	return ParseQtf(d.qtf.c_str());
}

// Every paragraph's text in document order: what any plain text holds between its separators.
const std::string& sExpectedText()
{
	static std::string s = [] {
		std::string s;
		for(const bench::RichParagraph& p : sData().paragraphs)
			s += p.PlainText();
		return s;
	}();
	return s;
}

bool sSameText(const WString& text)
{
	WString t;
	for(wchar c : text)
		if(c != '\n' && c != '\t')
			t.Cat(c);
	return ToUtf8(t) == String(sExpectedText().c_str(), int(sExpectedText().size()));
}

size_t sHeapInUse()
{
	std::unique_ptr<MemoryProfile> m = std::make_unique<MemoryProfile>();
	size_t n = m->large_total + m->big_total + m->huge_total;
	for(int i = 0; i < 1024; i++)
		n += size_t(m->allocated[i]) * i * 4;
	return n;
}

const RichText& sDoc()
{
	static RichText doc = [] {
		RichText doc = sBuild(sData());
		if(!sSameText(doc.GetPlainText())) {
			fprintf(stderr, "the document's plain text differs from the generator's\n");
			abort();
		}
		return doc;
	}();
	return doc;
}

void BM_Copy(benchmark::State& state)
{
	const RichText& doc = sDoc();
	{
		RichText copy(doc);
		if(copy.GetLength() != doc.GetLength() || copy.GetPlainText() != doc.GetPlainText()) {
			fprintf(stderr, "the copy differs from its source\n");
			abort();
		}
	}
	for(auto _ : state) {
		RichText copy(doc);
		benchmark::DoNotOptimize(copy.GetPartCount());
	}
	state.SetItemsProcessed(state.iterations() * doc.GetPartCount());
}

void BM_Build(benchmark::State& state)
{
	const bench::RichDocument& d = sData();
	size_t held = 0;
	for(auto _ : state) {
		size_t before = sHeapInUse();
		RichText doc = sBuild(d);
		held = sHeapInUse() - before;
		benchmark::DoNotOptimize(doc.GetPartCount());
	}
	state.counters["held_kb"] = double(held) / 1024;
	state.counters["held_bytes_per_paragraph"] = double(held) / double(d.paragraphs.size());
}

void BM_PlainText(benchmark::State& state)
{
	const RichText& doc = sDoc();
	for(auto _ : state) {
		WString s = doc.GetPlainText();
		benchmark::DoNotOptimize(s.GetLength());
	}
	state.SetBytesProcessed(state.iterations() * int64(sExpectedText().size()));
}

} // namespace

BENCHMARK(BM_Copy)->Name("CopyDocument/Qel")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build)->Name("BuildDocument/Qel")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainText)->Name("PlainText/Qel")->Unit(benchmark::kMillisecond);
