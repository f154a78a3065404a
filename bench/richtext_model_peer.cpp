// The peer of bench_richtext_model: libxml2's tree of the benchmark document's HTML twin, read
// by htmlReadMemory. A deep copy (xmlCopyDoc, freed again), the heap the parsed tree holds
// (C library heap in use before and after), and the text of the body (xmlNodeGetContent).
#include "RichTextData.h"

#include <benchmark/benchmark.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int PARAGRAPHS = 10000;

const bench::RichDocument& sData()
{
	static bench::RichDocument d = bench::MakeRichDocument(PARAGRAPHS);
	return d;
}

htmlDocPtr sParse()
{
	const std::string& html = sData().html;
	return htmlReadMemory(html.data(), int(html.size()), nullptr, "UTF-8",
	                      HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
}

xmlNodePtr sBody(xmlDocPtr doc)
{
	for(xmlNodePtr n = xmlDocGetRootElement(doc)->children; n; n = n->next)
		if(n->type == XML_ELEMENT_NODE && xmlStrEqual(n->name, BAD_CAST "body"))
			return n;
	fprintf(stderr, "no body\n");
	abort();
}

std::string sText(xmlDocPtr doc)
{
	xmlChar* s = xmlNodeGetContent(sBody(doc));
	std::string t;
	for(const xmlChar* p = s; *p; p++)
		if(*p != '\n')
			t += char(*p);
	xmlFree(s);
	return t;
}

htmlDocPtr sDoc()
{
	static htmlDocPtr doc = [] {
		htmlDocPtr doc = sParse();
		std::string expected;
		for(const bench::RichParagraph& p : sData().paragraphs)
			expected += p.PlainText();
		if(sText(doc) != expected) {
			fprintf(stderr, "libxml2's text differs from the generator's\n");
			abort();
		}
		return doc;
	}();
	return doc;
}

size_t sHeapInUse()
{
	struct mallinfo2 m = mallinfo2();
	return m.uordblks + m.hblkhd;
}

void BM_Copy(benchmark::State& state)
{
	htmlDocPtr doc = sDoc();
	{
		xmlDocPtr copy = xmlCopyDoc(doc, 1);
		if(sText(copy) != sText(doc)) {
			fprintf(stderr, "the copy differs from its source\n");
			abort();
		}
		xmlFreeDoc(copy);
	}
	for(auto _ : state) {
		xmlDocPtr copy = xmlCopyDoc(doc, 1);
		benchmark::DoNotOptimize(copy);
		xmlFreeDoc(copy);
	}
}

void BM_Parse(benchmark::State& state)
{
	sData();
	size_t held = 0;
	for(auto _ : state) {
		size_t before = sHeapInUse();
		htmlDocPtr doc = sParse();
		held = sHeapInUse() - before;
		benchmark::DoNotOptimize(doc);
		xmlFreeDoc(doc);
	}
	state.counters["held_kb"] = double(held) / 1024;
	state.counters["held_bytes_per_paragraph"] = double(held) / double(sData().paragraphs.size());
}

void BM_Content(benchmark::State& state)
{
	xmlNodePtr body = sBody(sDoc());
	for(auto _ : state) {
		xmlChar* s = xmlNodeGetContent(body);
		benchmark::DoNotOptimize(s);
		xmlFree(s);
	}
}

} // namespace

BENCHMARK(BM_Copy)->Name("CopyDocument/libxml2")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse)->Name("ParseDocument/libxml2")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Content)->Name("PlainText/libxml2")->Unit(benchmark::kMillisecond);
