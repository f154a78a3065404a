// Random QTF texts for the round trip: every command of the markup with random operands,
// styles, objects in all three data forms, fields, "{{" and "++" tables, nested headers and
// footers, verbatim blocks, escapes and multi-byte text. Mostly well formed; now and then a
// text is cut inside a command, so error paragraphs take part too. Deterministic for a seed.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace QelTest {

class QtfGenerator {
	std::mt19937 rng;
	int          depth = 0;

	int  Int(int n) { return int(rng() % unsigned(n)); }
	bool Chance(int percent) { return Int(100) < percent; }

	template <size_t N>
	const char* Pick(const char* const (&list)[N]) { return list[Int(int(N))]; }

	// A template: "#n" a number, "#s" one that may be negative, "#c" a colour, "#a" a text
	// argument ended by the character after it, "#q" a nested QTF text (escaped), "#x" 32 hex
	// digits, "#w" a word, "##" a "#".
	std::string Expand(const char* t)
	{
		std::string s;
		for(; *t; t++) {
			if(*t != '#' || !t[1]) {
				s += *t;
				continue;
			}
			switch(*++t) {
			case 'n': s += std::to_string(Int(Chance(5) ? 100000 : 600)); break;
			case 's': s += (Chance(15) ? "-" : "") + std::to_string(Int(600)); break;
			case 'c': s += Expand(Pick({"0", "7", "b", "Y", "q", "(#n)", "(#n.#n.#n)", "(#n.#n"})); break;
			case 'a': {
				static const char* const parts[] = {"x", "y", "`", "\n", "\xc3\xa9", "` ", "z"};
				for(int n = Int(6); n > 0; n--) {
					const char* p = Pick(parts);
					s += *p == '`' && !p[1] ? std::string("`") + t[1] : p;
				}
				break;
			}
			case 'q':
				if(depth < 2 && Chance(70)) {
					depth++;
					for(char c : Document(1 + Int(2))) {
						if(c == '`' || c == '^')
							s += '`';
						s += c;
					}
					depth--;
				}
				break;
			case 'x':
				for(int i = 0; i < 32; i++)
					s += "0123456789ABCDEF"[Int(16)];
				break;
			case 'w':
				for(int n = 1 + Int(8); n > 0; n--)
					s += Chance(90) ? std::string(1, char((Chance(15) ? 'A' : 'a') + Int(26)))
					                : Pick({"\xd0\xb6", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "`[", "`:", "`-", "\\{", "``"});
				break;
			default: s += *t; break;
			}
		}
		return s;
	}

	std::string Format()
	{
		static const char* const commands[] = {
			// character format
			"*", "/", "_", "-", "T", "c", "d", "`", ",", "G", "R", "A", "C", "!DejaVu Sans!", "!no such!", ".#n",
			"+#s", "3", "8", "g", "@#c", "$#c", "^#a^", "I#a;", "%%", "%-", "%CS-CZ", "%de-de", "%de;", "%EN", "%x", "{_}", "{A}",
			"{3}", "{windows-1250}", "{?}", "s#n", "s\"Heading\"", "s'Default'", "S", ";",
			// paragraph format
			"<", ">", "=", "##", "l#s;", "r#n;", "i#s;", "H#n;", "h#c", "L#n;", "b#n;", "a#n;", "t#n;", "P",
			"F", "k", "K", "Q", "O_;", "O9;", "Ox;", "o", "po", "ph", "pd", "pw", "pz", "n#a;", "m#a;", "N1a!",
			"N-10aAiI;", "NI;", "N!", ":#a:", "tP#q^^#q^^", "tp", "~~", "~>.#n;", "~=-#n;", "~<_>#n;", "~#n",
		};
		std::string s;
		for(int n = Int(5); n > 0; n--)
			s += Expand(Pick(commands));
		return s + (Chance(90) ? " " : "\n");
	}

	std::string CellFormat(bool grid)
	{
		static const char* const commands[] = {
			"l#n", "t#n/#n", "r/#n", "b#n", "a#n/#n", "=", "^", "v", "H#n;", "@#c", "R#c", "k", "o", "|#n",
			"+#n", "!", "*", "~", "<#n;", ">#n;", "B#n;", "A#n;", "f#n;", "g#n;", "F#c", "_#c", "G#c", "h#n",
			"K", "P", "T#q^^#q^^", ";",
		};
		std::string s = grid && Chance(50) ? std::to_string(Int(4)) : !grid && Chance(10) ? "-1" : "";
		for(int n = Int(4); n > 0; n--)
			s += Expand(Pick(commands));
		return s + " ";
	}

	std::string Content(int items)
	{
		static const char* const others[] = {
			"@@TestRect:#n&#n(MTAgMjAgMzAgNDA=)", "@@unknown:#n*#n/#s\r\n`10 20 ``30```", "@@:#n#n()",
			"@@x_1:#n*#n\x81\xb1\x80\xc1\x80", "@@##3", "@@iml:#n&#n`#w``x`", "@@a`-`:`#:#n*#n(eA==)", "{:VALUE:#a:}", "{:NONE:#a:}", "_", "-|", "\r\n",
			"@$41", "@$20ac;", "@$EE12;", "@$1F600", "@$110000;", "@$1;", "\x01#w\n#w\t\x02\x01",
			":#w", " : ", "$#w", "+#w", "-#w", "@#w", "^#w", "{#w", "|#w", "}#w",
		};
		std::string s;
		for(; items > 0; items--) {
			int k = Int(20);
			if(k == 0)
				s += "[" + Format() + Content(1 + Int(3)) + "]";
			else if(k == 1 && depth < 2)
				s += Table();
			else if(k < 7)
				s += Expand(Pick(others));
			else
				s += Expand("#w ");
		}
		return s;
	}

	std::string Table()
	{
		depth++;
		std::string s;
		if(Chance(30)) { // a grid table: rows of cells, each with its relative width
			s = "++";
			for(int r = 1 + Int(3); r > 0; r--) {
				for(int c = 1 + Int(3); c > 0; c--)
					s += (Chance(60) ? "::" + CellFormat(true) : "") + Content(1 + Int(2)) + (c > 1 ? "||" : "");
				s += r > 1 ? "--" : "++";
			}
		}
		else {
			int cols = 1 + Int(4);
			s = "{{" + std::to_string(Int(100));
			for(int c = 1; c < cols; c++)
				s += ":" + std::to_string(Int(100));
			s += CellFormat(false);
			for(int c = Int(cols * 3); c >= 0; c--)
				s += Content(1 + Int(3)) + (Chance(10) ? "&" + Content(1) : "") +
				     (c ? Chance(10) ? "||" : "::" + CellFormat(false) : Chance(90) ? "}}" : "");
		}
		depth--;
		return s;
	}

	// Items for Linked: text, paragraph ends, runs with links of their own, tables, and blocks
	// that set a link, an index entry, a style or a label around more of them.
	std::string LinkedContent(const std::vector<std::string>& links, int items)
	{
		std::string s;
		for(; items > 0; items--) {
			auto link = [&] { return links[Int(int(links.size()))]; };
			int k = Int(20);
			if(k < 4)
				s += Pick({"x", "y z", ":"});
			else if(k < 10)
				s += "&";
			else if(k < 11)
				s += "[* y]";
			else if(k < 12)
				s += "[^" + link() + "^ z]";
			else if(k < 13 && depth < 1) {
				depth++;
				s += "{{1:1 " + LinkedContent(links, 1 + Int(3)) + ":: " + LinkedContent(links, 1 + Int(3)) + "}}";
				depth--;
			}
			else if(depth < 3) {
				std::string f;
				for(int n = 1 + Int(2); n > 0; n--)
					switch(Int(7)) {
					case 0: case 1: f += "^" + link() + "^"; break;
					case 2: f += "I" + link() + ";"; break;
					case 3: case 4: f += Pick({"^^", "I;", "s0;", "s1;", "*", "::"}); break;
					case 5: f += ":" + link() + ":"; break;
					default: f += "^" + link() + "^I" + link() + ";"; break;
					}
				depth++;
				s += "[" + f + " " + LinkedContent(links, 1 + Int(5)) + "]";
				depth--;
			}
			else
				s += "w&";
		}
		return s;
	}

	// Items for Fielded: text, paragraph ends, tables, and blocks that set, add to or clear a
	// label, tab stops, header texts or numbering texts (one of fields, or short ones), or set a
	// style, around more of them.
	std::string FieldedContent(const std::vector<std::string>& fields, int items)
	{
		std::string s;
		for(; items > 0; items--) {
			int k = Int(20);
			if(k < 4)
				s += Pick({"x", "y z", ":", "[* y]"});
			else if(k < 11)
				s += "&";
			else if(k < 12 && depth < 1) {
				depth++;
				s += "{{1:1 " + FieldedContent(fields, 1 + Int(3)) + ":: " + FieldedContent(fields, 1 + Int(3)) + "}}";
				depth--;
			}
			else if(depth < 3) {
				std::string f;
				for(int n = 1 + Int(2); n > 0; n--)
					f += Chance(50) ? fields[Int(int(fields.size()))]
					     : Chance(30) ? "~" + std::to_string(1 + Int(9)) // added to those in force
					                  : Pick({"::", ":a:", "~~", "~~~9", "~7", "tPh^^^^", "tp", "nn;", "m;", "N1;", "s0;", "s1;", "*"});
				depth++;
				s += "[" + f + " " + FieldedContent(fields, 1 + Int(5)) + "]";
				depth--;
			}
			else
				s += "w&";
		}
		return s;
	}

public:
	explicit QtfGenerator(unsigned seed) : rng(seed) {}

	// Paragraphs that inherit long labels, tab stops, header texts and numbering texts from
	// blocks around them, which other blocks interrupt for a few paragraphs (clearing, adding
	// to or replacing them), alternate with and nest in, around and within tables, under a
	// second style.
	std::string Fielded(int items)
	{
		auto text = [&](int n) { return std::string(n, char('a' + Int(26))); };
		auto tabs = [&](int n) {
			std::string s = "~~";
			for(int p = 100 + Int(100); n > 0; n--, p += 1 + Int(9))
				s += "~" + std::to_string(p);
			return s;
		};
		auto field = [&](int n) {
			switch(Int(4)) {
			case 0: return ":" + text(n) + ":";
			case 1: return tabs(n / 5);
			case 2: return "tP" + text(n) + "^^" + text(Int(n)) + "^^";
			default: return "n" + text(n) + ";m" + text(Int(n)) + ";";
			}
		};
		std::vector<std::string> fields;
		for(int n = 2 + Int(3); n > 0; n--)
			fields.push_back(field(Chance(30) ? 1 + Int(12) : 40 + Int(200)));
		std::string outer;
		for(int n = 1 + Int(3); n > 0; n--)
			outer += field(1000 + Int(2000));
		return "[ $$1,0#11111111111111111111111111111111:Other][" + outer + " " + FieldedContent(fields, items) + "]";
	}

	// Paragraphs under a long link and index entry, set around all of them, and short ones set
	// around some by blocks that nest, that other blocks reset for a few paragraphs, with links
	// of runs inside, around and within tables, under a second style.
	std::string Linked(int items)
	{
		std::vector<std::string> links;
		for(int n = 1 + Int(3); n > 0; n--)
			links.push_back(std::string(Chance(70) ? 1 + Int(4) : 40 + Int(100), char('a' + Int(26))));
		std::string l(1000 + Int(2000), 'L');
		return "[ $$1,0#11111111111111111111111111111111:Other][^" + l + "^I" + l + "; " + LinkedContent(links, items) + "]";
	}

	std::string Document(int paragraphs)
	{
		std::string s = depth || Chance(80) ? "" : Expand("^H#q^^");
		if(!depth && Chance(20))
			s += Expand("^F#q^^");
		for(int n = Int(4); n > 0; n--)
			s += "[" + Format() + Expand(Pick({"$$#n", "$$#n,#n", "$$#n###x", "$$#n,#n###x"})) + ":" +
			     Pick({"Heading", "Code", "Default", "Quote`]"}) + "]";
		for(int i = 0; i < paragraphs; i++)
			s += (i ? Chance(10) ? "^^" : Chance(10) ? "" : "&" : "") + ("[" + Format() + Content(1 + Int(6)) + "]");
		if(Chance(3))
			s += Pick({"[*", "@@x:", "{{1 ", "[O", "]", "\xc3(", "::", "++a||b"});
		return s;
	}
};

} // namespace QelTest
