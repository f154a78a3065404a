// The peers of bench_qtf on the C library's heap: cmark_parse_document and md4c's md_parse
// (empty callbacks, tables on) on the benchmark document's CommonMark twin, libxml2's
// htmlReadMemory on its HTML twin, cmark on the labels' CommonMark twins one by one, and
// cmark_render_commonmark and cmark_render_html of cmark's tree of the 10,000-paragraph twin.
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <cmark.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <malloc.h>
#include <md4c.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

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

size_t sHeapInUse()
{
	struct mallinfo2 m = mallinfo2();
	return m.uordblks + m.hblkhd;
}

// Paragraphs outside tables: all the CommonMark twin has.
int sParagraphs(const bench::RichDocument& d)
{
	int n = 0;
	for(const bench::RichBlock& b : d.blocks)
		n += !b.table;
	return n;
}

int sCountParagraphs(cmark_node* doc)
{
	int n = 0;
	for(cmark_node* c = cmark_node_first_child(doc); c; c = cmark_node_next(c))
		n += cmark_node_get_type(c) == CMARK_NODE_PARAGRAPH;
	return n;
}

void BM_Cmark(benchmark::State& state)
{
	const bench::RichDocument& d = sData(int(state.range(0)));
	const std::string& md = d.commonmark;
	size_t before = sHeapInUse();
	cmark_node* doc = cmark_parse_document(md.data(), md.size(), CMARK_OPT_DEFAULT);
	size_t held = sHeapInUse() - before;
	if(sCountParagraphs(doc) != sParagraphs(d))
		sFail("cmark's paragraphs differ from the generator's");
	cmark_node_free(doc);
	state.counters["held_bytes_per_input_byte"] = double(held) / double(md.size());
	for(auto _ : state) {
		cmark_node* doc = cmark_parse_document(md.data(), md.size(), CMARK_OPT_DEFAULT);
		benchmark::DoNotOptimize(doc);
		cmark_node_free(doc);
	}
	state.SetBytesProcessed(state.iterations() * int64_t(md.size()));
}

int sEnterCount(MD_BLOCKTYPE type, void*, void* user)
{
	*(int*)user += type == MD_BLOCK_P;
	return 0;
}

int sEnter(MD_BLOCKTYPE, void*, void*) { return 0; }
int sLeave(MD_BLOCKTYPE, void*, void*) { return 0; }
int sEnterSpan(MD_SPANTYPE, void*, void*) { return 0; }
int sLeaveSpan(MD_SPANTYPE, void*, void*) { return 0; }
int sText(MD_TEXTTYPE, const MD_CHAR*, MD_SIZE, void*) { return 0; }

void BM_Md4c(benchmark::State& state)
{
	const bench::RichDocument& d = sData(int(state.range(0)));
	const std::string& md = d.commonmark;
	MD_PARSER parser = {};
	parser.flags = MD_FLAG_TABLES;
	parser.enter_block = sEnterCount;
	parser.leave_block = sLeave;
	parser.enter_span = sEnterSpan;
	parser.leave_span = sLeaveSpan;
	parser.text = sText;
	int paragraphs = 0;
	if(md_parse(md.data(), MD_SIZE(md.size()), &parser, &paragraphs) || paragraphs != sParagraphs(d))
		sFail("md4c's paragraphs differ from the generator's");
	parser.enter_block = sEnter;
	for(auto _ : state)
		benchmark::DoNotOptimize(md_parse(md.data(), MD_SIZE(md.size()), &parser, nullptr));
	state.counters["held_bytes_per_input_byte"] = 0; // it builds nothing
	state.SetBytesProcessed(state.iterations() * int64_t(md.size()));
}

htmlDocPtr sHtml(const std::string& html)
{
	return htmlReadMemory(html.data(), int(html.size()), nullptr, "UTF-8",
	                      HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
}

void BM_Libxml2(benchmark::State& state)
{
	const bench::RichDocument& d = sData(int(state.range(0)));
	const std::string& html = d.html;
	size_t before = sHeapInUse();
	htmlDocPtr doc = sHtml(html);
	size_t held = sHeapInUse() - before;
	xmlChar* text = xmlNodeGetContent(xmlDocGetRootElement(doc));
	std::string t, expected;
	for(const xmlChar* p = text; *p; p++)
		if(*p != '\n')
			t += char(*p);
	xmlFree(text);
	for(const bench::RichParagraph& p : d.paragraphs)
		expected += p.PlainText();
	if(t != expected)
		sFail("libxml2's text differs from the generator's");
	xmlFreeDoc(doc);
	state.counters["held_bytes_per_input_byte"] = double(held) / double(html.size());
	for(auto _ : state) {
		htmlDocPtr doc = sHtml(html);
		benchmark::DoNotOptimize(doc);
		xmlFreeDoc(doc);
	}
	state.SetBytesProcessed(state.iterations() * int64_t(html.size()));
}

void BM_CmarkLabels(benchmark::State& state)
{
	static std::vector<bench::RichLabel> labels = bench::MakeRichLabels(1000);
	size_t bytes = 0;
	for(const bench::RichLabel& l : labels) {
		bytes += l.commonmark.size();
		cmark_node* doc = cmark_parse_document(l.commonmark.data(), l.commonmark.size(), CMARK_OPT_DEFAULT);
		if(sCountParagraphs(doc) != 1)
			sFail("cmark reads a label as something else than one paragraph");
		cmark_node_free(doc);
	}
	for(auto _ : state)
		for(const bench::RichLabel& l : labels) {
			cmark_node* doc = cmark_parse_document(l.commonmark.data(), l.commonmark.size(), CMARK_OPT_DEFAULT);
			benchmark::DoNotOptimize(doc);
			cmark_node_free(doc);
		}
	state.SetItemsProcessed(state.iterations() * int64_t(labels.size()));
	state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}

template <bool HTML>
void BM_CmarkRender(benchmark::State& state)
{
	const bench::RichDocument& d = sData(10000);
	cmark_node* doc = cmark_parse_document(d.commonmark.data(), d.commonmark.size(), CMARK_OPT_DEFAULT);
	auto render = [&] { return HTML ? cmark_render_html(doc, CMARK_OPT_DEFAULT) : cmark_render_commonmark(doc, CMARK_OPT_DEFAULT, 0); };
	char* out = render();
	size_t size = strlen(out);
	cmark_node* back = cmark_parse_document(out, size, CMARK_OPT_DEFAULT);
	if(!HTML && sCountParagraphs(back) != sParagraphs(d))
		sFail("cmark's CommonMark reads back with other paragraphs");
	cmark_node_free(back);
	free(out);
	for(auto _ : state) {
		char* s = render();
		benchmark::DoNotOptimize(s);
		free(s);
	}
	cmark_node_free(doc);
	state.SetBytesProcessed(state.iterations() * int64_t(size));
}

} // namespace

BENCHMARK(BM_Cmark)->Name("ParseDocument/cmark")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Md4c)->Name("ParseDocument/md4c")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libxml2)->Name("ParseDocument/libxml2")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CmarkLabels)->Name("ParseLabels/cmark")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CmarkRender<false>)->Name("WriteDocument/cmark_commonmark")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CmarkRender<true>)->Name("WriteDocument/cmark_html")->Unit(benchmark::kMillisecond);
