// Random QTF texts for the round trip: every command of the markup with random operands,
// styles, objects in all three data forms, fields, "{{" and "++" tables, nested headers and
// footers, verbatim blocks, escapes and multi-byte text. Mostly well formed; now and then a
// command is cut, so error paragraphs take part too. Deterministic for a seed.
#pragma once

#include <random>
#include <string>

namespace QelTest {

class QtfGenerator {
	std::mt19937 rng;
	int          depth = 0;

	int  Int(int n) { return int(rng() % unsigned(n)); }
	bool Chance(int percent) { return Int(100) < percent; }
	std::string Num(int max) { return std::to_string(Int(max)); }
	std::string SignedNum(int max) { return (Chance(10) ? "-" : "") + Num(max); }

	std::string Pick(std::initializer_list<const char*> l)
	{
		auto it = l.begin();
		std::advance(it, Int(int(l.size())));
		return *it;
	}

	std::string Color()
	{
		switch(Int(5)) {
		case 0: return Num(10);
		case 1: return std::string(1, char('a' + Int(26)));
		case 2: return std::string(1, char('A' + Int(26)));
		case 3: return "(" + Num(300) + ")";
		default: return "(" + Num(256) + "." + Num(256) + "." + Num(300) + ")";
		}
	}

	// A text argument up to terminator t: letters, specials escaped, now and then a line feed
	// or a byte above 127.
	std::string Arg(char t)
	{
		std::string s;
		int n = Int(8);
		for(int i = 0; i < n; i++) {
			int k = Int(20);
			if(k == 0)
				s += "`" + std::string(1, t);
			else if(k == 1)
				s += "``";
			else if(k == 2)
				s += "\n";
			else if(k == 3)
				s += "\xc3\xa9";
			else if(k == 4)
				s += "` ";
			else
				s += char('a' + Int(26));
		}
		return s + t;
	}

	std::string Hex32()
	{
		std::string s;
		for(int i = 0; i < 32; i++)
			s += "0123456789ABCDEF"[Int(16)];
		return s;
	}

	// A nested QTF text, escaped as the writer does it.
	std::string NestedText()
	{
		if(depth >= 2 || Chance(30))
			return "";
		depth++;
		std::string q = Document(1 + Int(2));
		depth--;
		std::string s;
		for(char c : q) {
			if(c == '`' || c == '^')
				s += '`';
			s += c;
		}
		return s;
	}

	std::string CharCommand()
	{
		switch(Int(26)) {
		case 0: return "*";
		case 1: return "/";
		case 2: return "_";
		case 3: return "-";
		case 4: return "T";
		case 5: return "c";
		case 6: return "d";
		case 7: return "`";
		case 8: return ",";
		case 9: return Pick({"G", "R", "A", "C"});
		case 10: return "!" + Pick({"DejaVu Sans", "DejaVu Serif", "no such face", "monospace"}) + "!";
		case 11: return "." + Num(4);
		case 12: return "+" + SignedNum(500);
		case 13: return Num(10);
		case 14: return "g";
		case 15: return "@" + Color();
		case 16: return "$" + Color();
		case 17: return "^" + Arg('^');
		case 18: return "I" + Arg(';');
		case 19: return Pick({"%%", "%-", "%CS-CZ", "%de-de", "%EN-GB"});
		case 20: return "{" + Pick({"_", "A", "3", "windows-1250", "utf-8", "?", "iso8859-1"}) + "}";
		case 21: return "s" + SignedNum(6);
		case 22: return Pick({"s\"Heading\"", "s'Default'", "s\"none\""});
		case 23: return "S";
		case 24: return ";";
		default: return "";
		}
	}

	std::string ParaCommand()
	{
		switch(Int(29)) {
		case 0: return Pick({"<", ">", "=", "#"});
		case 1: return "l" + SignedNum(1000) + ";";
		case 2: return "r" + Num(1000) + ";";
		case 3: return "i" + SignedNum(500) + ";";
		case 4: return "H" + Num(50) + ";";
		case 5: return "h" + Color();
		case 6: return "L" + Num(4) + ";";
		case 7: return "b" + Num(200) + ";";
		case 8: return "a" + Num(200) + ";";
		case 9: return "t" + Num(600) + ";";
		case 10: return "P";
		case 11: return "F";
		case 12: return "k";
		case 13: return "K";
		case 14: return "Q";
		case 15: return "O" + Pick({"_", "0", "1", "2", "3", "9", "x"}) + ";";
		case 16: return "o";
		case 17: return "p" + Pick({"o", "h", "d", "w", "z"});
		case 18: return "n" + Arg(';');
		case 19: return "m" + Arg(';');
		case 20: {
			std::string s = "N";
			int n = Int(9);
			for(int i = 0; i < n; i++)
				s += "-10aAiI"[Int(7)];
			return s + (Chance(50) ? "!" : ";");
		}
		case 21: return ":" + Arg(':');
		case 22: return "tP" + NestedText() + "^^" + NestedText() + "^^";
		case 23: return "~~";
		case 24: return "~" + Pick({"", "<", ">", "="}) + Pick({"", ".", "-", "_"}) + Pick({"", ">"}) +
		                Num(3000) + ";";
		case 25: return "~" + Num(4000);
		default: return CharCommand();
		}
	}

	std::string Format()
	{
		std::string s;
		int n = Int(5);
		for(int i = 0; i < n; i++)
			s += ParaCommand();
		return s + (Chance(90) ? " " : "\n");
	}

	std::string Word()
	{
		std::string s;
		int n = 1 + Int(8);
		for(int i = 0; i < n; i++) {
			int k = Int(40);
			if(k == 0)
				s += "\xd0\xb6"; // Cyrillic
			else if(k == 1)
				s += "\xe2\x82\xac"; // euro sign
			else if(k == 2)
				s += "\xf0\x9f\x98\x80"; // above the BMP
			else if(k == 3)
				s += "`" + std::string(1, "[]{}:-+@$^&_|~*`\\"[Int(17)]);
			else
				s += char(Chance(15) ? 'A' + Int(26) : 'a' + Int(26));
		}
		return s;
	}

	std::string Object()
	{
		if(Chance(10))
			return "@@#" + Num(5);
		std::string s = "@@" + Pick({"TestRect", "unknown", "x_1", ""}) + (Chance(50) ? ":" : "") + Num(2000) +
		                Pick({"", "&", "*"}) + Num(2000) + (Chance(30) ? "/" + SignedNum(50) : "");
		if(Chance(20))
			s += "\r\n";
		switch(Int(3)) {
		case 0: return s + Pick({"(MTAgMjAgMzAgNDA=)", "(eA==)", "()", "(AAEC/w==)"});
		case 1: return s + "`10 20 30 ``40``" + "`";
		default: return s + "\x81\xb1\x80\xc1\x80"; // "1" and 0xC1 in the binary form
		}
	}

	std::string Content(int items)
	{
		std::string s;
		for(int i = 0; i < items; i++)
			switch(Int(20)) {
			case 0: s += "[" + Format() + Content(1 + Int(3)) + "]"; break;
			case 1: s += Object(); break;
			case 2: s += "{:" + Pick({"VALUE", "NOFIELD"}) + ":" + Arg(':') + "}"; break;
			case 3: s += "_"; break;
			case 4: s += "-|"; break;
			case 5: s += "@$" + Pick({"41", "20ac", "EE12", "1F600", "110000", "1"}) + (Chance(50) ? ";" : ""); break;
			case 6: s += "\x01" + Word() + (Chance(30) ? "\n" + Word() : "") + "\t\x02" + "\x01"; break;
			case 7: s += Pick({":", " : ", "$", "+", "-", "@", "^", "{", "|", "}", "\\[", "`"}) + Word(); break;
			case 8: if(depth < 2) s += Table(); break;
			case 9: s += "\r\n"; break;
			default: s += Word() + " "; break;
			}
		return s;
	}

	std::string CellFormat(bool grid)
	{
		std::string s;
		if(grid && Chance(50))
			s += Num(4);
		int n = Int(4);
		for(int i = 0; i < n; i++)
			switch(Int(24)) {
			case 0: s += Pick({"l", "t", "r", "b", "a"}) + (Chance(70) ? Num(40) : "") + (Chance(50) ? "/" + Num(60) : ""); break;
			case 1: s += Pick({"=", "^", "v"}); break;
			case 2: s += "H" + Num(300) + ";"; break;
			case 3: s += "@" + Color(); break;
			case 4: s += "R" + Color(); break;
			case 5: s += "k"; break;
			case 6: s += "o"; break;
			case 7: if(!grid) s += "-" + Num(3); break;
			case 8: s += Pick({"|", "+"}) + Num(3); break;
			case 9: s += "!"; break;
			case 10: s += "*"; break;
			case 11: s += "~"; break;
			case 12: s += Pick({"<", ">", "B", "A", "f", "g"}) + Num(80) + ";"; break;
			case 13: s += Pick({"F", "_", "G"}) + Color(); break;
			case 14: s += "h" + Num(3); break;
			case 15: s += Pick({"K", "P"}); break;
			case 16: s += "T" + NestedText() + "^^" + NestedText() + "^^"; break;
			default: s += ";"; break;
			}
		return s + " ";
	}

	std::string Table()
	{
		depth++;
		std::string s;
		if(Chance(30)) {
			s = "++";
			int rows = 1 + Int(3);
			for(int r = 0; r < rows; r++) {
				if(r)
					s += "--";
				int cells = 1 + Int(3);
				for(int c = 0; c < cells; c++) {
					if(c)
						s += "||";
					if(Chance(60))
						s += "::" + CellFormat(true);
					s += Content(1 + Int(2));
				}
			}
			s += "++";
		}
		else {
			int cols = 1 + Int(4);
			s = "{{";
			for(int c = 0; c < cols; c++)
				s += (c ? ":" : "") + Num(100);
			s += CellFormat(false);
			int cells = 1 + Int(cols * 3);
			for(int c = 0; c < cells; c++) {
				if(c)
					s += Chance(10) ? "||" : "::" + CellFormat(false);
				s += Content(1 + Int(3));
				if(Chance(10))
					s += "&" + Content(1);
			}
			if(Chance(90))
				s += "}}";
		}
		depth--;
		return s;
	}

public:
	explicit QtfGenerator(unsigned seed) : rng(seed) {}

	std::string Document(int paragraphs)
	{
		std::string s;
		if(depth == 0 && Chance(20))
			s += "^H" + NestedText() + "^^";
		if(depth == 0 && Chance(20))
			s += "^F" + NestedText() + "^^";
		int styles = Int(4);
		for(int i = 0; i < styles; i++) {
			s += "[" + Format() + "$$" + Num(6);
			if(Chance(50))
				s += "," + Num(6);
			if(Chance(50))
				s += "#" + Hex32();
			s += ":" + Pick({"Heading", "Code", "Default", "Quote`]"}) + "]";
		}
		for(int i = 0; i < paragraphs; i++) {
			if(i)
				s += Chance(10) ? "^^" : Chance(10) ? "" : "&";
			s += "[" + Format() + Content(1 + Int(6)) + "]";
		}
		if(Chance(3))
			s += Pick({"[*", "@@x:", "{{1 ", "[O", "]", "\xc3(", "::", "++a||b"});
		return s;
	}
};

} // namespace QelTest
