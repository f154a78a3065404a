// md2qtf: Markdown to QTF, for the QTF round-trip corpus (tests/data/qtf). CommonMark goes
// through cmark: headings become styles, emphasis and strong emphasis italic and bold runs,
// code spans and code blocks monospace, links and images link runs, bullet lists bullets,
// ordered lists numbered paragraphs, block quotes indented paragraphs. cmark has no tables, so a
// paragraph that starts with a table's header and delimiter rows goes through md4c instead.
//
// Usage: md2qtf file.md > file.qtf (standard input when no file is given)
#include <cmark.h>
#include <md4c.h>

#include <cstdio>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char STYLES[] =
	"[*8b200;a100; $$1,0#5F1A0E43C3624A0C9A3B7E9C1D2F3A01:Heading 1]\r\n"
	"[*7b150;a100; $$2,0#5F1A0E43C3624A0C9A3B7E9C1D2F3A02:Heading 2]\r\n"
	"[*5b150;a50; $$3,0#5F1A0E43C3624A0C9A3B7E9C1D2F3A03:Heading 3]\r\n"
	"[*4b100;a50; $$4,0#5F1A0E43C3624A0C9A3B7E9C1D2F3A04:Heading 4]\r\n"
	"[*/3b100; $$5,0#5F1A0E43C3624A0C9A3B7E9C1D2F3A05:Heading 5]\r\n"
	"[/3b100; $$6,0#5F1A0E43C3624A0C9A3B7E9C1D2F3A06:Heading 6]\r\n"
	"[C2l200;$(240.240.240) $$7,7#5F1A0E43C3624A0C9A3B7E9C1D2F3A07:Code]\r\n"
	"[a60; $$0,0:Default]\r\n";

// Text: a backtick before every ASCII character that may start a command; tabs as "-|".
std::string Escape(const char* s, size_t n)
{
	std::string r;
	for(size_t i = 0; i < n; i++) {
		unsigned char c = s[i];
		if(c == '\t')
			r += "-|";
		else if(c == '\n' || c == '\r')
			r += ' ';
		else if(c >= 128 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
		        strchr(" !#%(),./;<>?", c))
			r += char(c);
		else if(c >= 32) {
			r += '`';
			r += char(c);
		}
	}
	return r;
}

std::string Escape(const char* s) { return s ? Escape(s, strlen(s)) : std::string(); }

// A command's argument: everything but digits and letters escaped.
std::string Arg(const char* s, size_t n)
{
	std::string r;
	for(size_t i = 0; i < n; i++) {
		unsigned char c = s[i];
		if(c >= 33 && c <= 127 && !isalnum(c))
			r += '`';
		if(c >= 32)
			r += char(c);
	}
	return r;
}

std::string Arg(const char* s) { return s ? Arg(s, strlen(s)) : std::string(); }

// A table of md4c: cells with their inline runs.
struct TableBuilder {
	std::vector<std::vector<std::string>> rows;
	std::string cell;
	int columns = 0;
	int header_rows = 0;

	static int Enter(MD_BLOCKTYPE type, void*, void* u)
	{
		TableBuilder& t = *(TableBuilder*)u;
		if(type == MD_BLOCK_TR)
			t.rows.emplace_back();
		if(type == MD_BLOCK_TH || type == MD_BLOCK_TD)
			t.cell.clear();
		return 0;
	}
	static int Leave(MD_BLOCKTYPE type, void*, void* u)
	{
		TableBuilder& t = *(TableBuilder*)u;
		if(type == MD_BLOCK_THEAD)
			t.header_rows = int(t.rows.size());
		if((type == MD_BLOCK_TH || type == MD_BLOCK_TD) && !t.rows.empty()) {
			t.rows.back().push_back(type == MD_BLOCK_TH ? "[* " + t.cell + "]" : t.cell);
			t.columns = std::max(t.columns, int(t.rows.back().size()));
		}
		return 0;
	}
	static int EnterSpan(MD_SPANTYPE type, void* detail, void* u)
	{
		TableBuilder& t = *(TableBuilder*)u;
		if(type == MD_SPAN_EM)
			t.cell += "[/ ";
		else if(type == MD_SPAN_STRONG)
			t.cell += "[* ";
		else if(type == MD_SPAN_CODE)
			t.cell += "[C ";
		else if(type == MD_SPAN_A) {
			MD_SPAN_A_DETAIL* a = (MD_SPAN_A_DETAIL*)detail;
			t.cell += "[^" + Arg(a->href.text, a->href.size) + "^ ";
		}
		else
			t.cell += "[ ";
		return 0;
	}
	static int LeaveSpan(MD_SPANTYPE, void*, void* u)
	{
		((TableBuilder*)u)->cell += "]";
		return 0;
	}
	static int Text(MD_TEXTTYPE type, const MD_CHAR* s, MD_SIZE n, void* u)
	{
		TableBuilder& t = *(TableBuilder*)u;
		t.cell += type == MD_TEXT_NULLCHAR ? std::string("@$FFFD;") : type == MD_TEXT_BR ? " " : Escape(s, n);
		return 0;
	}

	// The table in QTF, or empty when md4c finds none.
	static std::string Parse(const std::string& md)
	{
		TableBuilder t;
		MD_PARSER p = {};
		p.flags = MD_FLAG_TABLES;
		p.enter_block = Enter;
		p.leave_block = Leave;
		p.enter_span = EnterSpan;
		p.leave_span = LeaveSpan;
		p.text = Text;
		if(md_parse(md.data(), MD_SIZE(md.size()), &p, &t) || t.rows.empty())
			return std::string();
		std::string q = "{{";
		for(int c = 0; c < t.columns; c++)
			q += c ? ":1" : "1";
		if(t.header_rows)
			q += "h" + std::to_string(t.header_rows) + ";";
		bool first = true;
		for(const std::vector<std::string>& row : t.rows)
			for(int c = 0; c < t.columns; c++) {
				q += first ? " " : "\r\n:: ";
				first = false;
				q += c < int(row.size()) ? row[c] : std::string();
			}
		return q + "}}";
	}
};

class Converter {
	std::vector<std::string> lines;   // of the source, for tables
	std::vector<std::string> parts;   // paragraphs and tables
	std::vector<cmark_node*> lists;   // open lists, innermost last
	int quote = 0;
	bool item_start = false;          // the next paragraph begins a list item
	cmark_node* item = nullptr;       // the innermost item

	std::string Inlines(cmark_node* n)
	{
		std::string s;
		for(cmark_node* c = cmark_node_first_child(n); c; c = cmark_node_next(c))
			switch(cmark_node_get_type(c)) {
			case CMARK_NODE_TEXT: s += Escape(cmark_node_get_literal(c)); break;
			case CMARK_NODE_SOFTBREAK: s += " "; break;
			case CMARK_NODE_LINEBREAK: s += "&"; break;
			case CMARK_NODE_CODE: s += "[C " + Escape(cmark_node_get_literal(c)) + "]"; break;
			case CMARK_NODE_HTML_INLINE: s += "[C@5 " + Escape(cmark_node_get_literal(c)) + "]"; break;
			case CMARK_NODE_EMPH: s += "[/ " + Inlines(c) + "]"; break;
			case CMARK_NODE_STRONG: s += "[* " + Inlines(c) + "]"; break;
			case CMARK_NODE_LINK:
			case CMARK_NODE_IMAGE: s += "[^" + Arg(cmark_node_get_url(c)) + "^ " + Inlines(c) + "]"; break;
			default: s += Inlines(c); break;
			}
		return s;
	}

	// The paragraph format of the block context: indentation of lists and quotes, the bullet or
	// number of a list item's first paragraph.
	std::string Context()
	{
		std::string f;
		int lm = 300 * quote + 250 * int(lists.size());
		if(lm)
			f += "l" + std::to_string(lm) + ";";
		if(quote)
			f += "@5";
		if(item_start && !lists.empty()) {
			cmark_node* list = lists.back();
			if(cmark_node_get_list_type(list) == CMARK_ORDERED_LIST) {
				// the first item starts the count again
				f += "i-200;N" + std::string(lists.size() - 1, '-') + "1";
				f += cmark_node_first_child(list) == item ? "!" : ";";
				f += "m.;";
			}
			else
				f += "i-150;O" + std::string(lists.size() % 2 ? "0" : "1") + ";";
		}
		item_start = false;
		return f;
	}

	void Paragraph(const std::string& format, const std::string& text)
	{
		parts.push_back("[" + format + " " + text + "]");
	}

	bool Table(cmark_node* n)
	{
		int a = cmark_node_get_start_line(n), b = cmark_node_get_end_line(n);
		if(a < 1 || b > int(lines.size()) || b - a < 1)
			return false;
		const std::string& head = lines[a - 1];
		const std::string& delim = lines[a];
		if(head.find('|') == std::string::npos || delim.find('-') == std::string::npos ||
		   delim.find_first_not_of(" \t|:-") != std::string::npos)
			return false;
		std::string md;
		for(int i = a; i <= b; i++)
			md += lines[i - 1] + "\n";
		std::string t = TableBuilder::Parse(md);
		if(t.empty())
			return false;
		parts.push_back("[" + Context() + " " + t + "]");
		return true;
	}

	void Literal(cmark_node* n, const char* style)
	{
		const char* s = cmark_node_get_literal(n);
		std::string text = s ? s : "";
		if(!text.empty() && text.back() == '\n')
			text.pop_back();
		size_t at = 0;
		do {
			size_t e = text.find('\n', at);
			if(e == std::string::npos)
				e = text.size();
			Paragraph(style + Context(), Escape(text.data() + at, e - at));
			at = e + 1;
		}
		while(at <= text.size());
	}

	void Block(cmark_node* n)
	{
		switch(cmark_node_get_type(n)) {
		case CMARK_NODE_PARAGRAPH:
			if(!Table(n))
				Paragraph("s0;" + Context(), Inlines(n));
			break;
		case CMARK_NODE_HEADING:
			Paragraph("s" + std::to_string(cmark_node_get_heading_level(n)) + ";" + Context(), Inlines(n));
			break;
		case CMARK_NODE_CODE_BLOCK: Literal(n, "s7;"); break;
		case CMARK_NODE_HTML_BLOCK: Literal(n, "s7;@5"); break;
		case CMARK_NODE_THEMATIC_BREAK: Paragraph("s0;H10;" + Context(), ""); break;
		case CMARK_NODE_BLOCK_QUOTE:
			quote++;
			Children(n);
			quote--;
			break;
		case CMARK_NODE_LIST:
			lists.push_back(n);
			Children(n);
			lists.pop_back();
			break;
		case CMARK_NODE_ITEM: {
			cmark_node* outer = item;
			item = n;
			item_start = true;
			Children(n);
			item_start = false;
			item = outer;
			break;
		}
		default:
			Children(n);
			break;
		}
	}

	void Children(cmark_node* n)
	{
		for(cmark_node* c = cmark_node_first_child(n); c; c = cmark_node_next(c))
			Block(c);
	}

public:
	std::string Convert(const std::string& md)
	{
		size_t at = 0;
		while(at <= md.size()) {
			size_t e = md.find('\n', at);
			if(e == std::string::npos)
				e = md.size();
			lines.push_back(md.substr(at, e - at));
			at = e + 1;
		}
		cmark_node* doc = cmark_parse_document(md.data(), md.size(), CMARK_OPT_SOURCEPOS);
		Children(doc);
		cmark_node_free(doc);
		std::string q = STYLES;
		q += "[{_} \r\n";
		for(size_t i = 0; i < parts.size(); i++)
			q += (i ? "&\r\n" : "") + parts[i];
		return q + "]\r\n";
	}
};

} // namespace

int main(int argc, char** argv)
{
	std::string md;
	if(argc > 1) {
		std::ifstream in(argv[1], std::ios::binary);
		if(!in) {
			fprintf(stderr, "md2qtf: cannot read %s\n", argv[1]);
			return 1;
		}
		md.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}
	else
		md.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
	std::string q = Converter().Convert(md);
	fwrite(q.data(), 1, q.size(), stdout);
	return 0;
}
