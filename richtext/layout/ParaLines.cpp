// Paragraph line layout: the paragraph flattened to characters with widths and metrics, broken
// into lines at spaces, tab stops resolved, lines placed by alignment and line spacing.
#include <richtext/para/RichPara.h>
#include <richtext/base/detail/LayoutMath.h>

#include <algorithm>
#include <optional>

namespace Qel {

using detail::Sat;

namespace {

struct sMetrics {
	int ascent = 0;
	int descent = 0;
	int external = 0;
};

sMetrics sGetMetrics(const Font& f)
{
	const FontMetrics& m = f.GetMetrics(); // a per-thread copy: taken at once
	return {m.ascent, m.descent, m.external};
}

void sSetHeight(RichPara::HeightInfo& h, const sMetrics& m)
{
	h.ascent = m.ascent;
	h.descent = m.descent;
	h.external = m.external;
	h.ydelta = 0;
	h.object = nullptr;
}

bool sHasNumbering(const RichPara::Format& f)
{
	if(!f.before_number.IsEmpty() || !f.after_number.IsEmpty())
		return true;
	for(byte n : f.number)
		if(n)
			return true;
	return false;
}

// Characters that flattening makes of parts: at the top level a field stands for its content;
// inside a field's content a field stands for nothing.
int64 sFlatCount(const Array<RichPara::Part>& part, bool top)
{
	int64 n = 0;
	for(const RichPara::Part& p : part)
		if(p.IsField())
			n += top ? sFlatCount(p.fieldpart, false) : 0;
		else if(!p.object.IsNull())
			n++;
		else
			n += p.text.GetLength();
	return n;
}

// Advances of one font, the ASCII ones kept at hand: a run asks for the same few letters
// again and again.
class sWidths {
	Font font;
	int  ascii[128];

public:
	explicit sWidths(const Font& f) : font(f) { memset(ascii, 0xFF, sizeof(ascii)); }

	int operator()(wchar c)
	{
		if(c >= 128)
			return font.GetWidth(int(c));
		int& w = ascii[c];
		if(w < 0)
			w = font.GetWidth(int(c));
		return w;
	}
};

// A paragraph's tab stops sorted by where they lie, so that a tab finds its stop by a binary
// search: a paragraph may have very many. A stop counted from the right edge lies at the edge
// minus its value, so those sort apart by the value negated. Equal places keep the order of
// the stops, in which the earlier one wins.
struct sTabIndex {
	static constexpr int MIN_STOPS = 16; // fewer are looked through one by one

	struct Entry {
		int64 key;
		int   index;
	};

	Vector<Entry> left;
	Vector<Entry> right;
	int           first_right = -1; // the first stop counted from the right edge
	bool          made = false;

	void Make(const RichPara::TabList& tab)
	{
		if(made)
			return;
		made = true;
		for(int i = 0; i < tab.GetCount(); i++) {
			int pos = tab[i].pos;
			if(pos & RichPara::TAB_RIGHTPOS) {
				right.Add({-int64(pos & ~RichPara::TAB_RIGHTPOS), i});
				if(first_right < 0)
					first_right = i;
			}
			else
				left.Add({int64(pos), i});
		}
		auto less = [](const Entry& a, const Entry& b) { return a.key < b.key || (a.key == b.key && a.index < b.index); };
		std::sort(left.begin(), left.end(), less);
		std::sort(right.begin(), right.end(), less);
	}

	// The first entry lying beyond k, or null.
	static const Entry* After(const Vector<Entry>& v, int64 k)
	{
		const Entry* e = std::upper_bound(v.begin(), v.end(), k, [](int64 k, const Entry& a) { return k < a.key; });
		return e == v.end() ? nullptr : e;
	}
};

// Breaks the flattened characters of a paragraph into lines for the width cx, and places them.
// Lengths are 64-bit: formats and objects come from stored text and may hold any int.
class sLineBreaker {
	using Line = RichPara::Line;
	using Tab  = RichPara::Tab;

	RichPara::Lines&          l;
	const RichPara::Format&   f;
	int                       cx;
	bool                      unbounded;
	int64                     lm;
	int64                     avail;
	sTabIndex                 tabs_sorted; // made at the first tab of a paragraph with many stops

public:
	sLineBreaker(RichPara::Lines& l, const RichPara::Format& f, int cx)
	:	l(l), f(f), cx(cx), unbounded(cx == INT_MAX), lm(f.lm), avail(int64(cx) - (int64(f.lm) + f.rm)) {}

	// The line's left edge and width from its alignment and indent.
	void Place(Line& ln, int64 lcx)
	{
		int64 indent = l.line.GetCount() == 1 ? l.first_indent : l.next_indent;
		int64 x = lm + indent;
		if(!ln.withtabs && !unbounded) {
			if(f.align == RichPara::CENTER)
				x += (avail - lcx) / 2;
			else if(f.align == RichPara::RIGHT)
				x += avail - lcx;
		}
		ln.xpos = Sat(x);
		ln.cx = Sat(lcx - indent);
	}

	// Adds the line of characters from .. to - 1, lcx wide, with its metrics.
	void EndLine(int from, int to, int64 lcx, bool tabs)
	{
		Line& ln = l.line.Add();
		ln.pos = from;
		ln.len = to - from;
		ln.withtabs = tabs;
		int a = 0, d = 0, e = 0;
		for(int k = from; k < to; k++) {
			const RichPara::HeightInfo& h = l.height[k];
			a = max(a, h.ascent);
			d = max(d, h.descent);
			e = max(e, h.external);
		}
		int64 mul = f.linespacing == RichPara::LSP_ONE_HALF ? 150 : f.linespacing == RichPara::LSP_DOUBLE ? 200
		          : f.linespacing == RichPara::LSP_115 ? 115 : 100;
		ln.ascent = Sat(a * mul / 100);
		ln.descent = Sat(d * mul / 100);
		ln.external = e;
		Place(ln, lcx);
	}

	// The stop a tab at x goes to: target (with lm), alignment and fill.
	void ResolveTab(int64 x, bool continued, int64& t, int& align, int& fill)
	{
		int64 tx = x + lm;
		int64 best = INT64_MAX;
		const Tab* stop = nullptr;
		int64 stop_at = 0;
		if(f.tab.GetCount() > sTabIndex::MIN_STOPS) {
			tabs_sorted.Make(f.tab);
			int at = -1;
			auto take = [&](int64 p, int index) {
				int64 d = p - tx;
				if(d < best || (d == best && index < at)) {
					best = d;
					at = index;
					stop_at = p;
				}
			};
			if(const sTabIndex::Entry* e = sTabIndex::After(tabs_sorted.left, tx))
				take(e->key, e->index);
			if(unbounded) { // the farthest stops, where the text is, when no other one is ahead
				if(at < 0 && tabs_sorted.first_right >= 0) {
					at = tabs_sorted.first_right;
					best = INT64_MAX - 1;
					stop_at = tx;
				}
			}
			else {
				int64 edge = continued ? int64(cx) : avail;
				if(const sTabIndex::Entry* e = sTabIndex::After(tabs_sorted.right, tx - edge))
					take(edge + e->key, e->index);
			}
			if(at >= 0)
				stop = &f.tab[at];
		}
		else {
			for(const Tab& tab : f.tab) {
				int64 p, d;
				if(tab.pos & RichPara::TAB_RIGHTPOS) {
					int64 v = tab.pos & ~RichPara::TAB_RIGHTPOS;
					if(unbounded) { // no right edge: the stop is the farthest, and is where the text is
						p = tx;
						d = INT64_MAX - 1;
					}
					else {
						p = (continued ? int64(cx) : avail) - v;
						d = p - tx;
					}
				}
				else {
					p = tab.pos;
					d = p - tx;
				}
				if(d > 0 && d < best) {
					best = d;
					stop = &tab;
					stop_at = p;
				}
			}
		}
		int64 to_indent = int64(f.indent) - x;
		align = RichPara::LEFT;
		fill = RichPara::FILL_NONE;
		if(f.bullet == RichPara::BULLET_TEXT && to_indent > 0 && to_indent < best)
			t = f.indent + lm;
		else if(stop) {
			t = stop_at;
			align = stop->align;
			fill = stop->fillchar;
		}
		else if(f.tabsize <= 0)
			t = 0;
		else {
			int64 ts = f.tabsize;
			int64 m = (tx + ts) % ts;
			if(m < 0)
				m += ts;
			t = tx + ts - m;
		}
	}

	// Breaks the characters into lines at spaces, or inside a word that fills a line alone.
	void Break()
	{
		int   linestart = 0;
		int64 x = l.first_indent;
		int   space = -1;   // the last space of the line
		int64 space_x = 0;  // x before it
		bool  tabs = false;
		for(int i = 0; i < l.clen;) {
			wchar c = l.text[i];
			int64 w = l.width[i];
			bool  first = i == linestart;
			if(c == ' ') {
				space = i++;
				space_x = x;
				x += w;
				continue;
			}
			if(c == 10 && !first) {
				EndLine(linestart, i, x, tabs);
				linestart = i;
				x = l.next_indent;
				space = -1;
				tabs = false;
				continue;
			}
			bool brk = !first && x + w > avail;
			if(c == 9 && !brk) {
				int64 t;
				int   align, fill;
				ResolveTab(x, first && l.line.GetCount() > 0, t, align, fill);
				if(!first && (align == RichPara::RIGHT ? t - lm > avail : t - lm >= avail))
					brk = true;
				else {
					l.text[i] = 9 + clamp(fill, 0, 3);
					int64 tw;
					if(align == RichPara::RIGHT || align == RichPara::CENTER) {
						int64 s = 0;
						for(int k = i + 1; k < l.clen && l.text[k] != 9; k++)
							s += l.width[k];
						if(align == RichPara::CENTER)
							s /= 2;
						tw = t - (s + x + lm);
					}
					else
						tw = t - (x + lm);
					tw = clamp<int64>(tw, 0, detail::POS_LIMIT); // never back over earlier text
					l.width[i++] = int(tw);
					x += tw;
					tabs = true;
					space = -1;
					continue;
				}
			}
			if(!brk) {
				x += w;
				i++;
				continue;
			}
			if(space >= 0) {
				EndLine(linestart, space + 1, space_x, tabs);
				linestart = space + 1;
			}
			else {
				EndLine(linestart, i, x, tabs);
				linestart = i;
			}
			i = linestart;
			x = l.next_indent;
			space = -1;
			tabs = false;
		}
		EndLine(linestart, l.clen, x, tabs);
	}
};

} // namespace

struct RichPara::Lines::Flattener {
	Lines&        l;
	const Format& pf;
	int           i = 0;        // next character
	int           position = 0; // running text position
	sMetrics      tab = {};     // metrics of the paragraph's own font, for tabs
	bool          has_tab = false;

	void Text(const WString& s, const CharFormat& f, int inc);
	void Object(const RichObject& o, int inc);
	void Parts(const Array<Part>& part, int inc);
};

void RichPara::Lines::Flattener::Text(const WString& s, const RichPara::CharFormat& f, int inc)
{
	if(s.IsEmpty())
		return;
	const RichPara::CharFormat& cf = l.formats.Add(f);
	Font wf = cf;
	if(cf.sscript)
		wf.Height(cf.GetHeight() * 3 / 5);
	sWidths width(wf);
	sMetrics m = sGetMetrics(cf);
	const RichPara::CharFormat* caps = nullptr;
	std::optional<sWidths> caps_width;
	sMetrics caps_m;
	for(wchar c : s) {
		RichPara::HeightInfo& h = l.height[i];
		l.format[i] = &cf;
		l.pos[i] = position;
		position += inc;
		if(c == 9) {
			if(!has_tab) {
				tab = sGetMetrics(pf);
				has_tab = true;
			}
			sSetHeight(h, tab);
			l.text[i] = c;
			l.width[i++] = 0;
			continue;
		}
		if(cf.capitals && UnicodeIsLower(int(c))) {
			if(!caps) {
				RichPara::CharFormat& small = l.formats.Add(cf);
				small.Height(cf.GetHeight() * 4 / 5);
				Font sw = small;
				if(small.sscript)
					sw.Height(small.GetHeight() * 3 / 5);
				caps_width.emplace(sw);
				caps_m = sGetMetrics(small);
				caps = &small;
			}
			c = wchar(UnicodeToUpper(int(c)));
			l.format[i] = caps;
			sSetHeight(h, caps_m);
			l.text[i] = c;
			l.width[i++] = (*caps_width)(c);
			continue;
		}
		sSetHeight(h, m);
		l.text[i] = c;
		l.width[i++] = c >= 32 ? width(c) : 0;
	}
}

void RichPara::Lines::Flattener::Object(const RichObject& o, int inc)
{
	RichObject& obj = l.objects.Add(o);
	Size sz = obj.GetSize();
	int offset = obj.GetYDelta();
	RichPara::HeightInfo& h = l.height[i];
	h.ascent = Sat(int64(sz.cy) - offset);
	h.descent = max(offset, 0);
	h.external = 0;
	h.ydelta = offset;
	h.object = &obj;
	l.text[i] = 'x';
	l.pos[i] = position;
	l.width[i] = Sat(max(sz.cx, 0)); // a negative size would move the line back
	l.format[i++] = nullptr;         // set by the caller
	position += inc;
}

void RichPara::Lines::Flattener::Parts(const Array<RichPara::Part>& part, int inc)
{
	for(const RichPara::Part& p : part)
		if(p.IsField()) {
			if(inc) {
				Parts(p.fieldpart, 0);
				position++;
			}
		}
		else if(!p.object.IsNull()) {
			const RichPara::CharFormat& cf = l.formats.Add(p.format);
			Object(p.object, inc);
			l.format[i - 1] = &cf;
		}
		else
			Text(p.text, p.format, inc);
}

int RichPara::Lines::GetHeight() const
{
	int64 h = 0;
	for(const Line& ln : line)
		h += ln.GetHeight();
	return Sat(h);
}

RichPara::Lines RichPara::FormatLines(int cx, const Number& n) const
{
	WString number;
	if(sHasNumbering(format)) {
		Number c = n;
		c.Next(format);
		number = c.AsText(format).ToWString();
		if(!number.IsEmpty())
			number.Cat(' ');
	}

	Lines l;
	if(cacheid && Lines::Unpark(l, cacheid, cx, number))
		return l;

	const Format& f = format;
	l.len = GetLength();
	int64 clen = sFlatCount(part, true) + number.GetLength();
	if(clen > INT_MAX / 8)
		Panic("Too many items in container!");
	l.clen = int(clen);
	l.cx = cx;
	l.cacheid = cacheid;
	l.number = number;
	l.first_indent = l.next_indent = f.indent;
	if(f.bullet == BULLET_NONE && !sHasNumbering(f))
		l.next_indent = 0;
	else if(f.bullet == BULLET_TEXT)
		l.first_indent = 0;

	sLineBreaker breaker(l, f, cx);
	if(l.clen == 0) {
		Line& ln = l.line.Add();
		breaker.Place(ln, l.first_indent);
		sMetrics m = sGetMetrics(f);
		ln.ascent = m.ascent;
		ln.descent = m.descent;
		ln.external = m.external;
		return l;
	}

	l.text.Alloc(l.clen);
	l.pos.Alloc(l.clen);
	l.width.Alloc(l.clen);
	l.height.Alloc(l.clen);
	l.format.Alloc(l.clen);
	Lines::Flattener fl{l, f};
	if(number.GetLength()) {
		CharFormat nf = part.GetCount() ? part[0].format : CharFormat(f);
		nf.link.Clear();
		nf.indexentry.Clear();
		fl.Text(number, nf, 0);
		l.number_len = number.GetLength();
	}
	fl.Parts(part, 1);

	breaker.Break();

	for(int k = 0; k < l.line.GetCount(); k++) {
		Line& ln = l.line[k];
		ln.ppos = l.pos[ln.pos];
		int end = ln.pos + ln.len;
		ln.plen = (end < l.clen ? l.pos[end] : l.len) - ln.ppos;
	}
	return l;
}

void RichPara::Lines::Justify(const Format& f)
{
	if(justified)
		return;
	justified = true;
	if(f.align != JUSTIFY || cx == INT_MAX) // unbounded: nothing to fill
		return;
	for(int li = 0; li < line.GetCount() - 1; li++) {
		const Line& ln = line[li];
		if(ln.withtabs || ln.len <= 0)
			continue;
		int b = ln.pos;
		int e = ln.pos + ln.len;
		while(e > b && text[e - 1] == ' ')
			e--;
		while(b < e && (text[b] == ' ' || text[b] == 160))
			b++;
		int n = 0;
		for(int k = b; k < e; k++)
			n += text[k] == ' ' || text[k] == 160;
		if(n == 0)
			continue;
		// 16.16 in 64 bits: a slack of more than 32,767 units would overflow 32.
		int64 indent = li ? next_indent : first_indent;
		int64 slack = int64(cx) - (int64(f.lm) + f.rm + indent + ln.cx);
		int64 extra = slack * 65536 / n;
		int64 acc = 0;
		for(int k = b; k < e; k++)
			if(text[k] == ' ' || text[k] == 160) {
				acc += extra;
				width[k] = Sat(width[k] + (acc >> 16));
				acc &= 0xFFFF;
			}
	}
}

} // namespace Qel
