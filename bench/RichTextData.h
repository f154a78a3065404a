// The document every rich-text benchmark works on, from one seed, in four markups: QTF,
// CommonMark, HTML and Pango markup. N paragraphs of about 80 words; about 5 % of the words in
// bold and 5 % in italic runs; a link in every tenth paragraph; 2 % of the letters Latin-1 or
// Cyrillic; after every 200th paragraph a table of 4 columns and 3 rows (not in CommonMark,
// which has none; Pango markup, which has no tables either, gets each cell as a paragraph).
// MakeRichLabels gives short labels in QTF, CommonMark and Pango markup. Only the standard
// library is used, so peer programs include it as freely as Qel's.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench {

struct RichRun {
	std::string text;   // UTF-8, letters, blanks, "," and "." only: nothing any markup escapes
	bool        bold = false;
	bool        italic = false;
	std::string link;   // empty: no link
};

struct RichParagraph {
	std::vector<RichRun> runs;

	std::string PlainText() const
	{
		std::string s;
		for(const RichRun& r : runs)
			s += r.text;
		return s;
	}
};

struct RichBlock {
	bool                       table = false;
	RichParagraph              para;   // when not a table
	std::vector<RichParagraph> cells;  // when a table: 12 cells, row after row
};

struct RichDocument {
	std::vector<RichBlock>     blocks;
	std::vector<RichParagraph> paragraphs; // every paragraph in document order, cells included
	std::string                qtf;
	std::string                commonmark;
	std::string                html;
	std::vector<std::string>   pango;      // one markup text per entry of paragraphs
};

namespace detail {

class RichGen {
	std::mt19937 rng;

	int Int(int n) { return int(rng() % unsigned(n)); }

	std::string Letter()
	{
		static const char* latin1[] = {"à", "á", "â", "ä", "å", "æ", "ç", "è", "é", "ê", "ë", "í", "î", "ï",
		                               "ñ", "ò", "ó", "ô", "ö", "ø", "ù", "ú", "û", "ü", "ý", "ß", "ÿ"};
		static const char* cyrillic[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и", "й", "к", "л", "м",
		                                 "н", "о", "п", "р", "с", "т", "у", "ф", "х", "ц", "ч", "ш", "я"};
		int r = Int(100);
		if(r == 0)
			return latin1[Int(int(std::size(latin1)))];
		if(r == 1)
			return cyrillic[Int(int(std::size(cyrillic)))];
		return std::string(1, char('a' + Int(26)));
	}

	std::string Word()
	{
		std::string w;
		int n = 2 + Int(8);
		for(int i = 0; i < n; i++)
			w += Letter();
		return w;
	}

public:
	explicit RichGen(unsigned seed) : rng(seed) {}

	RichParagraph Paragraph(int words, bool link)
	{
		RichParagraph p;
		int link_at = link ? Int(words - 3) : -1;
		for(int i = 0; i < words; i++) {
			RichRun r;
			if(i == link_at) {
				r.link = "https://example.com/page/" + std::to_string(Int(100000));
				for(int k = 0; k < 3; k++)
					r.text += Word() + " ";
				i += 2;
			}
			else {
				int s = Int(100);
				r.bold = s < 5;
				r.italic = s >= 5 && s < 10;
				r.text = Word();
				r.text += i + 1 == words ? "." : Int(12) == 0 ? ", " : " ";
			}
			RichRun* last = p.runs.empty() ? nullptr : &p.runs.back();
			if(last && last->link.empty() && r.link.empty() && last->bold == r.bold && last->italic == r.italic)
				last->text += r.text;
			else
				p.runs.push_back(r);
		}
		return p;
	}

	int Words() { return 70 + Int(21); }
	int CellWords() { return 2 + Int(3); }
};

inline std::string QtfRuns(const RichParagraph& p)
{
	std::string s;
	for(const RichRun& r : p.runs) {
		if(!r.link.empty())
			s += "[^" + r.link + "^ " + r.text + "]";
		else if(r.bold)
			s += "[* " + r.text + "]";
		else if(r.italic)
			s += "[/ " + r.text + "]";
		else
			s += r.text;
	}
	return s;
}

inline std::string HtmlRuns(const RichParagraph& p)
{
	std::string s;
	for(const RichRun& r : p.runs)
		if(!r.link.empty())
			s += "<a href=\"" + r.link + "\">" + r.text + "</a>";
		else if(r.bold)
			s += "<b>" + r.text + "</b>";
		else if(r.italic)
			s += "<i>" + r.text + "</i>";
		else
			s += r.text;
	return s;
}

// Emphasis markers hug the words: trailing blanks and punctuation stay outside.
inline std::string MarkdownRuns(const RichParagraph& p)
{
	std::string s;
	for(const RichRun& r : p.runs) {
		if(!r.link.empty() || r.bold || r.italic) {
			size_t e = r.text.find_last_not_of(" ,.") + 1;
			std::string body = r.text.substr(0, e), tail = r.text.substr(e);
			if(!r.link.empty())
				s += "[" + body + "](" + r.link + ")" + tail;
			else
				s += (r.bold ? "**" : "*") + body + (r.bold ? "**" : "*") + tail;
		}
		else
			s += r.text;
	}
	return s;
}

inline std::string PangoRuns(const RichParagraph& p)
{
	std::string s;
	for(const RichRun& r : p.runs)
		if(!r.link.empty())
			s += "<span foreground=\"blue\" underline=\"single\">" + r.text + "</span>";
		else if(r.bold)
			s += "<b>" + r.text + "</b>";
		else if(r.italic)
			s += "<i>" + r.text + "</i>";
		else
			s += r.text;
	return s;
}

} // namespace detail

// The document of n paragraphs (tables not counted) made from the seed.
inline RichDocument MakeRichDocument(int n, unsigned seed = 2026)
{
	RichDocument d;
	detail::RichGen g(seed);
	for(int i = 0; i < n; i++) {
		RichBlock& b = d.blocks.emplace_back();
		b.para = g.Paragraph(g.Words(), i % 10 == 0);
		if(i % 200 == 199) {
			RichBlock& t = d.blocks.emplace_back();
			t.table = true;
			for(int c = 0; c < 12; c++)
				t.cells.push_back(g.Paragraph(g.CellWords(), false));
		}
	}

	bool first = true;
	d.qtf = "[ ";
	d.html = "<html><body>\n";
	for(const RichBlock& b : d.blocks) {
		if(!first)
			d.qtf += "&][ ";
		first = false;
		if(b.table) {
			d.qtf += "{{1:1:1:1 ";
			d.html += "<table>\n";
			for(int c = 0; c < 12; c++) {
				if(c)
					d.qtf += ":: ";
				d.qtf += detail::QtfRuns(b.cells[c]);
				if(c % 4 == 0)
					d.html += "<tr>";
				d.html += "<td>" + detail::HtmlRuns(b.cells[c]) + "</td>";
				if(c % 4 == 3)
					d.html += "</tr>\n";
				d.paragraphs.push_back(b.cells[c]);
				d.pango.push_back(detail::PangoRuns(b.cells[c]));
			}
			d.qtf += "}}";
			d.html += "</table>\n";
			continue;
		}
		d.qtf += detail::QtfRuns(b.para);
		d.html += "<p>" + detail::HtmlRuns(b.para) + "</p>\n";
		if(!d.commonmark.empty())
			d.commonmark += "\n";
		d.commonmark += detail::MarkdownRuns(b.para) + "\n";
		d.paragraphs.push_back(b.para);
		d.pango.push_back(detail::PangoRuns(b.para));
	}
	d.qtf += "]";
	d.html += "</body></html>\n";
	return d;
}

struct RichLabel {
	std::string qtf;
	std::string commonmark;
	std::string text;       // the plain text both give
	std::string pango;      // Pango markup of the same runs
};

// count short labels (a few words with now and then a bold, italic or link run) whose QTF
// takes 30 to 120 bytes, with their CommonMark and Pango markup twins.
inline std::vector<RichLabel> MakeRichLabels(int count, unsigned seed = 2026)
{
	std::vector<RichLabel> l;
	detail::RichGen g(seed);
	while(int(l.size()) < count) {
		int words = 3 + int(l.size() % 12);
		RichParagraph p = g.Paragraph(words, words > 6 && l.size() % 7 == 0);
		RichLabel r{detail::QtfRuns(p), detail::MarkdownRuns(p), p.PlainText(), detail::PangoRuns(p)};
		if(r.qtf.size() >= 30 && r.qtf.size() <= 120)
			l.push_back(r);
	}
	return l;
}

} // namespace bench
