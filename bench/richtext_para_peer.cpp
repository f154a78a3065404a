// The peer of bench_richtext_para: Pango's pango_parse_markup of the benchmark document's
// paragraphs in Pango markup, giving their text and attribute runs, freed again each time.
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <pango/pango.h>

#include <cstdio>
#include <cstdlib>

namespace {

const std::vector<std::string>& sMarkup()
{
	static std::vector<std::string> m = [] {
		bench::RichDocument doc = bench::MakeRichDocument(1000);
		for(size_t i = 0; i < doc.pango.size(); i++) {
			char* text = nullptr;
			PangoAttrList* attrs = nullptr;
			if(!pango_parse_markup(doc.pango[i].c_str(), -1, 0, &attrs, &text, nullptr, nullptr) ||
			   doc.paragraphs[i].PlainText() != text) {
				fprintf(stderr, "Pango's text of paragraph %d differs from the document's\n", int(i));
				abort();
			}
			g_free(text);
			pango_attr_list_unref(attrs);
		}
		return doc.pango;
	}();
	return m;
}

void BM_Pango(benchmark::State& state)
{
	const std::vector<std::string>& m = sMarkup();
	size_t i = 0;
	for(auto _ : state) {
		char* text = nullptr;
		PangoAttrList* attrs = nullptr;
		pango_parse_markup(m[i].c_str(), int(m[i].size()), 0, &attrs, &text, nullptr, nullptr);
		benchmark::DoNotOptimize(text);
		g_free(text);
		pango_attr_list_unref(attrs);
		if(++i == m.size())
			i = 0;
	}
	state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_Pango)->Name("UnpackParagraph/Pango");
