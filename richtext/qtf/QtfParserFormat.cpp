// The QTF reader's operands and format blocks: numbers, colours, text arguments, character and
// paragraph commands, styles, embedded objects and fields.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfParser.h>
#include <richtext/qtf/detail/QtfTables.h>

namespace Qel {

namespace {

struct sQtfObjects {
	StaticMutex                mutex;
	ArrayMap<int, RichObject> map;
	int                        last = 0;
};

sQtfObjects& sObjects()
{
	static sQtfObjects o;
	return o;
}

bool sFindObject(int id, RichObject& object)
{
	sQtfObjects& r = sObjects();
	Mutex::Lock lock(r.mutex);
	int q = r.map.Find(id);
	if(q < 0)
		return false;
	object = r.map[q];
	return true;
}

int sHexDigit(int c)
{
	return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

int RegisterQtfObject(const RichObject& object)
{
	sQtfObjects& r = sObjects();
	Mutex::Lock lock(r.mutex);
	r.map.Add(++r.last, object);
	return r.last;
}

void UnregisterQtfObject(int id)
{
	sQtfObjects& r = sObjects();
	Mutex::Lock lock(r.mutex);
	int q = r.map.Find(id);
	if(q >= 0)
		r.map.Remove(q);
}

namespace detail {

int QtfStandardHeight()
{
	static const int height = [] {
		Font std = Font::GetStdFont();
		int want = std.GetAscent() + std.GetDescent();
		for(int h = 0; h < 1000; h++) {
			int px = h * 96 / 600;
			if(px > 0) {
				Font f = std;
				f.Height(px);
				if(f.GetAscent() + f.GetDescent() == want)
					return h;
			}
		}
		return 67;
	}();
	return height;
}

// Numbers wrap as unsigned 32-bit values: any digits give some number, never an overflow.
int RichQtfParser::ReadNumber()
{
	bool neg = *term == '-';
	if(neg)
		term++;
	uint32 n = 0;
	while(IsDigit(*term))
		n = n * 10 + uint32(*term++ - '0');
	return int(neg ? 0u - n : n);
}

// A minus is taken too: a number the text wrapped to a negative one is written back with it.
int RichQtfParser::ExpectNumber()
{
	if(!IsDigit(*term) && !(*term == '-' && IsDigit(term[1])))
		Error("Expected number");
	return ReadNumber();
}

Color RichQtfParser::ReadColor()
{
	int c = byte(*term);
	if(IsDigit(c)) {
		term++;
		return QtfDigitColor[c - '0'];
	}
	if((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
		term++;
		return QtfLetterColor(c);
	}
	if(c == '(') {
		term++;
		int r = ReadNumber();
		if(*term != '.') {
			if(*term == ')')
				term++;
			return Color(r, r, r);
		}
		term++;
		int g = ReadNumber();
		int b = 0;
		if(*term == '.') {
			term++;
			b = ReadNumber();
		}
		if(*term == ')')
			term++;
		return Color(r, g, b);
	}
	if(c)
		term++;
	return Color(128, 0, 0);
}

String RichQtfParser::ReadText(int terminator)
{
	String s;
	for(;;) {
		int c = byte(*term);
		if(c == 0)
			break;
		term++;
		if(c == terminator)
			break;
		if(c == '`') {
			c = byte(*term);
			if(c == 0)
				break;
			term++;
		}
		s.Cat(c);
	}
	return s;
}

void RichQtfParser::ReadLanguage()
{
	term = QtfReadLanguage(term, CharFmt().language);
}

void RichQtfParser::ReadCharset()
{
	String s = ReadText('}');
	int cs = s.GetLength() == 1 ? QtfCharsetOfCode(s[0]) : s.GetLength() > 1 ? CharsetByName(s) : 0;
	if(cs > 0)
		SetCharset(cs);
}

void RichQtfParser::ReadFormat()
{
	for(;;) {
		int c = byte(*term);
		if(c == 0)
			Error("Unexpected end of text");
		term++;
		if(c == ' ' || c == '\n')
			return;
		if(!ParaCommand(c))
			CharCommand(c);
	}
}

void RichQtfParser::CharCommand(int c)
{
	RichPara::CharFormat& format = CharFmt();
	switch(c) {
	case '*': format.Bold(!format.IsBold()); break;
	case '/': format.Italic(!format.IsItalic()); break;
	case '_': format.Underline(!format.IsUnderline()); break;
	case '-': format.Strikeout(!format.IsStrikeout()); break;
	case 'T': format.NonAntiAliased(!format.IsNonAntiAliased()); break;
	case 'c': format.capitals = !format.capitals; break;
	case 'd': format.dashed = !format.dashed; break;
	case '`': format.sscript = format.sscript == 1 ? 0 : 1; break;
	case ',': format.sscript = format.sscript == 2 ? 0 : 2; break;
	case 'G': format.Face(Font::STDFONT); break;
	case 'R': format.Face(Font::SERIF); break;
	case 'A': format.Face(Font::SANSSERIF); break;
	case 'C': format.Face(Font::MONOSPACE); break;
	case '!': format.Face(Font::FindFaceName(ReadText('!'))); break;
	case '.': {
		int n = ReadNumber();
		if(n < 0 || n >= Font::GetFaceCount())
			Error("Invalid face number");
		format.Face(n);
		break;
	}
	case '+': format.Height(ReadNumber()); break;
	case 'g': format.Face(Font::STDFONT).Height(QtfStandardHeight()); break;
	case '@': format.ink = ReadColor(); break;
	case '$': format.paper = ReadColor(); break;
	case '^': format.link = ReadText('^'); break;
	case 'I': format.indexentry = ToUtf32(ReadText(';')); break;
	case '%': ReadLanguage(); break;
	case '{': ReadCharset(); break;
	case 's': ApplyStyle(); break;
	default:
		if(IsDigit(c))
			format.Height(QtfDigitHeight[c - '0']);
		break; // "S", ";" and anything unknown: no effect
	}
}

bool RichQtfParser::ParaCommand(int c)
{
	static constexpr struct Letters {
		bool flag[256] = {};
		constexpr Letters()
		{
			for(const char* s = "<>=#lriHhLbatPFkKQOopnmN:~"; *s; s++)
				flag[byte(*s)] = true;
		}
	} para_letters;
	if(!para_letters.flag[byte(c)])
		return false; // a character command changes no paragraph field
	RichPara::Format& format = Fmt();
	switch(c) {
	case '<': format.align = RichPara::LEFT; break;
	case '>': format.align = RichPara::RIGHT; break;
	case '=': format.align = RichPara::CENTER; break;
	case '#': format.align = RichPara::JUSTIFY; break;
	case 'l': format.lm = ReadNumber(); break;
	case 'r': format.rm = ReadNumber(); break;
	case 'i': format.indent = ReadNumber(); break;
	case 'H': format.ruler = ReadNumber(); break;
	case 'h': format.rulerink = ReadColor(); break;
	case 'L': format.rulerstyle = ReadNumber(); break;
	case 'b': format.before = ReadNumber(); break;
	case 'a': format.after = ReadNumber(); break;
	case 't':
		if(*term == 'P') {
			term++;
			String header = ReadNested();
			String footer = ReadNested();
			// parsed only when laid out, but their nesting counts now
			Nested(nullptr, header);
			Nested(nullptr, footer);
			format.newhdrftr = true;
			format.header_qtf = header;
			format.footer_qtf = footer;
			fstack[level].header_off = false;
		}
		else if(*term == 'p') { // a paragraph without the header of its style or block
			term++;
			format.newhdrftr = false;
			fstack[level].header_off = true;
		}
		else
			format.tabsize = ReadNumber();
		break;
	case 'P': format.newpage = !format.newpage; break;
	case 'F': format.fflag = !format.fflag; break;
	case 'k': format.keep = !format.keep; break;
	case 'K': format.keepnext = !format.keepnext; break;
	case 'Q': format.orphan = !format.orphan; break;
	case 'O':
		if(!*term)
			Error("Unexpected end of text");
		format.bullet = QtfBulletOfChar(byte(*term++));
		break;
	case 'o':
		format.bullet = RichPara::BULLET_ROUND;
		format.indent = 150;
		break;
	case 'p':
		if(!*term)
			Error("Unexpected end of text");
		format.linespacing = QtfLineSpacingOfChar(byte(*term++));
		break;
	case 'n': format.before_number = ReadText(';'); break;
	case 'm': format.after_number = ReadText(';'); break;
	case 'N': {
		memset(format.number, 0, sizeof(format.number));
		for(int i = 0; i < 8; i++) {
			int v = QtfNumberOfChar(*term);
			if(v < 0)
				break;
			format.number[i] = byte(v);
			term++;
		}
		format.reset_number = *term == '!';
		if(format.reset_number)
			term++;
		break;
	}
	case ':': format.label = ReadText(':'); break;
	case '~':
		if(*term == '~') {
			term++;
			format.tab.Clear();
		}
		else
			ReadTab();
		break;
	default:
		return false;
	}
	return true;
}

// "~" [align] [fill] [">"] position: a first ">" aligns right, a second one counts the
// position from the right edge.
void RichQtfParser::ReadTab()
{
	RichPara::Format& format = Fmt();
	RichPara::Tab t;
	switch(*term) {
	case '<': term++; break;
	case '>': t.align = RichPara::RIGHT; term++; break;
	case '=': t.align = RichPara::CENTER; term++; break;
	}
	switch(*term) {
	case '.': t.fillchar = RichPara::FILL_DOTS; term++; break;
	case '-': t.fillchar = RichPara::FILL_HYPHENS; term++; break;
	case '_': t.fillchar = RichPara::FILL_UNDERLINE; term++; break;
	}
	bool right = *term == '>';
	if(right)
		term++;
	t.pos = int(uint32(ExpectNumber()) + (right ? uint32(RichPara::TAB_RIGHTPOS) : 0));
	// A stop added in a block copies the list it inherits, so blocks nested or repeated, each
	// adding one, would make stops as the square of their count: past four for each byte read
	// (and a first 65,536), the stops a text makes are dropped.
	int64 made = format.tab.IsShared() ? format.tab.GetCount() + 1 : 1;
	if(tab_stops + made > 4 * int64(term - term_begin) + 65536)
		return;
	tab_stops += made;
	format.tab.Add(t);
}

// "$$" index ["," next] ["#" 32 hex digits] [":" name] "]", ending the format block it
// stands in.
void RichQtfParser::ReadStyle()
{
	term += 2;
	Flush();
	int index = ReadNumber();
	int next = index;
	if(*term == ',') {
		term++;
		next = ReadNumber();
	}
	stylenext.GetAdd(index) = next;
	Uuid id;
	if(*term == '#') {
		term++;
		int n = 0;
		while(sHexDigit(byte(term[n])) >= 0)
			n++;
		if(n != 32)
			Error("Invalid UUID !");
		id = ScanUuid(term);
		term += 32;
	}
	else if(index != 0)
		id.New();
	if(*term == ':')
		term++;
	RichStyle style;
	style.format = Cur();
	style.name = ReadText(']');
	if(level)
		PopFormat();
	// parts packed against this style's old format keep their formats under the new one
	bool repack = packed.HasParts() && packed.GetStyle() == id;
	RichPara::CharFormat old;
	if(repack)
		old = StyleFormat(id);
	target.SetStyle(id, style);
	styles_serial++;
	if(packed.HasParts())
		packed.StyleDefined(StyleFormat(packed.GetStyle()), repack ? &old : nullptr);
	styleid.GetAdd(index) = id;
	if(id.IsNull()) {
		RichPara::Format f = GetStyle(target.GetStyles(), id).format;
		f.language = Cur().language;
		f.newpage = Cur().newpage;
		f.styleid = id;
		CurrentChanges();
		Fmt() = std::move(f);
		fstack[level].header_off = false;
	}
}

void RichQtfParser::ApplyStyle()
{
	RichPara::Format& format = Fmt();
	Uuid id;
	int q = byte(*term);
	if(q == '"' || q == '\'') {
		term++;
		String name = ReadText(q);
		const ArrayMap<Uuid, RichStyle>& st = target.GetStyles();
		for(int i = 0; i < st.GetCount(); i++)
			if(st[i].name == name) {
				id = st.GetKey(i);
				break;
			}
	}
	else {
		int n = ExpectNumber();
		int i = n >= 0 ? styleid.Find(n) : -1;
		if(i >= 0)
			id = styleid[i];
	}
	RichPara::Format f = GetStyle(target.GetStyles(), id).format;
	f.language = format.language;
	f.newpage = format.newpage;
	f.styleid = id;
	format = std::move(f);
	fstack[level].header_off = false;
}

// "@@" type [":"] width ["&" or "*"] height ["/" offset] data, or "@@#" and a number.
void RichQtfParser::ReadObject()
{
	if(*term == '#') {
		term++;
		uint32 n = 0;
		while(IsDigit(*term))
			n = n * 10 + uint32(*term++ - '0');
		RichObject o;
		if(sFindObject(int(n), o)) {
			PlaceWaiting();
			Flush();
			TakeFormat();
			RichPara::Part p(Cur());
			p.object = o;
			CatPart(p);
		}
		return;
	}
	// letters, digits, "_" and, after a backtick, any byte: the writer escapes the others
	String type;
	for(;;) {
		int c = byte(*term);
		if(c == '`' && term[1]) {
			type.Cat(term[1]);
			term += 2;
			continue;
		}
		if(!(IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'))
			break;
		type.Cat(c);
		term++;
	}
	if(*term == ':')
		term++;
	Size sz;
	sz.cx = ExpectNumber();
	int keep = -1;
	if(*term == '&' || *term == '*')
		keep = *term++ == '&';
	sz.cy = ExpectNumber();
	int ydelta = 0;
	if(*term == '/') {
		term++;
		ydelta = ReadNumber();
	}
	auto skip_control = [&] {
		while(byte(*term) >= 1 && byte(*term) < 32)
			term++;
	};
	skip_control();
	String data;
	if(*term == '(') {
		const char* b = ++term;
		while(*term && *term != ')')
			term++;
		data = Base64Decode(b, term);
		if(*term)
			term++;
	}
	else if(*term == '`') {
		term++;
		for(;;) {
			int c = byte(*term);
			if(c == 0)
				break;
			term++;
			if(c == '`') {
				if(*term != '`')
					break;
				term++;
			}
			data.Cat(c);
		}
	}
	else
		// Groups of a header byte, whose bits 0 to 6 are bit 7 of the up to seven data bytes
		// after it, and those bytes' low 7 bits; every byte has its high bit set.
		for(;;) {
			skip_control();
			int header = byte(*term);
			if(header < 128)
				break;
			term++;
			int i = 0;
			for(; i < 7; i++) {
				skip_control();
				int b = byte(*term);
				if(b < 128)
					break;
				term++;
				data.Cat((b & 0x7F) | ((header >> i) & 1) << 7);
			}
			if(i < 7)
				break;
		}
	RichObject o;
	o.Read(type, data, sz, context);
	if(keep >= 0)
		o.KeepRatio(keep);
	o.SetYDelta(ydelta);
	if(o.IsNull()) // no data: nothing to show, and an empty run would split the text around it
		return;
	PlaceWaiting();
	Flush();
	TakeFormat();
	RichPara::Part p(Cur());
	p.object = o;
	CatPart(p);
}

void RichQtfParser::ReadField()
{
	String id = ReadText(':');
	String param = ReadText(':');
	if(*term == '}')
		term++;
	if(RichPara::FieldType* type = RichPara::GetFieldType(id)) {
		PlaceWaiting();
		Flush();
		TakeFormat();
		RichPara::Part p(Cur());
		p.field = id;
		p.fieldparam = param;
		VectorMap<String, Value> vars; // evaluated at once, as a paragraph's field is
		p.fieldpart = type->Evaluate(param, vars, Cur());
		CatPart(p);
	}
}

} // namespace detail

} // namespace Qel
