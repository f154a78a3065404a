// XML parsing against pugixml, libxml2 and expat: trees of 50 MB synthetic documents
// (attribute-heavy, text-heavy, deeply nested), and the pull tokenizer against expat's push
// parser. Every run also reports the memory the tree took at its peak, measured in a child
// process. The trees are checked to agree on their element, attribute and text counts.
#include "ProcStatus.h"
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <type_traits>
#include <unistd.h>

using namespace Qel;

namespace {

constexpr int DOC_BYTES = 50 << 20;

enum { ATTRS, TEXT, DEEP };

String MakeDoc(int kind)
{
	String s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n";
	int i = 0;
	while(s.GetLength() < DOC_BYTES) {
		switch(kind) {
		case ATTRS:
			s << "  <item id=\"" << i << "\" name=\"name" << i % 977 << "\" x=\"" << i % 1000
			  << ".25\" y=\"-" << i % 313 << "\" kind='k" << i % 7 << "' flag=\"true\"/>\n";
			break;
		case TEXT:
			s << "  <p>Paragraph " << i << " holds plain prose, with an entity &amp; a reference"
			     " &#233; now and then, and enough words to make the text dominate the markup of"
			     " the document by a wide margin.</p>\n";
			break;
		case DEEP:
			s << "  ";
			for(int j = 0; j < 200; j++)
				s << "<n d=\"" << j << "\">";
			s << "leaf";
			for(int j = 0; j < 200; j++)
				s << "</n>";
			s << "\n";
			break;
		}
		i++;
	}
	s << "</root>\n";
	return s;
}

const String& Doc(int kind)
{
	static String docs[3];
	if(docs[kind].IsEmpty())
		docs[kind] = MakeDoc(kind);
	return docs[kind];
}

struct Counts {
	int64 elements = 0, attrs = 0, texts = 0;
	bool operator==(const Counts&) const = default;
};

Counts CountQel(const XmlNode& n)
{
	Counts c;
	Vector<const XmlNode*> work;
	work.Add(&n);
	while(!work.IsEmpty()) {
		const XmlNode* q = work.Pop();
		if(q->IsTag())
			c.elements++;
		c.attrs += q->GetAttrCount();
		for(int i = 0; i < q->GetCount(); i++) {
			if((*q)[i].IsText())
				c.texts++;
			work.Add(&(*q)[i]);
		}
	}
	return c;
}

Counts CountPugi(const pugi::xml_node& root)
{
	Counts c;
	Vector<pugi::xml_node> work;
	work.Add(root);
	while(!work.IsEmpty()) {
		pugi::xml_node q = work.Pop();
		if(q.type() == pugi::node_element)
			c.elements++;
		for(pugi::xml_attribute a = q.first_attribute(); a; a = a.next_attribute())
			c.attrs++;
		for(pugi::xml_node k = q.first_child(); k; k = k.next_sibling()) {
			if(k.type() == pugi::node_pcdata)
				c.texts++;
			work.Add(k);
		}
	}
	return c;
}

Counts CountLibxml(xmlNode* root)
{
	Counts c;
	Vector<xmlNode*> work;
	work.Add(root);
	while(!work.IsEmpty()) {
		xmlNode* q = work.Pop();
		if(q->type == XML_ELEMENT_NODE)
			c.elements++;
		for(xmlAttr* a = q->properties; a; a = a->next)
			c.attrs++;
		for(xmlNode* k = q->children; k; k = k->next) {
			// blank-only text between elements is kept by libxml2, dropped by the others
			if(k->type == XML_TEXT_NODE && !xmlIsBlankNode(k))
				c.texts++;
			work.Add(k);
		}
	}
	return c;
}

struct QelTree {
	static Counts Parse(const String& doc, bool count)
	{
		XmlNode n = ParseXmlTree(~doc);
		return count ? CountQel(n) : Counts();
	}
};

struct PugiTree {
	static Counts Parse(const String& doc, bool count)
	{
		pugi::xml_document d;
		if(!d.load_buffer(~doc, doc.GetLength()))
			abort();
		return count ? CountPugi(d) : Counts();
	}
};

struct LibxmlTree {
	static Counts Parse(const String& doc, bool count)
	{
		xmlDoc* d = xmlReadMemory(~doc, doc.GetLength(), nullptr, nullptr, XML_PARSE_HUGE);
		if(!d)
			abort();
		Counts c = count ? CountLibxml(xmlDocGetRootElement(d)) : Counts();
		xmlFreeDoc(d);
		return c;
	}
};

// The token stream without a tree: every start tag's attributes and every text are visited.
struct QelTokens {
	static Counts Parse(const String& doc, bool)
	{
		XmlParser p(~doc);
		Counts c;
		while(!p.IsEof()) {
			if(p.AtStartTag()) {
				c.elements++;
				p.EnterTag();
				c.attrs += p.GetAttrCount();
			}
			else if(p.IsText()) {
				c.texts++;
				p.ReadText();
			}
			else if(p.IsEnd())
				p.LeaveTag();
			else
				p.SkipElement();
		}
		return c;
	}
};

struct ExpatTokens {
	static void XMLCALL Start(void* u, const XML_Char*, const XML_Char** attr)
	{
		Counts& c = *(Counts*)u;
		c.elements++;
		for(; *attr; attr += 2)
			c.attrs++;
	}
	static void XMLCALL End(void*, const XML_Char*) {}
	static void XMLCALL Text(void* u, const XML_Char*, int) { ((Counts*)u)->texts++; }
	static Counts Parse(const String& doc, bool)
	{
		Counts c;
		XML_Parser p = XML_ParserCreate(nullptr);
		XML_SetUserData(p, &c);
		XML_SetElementHandler(p, Start, End);
		XML_SetCharacterDataHandler(p, Text);
		if(XML_Parse(p, ~doc, doc.GetLength(), 1) != XML_STATUS_OK)
			abort();
		XML_ParserFree(p);
		return c;
	}
};

using ParseFn = Counts (*)(const String&, bool);
const ParseFn sParsers[] = { QelTree::Parse, PugiTree::Parse, LibxmlTree::Parse, QelTokens::Parse,
                             ExpatTokens::Parse };

// Run as a fresh process of this program (see below): one parse, then the resident memory it
// added at its peak, in kB, on stdout.
void PeakProbe()
{
	if(const char* q = getenv("QEL_XML_PEAK")) {
		int parser = atoi(q), kind = atoi(strchr(q, ':') + 1);
		const String& doc = Doc(kind);
		// forget the peak of building the document
		if(FILE* f = fopen("/proc/self/clear_refs", "w")) {
			fputs("5", f);
			fclose(f);
		}
		long base = ProcStatusKB("VmRSS:");
		sParsers[parser](doc, false);
		printf("%ld\n", ProcStatusKB("VmHWM:") - base);
		fflush(stdout);
		_exit(0);
	}
}

// A new process, so that neither the heaps nor the peak of earlier runs blur the figure.
long PeakKb(int parser, int kind)
{
	char exe[4096];
	ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
	if(n <= 0)
		return -1;
	exe[n] = 0;
	String cmd = Format("QEL_XML_PEAK=%d:%d '%s'", parser, kind, exe);
	FILE* f = popen(~cmd, "r");
	long kb = -1;
	if(f) {
		if(fscanf(f, "%ld", &kb) != 1)
			kb = -1;
		pclose(f);
	}
	return kb;
}

template <class P>
void Parse(benchmark::State& state)
{
	int kind = int(state.range(0));
	const String& doc = Doc(kind);
	static Counts expect[3];
	Counts c = P::Parse(doc, true);
	if(expect[kind] == Counts())
		expect[kind] = QelTree::Parse(doc, true);
	// expat hands text over in pieces, so only its element and attribute counts can agree
	if(std::is_same_v<P, ExpatTokens>)
		c.texts = expect[kind].texts;
	if(!(c == expect[kind])) {
		state.SkipWithError("the parsers disagree on the document");
		return;
	}
	for(auto _ : state)
		benchmark::DoNotOptimize(P::Parse(doc, false));
	state.SetBytesProcessed(state.iterations() * doc.GetLength());
	int parser = 0;
	while(sParsers[parser] != P::Parse)
		parser++;
	state.counters["peak_MB"] = PeakKb(parser, kind) / 1024.0;
}

} // namespace

// Arguments: 0 attribute-heavy, 1 text-heavy, 2 deep.
#define XML_BENCH(P, name) \
	BENCHMARK_TEMPLATE(Parse, P)->Name(name)->DenseRange(ATTRS, DEEP)->Unit(benchmark::kMillisecond)

XML_BENCH(QelTree, "Tree/Qel");
XML_BENCH(PugiTree, "Tree/pugixml");
XML_BENCH(LibxmlTree, "Tree/libxml2");
XML_BENCH(QelTokens, "Tokens/Qel");
XML_BENCH(ExpatTokens, "Tokens/expat");

int main(int argc, char** argv)
{
	PeakProbe();
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
