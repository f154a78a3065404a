// Unpacking stored paragraphs: RichPara::Unpack of the benchmark document's paragraphs on a
// cache miss (parsing the packed form) and on a hit (taking the parked content back, and
// parking it again when the paragraph is destroyed). The peer, Pango's markup parser on the
// same paragraphs (bench_richtext_para_peer), also turns stored styled text into text and runs.
#include <richtext/RichText.h>

#include "RichTextData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

namespace {

constexpr int PARAGRAPHS = 1000;

struct sPacked {
	Vector<String>     data;
	Array<RichObject>  objs;  // the document has none
	RichPara::Format   style;
	int64              chars = 0;
};

const sPacked& sDoc()
{
	static sPacked d = [] {
		sPacked d;
		bench::RichDocument doc = bench::MakeRichDocument(PARAGRAPHS);
		for(const bench::RichParagraph& p : doc.paragraphs) {
			RichPara para;
			for(const bench::RichRun& r : p.runs) {
				RichPara::CharFormat f;
				f.Bold(r.bold).Italic(r.italic);
				f.link = r.link.c_str();
				para.Cat(ToUtf32(r.text.c_str()), f);
			}
			Array<RichObject> objs;
			d.data.Add(para.Pack(d.style, objs));
			// the unpacked text must be the document's, as Pango's is
			RichPara u;
			u.Unpack(d.data.Top(), d.objs, d.style);
			WString text;
			for(const RichPara::Part& q : u.part)
				text.Cat(q.text);
			if(ToUtf8(text) != String(p.PlainText().c_str())) {
				fprintf(stderr, "unpacked text differs from the document's\n");
				abort();
			}
			d.chars += text.GetLength();
		}
		return d;
	}();
	return d;
}

void BM_UnpackMiss(benchmark::State& state)
{
	const sPacked& d = sDoc();
	int i = 0;
	for(auto _ : state) {
		RichPara p; // cache id 0: parsed every time, and not parked
		p.Unpack(d.data[i], d.objs, d.style);
		benchmark::DoNotOptimize(p.part.GetCount());
		if(++i == d.data.GetCount())
			i = 0;
	}
	state.SetItemsProcessed(state.iterations());
}

// A window of paragraphs small enough for the cache (at most 10,000 positions besides the
// newest one), each unpacked again after its last owner parked it.
void BM_UnpackHit(benchmark::State& state)
{
	const sPacked& d = sDoc();
	const int window = 12;
	const int64 base = int64(1) << 50; // the same ids on every run: the steady state
	int i = 0;
	for(auto _ : state) {
		RichPara p;
		p.cacheid = base + i;
		p.Unpack(d.data[i], d.objs, d.style);
		benchmark::DoNotOptimize(p.part.GetCount());
		if(++i == window)
			i = 0;
	}
	state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_UnpackMiss)->Name("UnpackParagraph/QelMiss");
BENCHMARK(BM_UnpackHit)->Name("UnpackParagraph/QelHit");
