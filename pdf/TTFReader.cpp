// Reading a face's tables and writing subsets of them. Every read is bounded by its table, so
// damaged or hostile fonts give wrong glyphs at worst, never a read outside the data.
#include "TTFReader.h"
#include "detail/Sfnt.h"

namespace Qel {

using namespace detail;

namespace {

// Tables a subset keeps besides the glyph tables it rewrites: hinting programs and the values
// readers take the descriptor's metrics from.
const char* const sKeep[] = { "cvt ", "fpgm", "prep", "OS/2" };
// Tables of an OpenType program with CFF outlines.
const char* const sOpenType[] = { "CFF ", "cmap", "head", "hhea", "hmtx", "maxp", "name", "OS/2", "post" };
const char* const sLoad[] = { "head", "hhea", "maxp", "hmtx", "loca", "glyf", "post", "OS/2", "name",
                              "CFF ", "cvt ", "fpgm", "prep", "cmap" };

bool sNameChar(int c)
{
	return c > 32 && c < 127 && !strchr("[](){}<>/%", c);
}

} // namespace

String TTFReader::Table(const char* tag) const
{
	const String* s = table.FindPtr(tag);
	return s ? *s : String();
}

bool TTFReader::Open(Font font)
{
	font = font.Resolved();
	Function<String (const char*)> get = [&](const char* tag) { return font.GetData(tag); };
	if(!Load(get))
		return false;
	cmap.Clear();
	ReadCmapTable(font, [&](int first, int last, int glyph) { AddRange(first, last, glyph); },
	              CMAP_GLYPHS | CMAP_ALLOW_SYMBOL);
	SortMap();
	if(psname == "Unnamed") {
		String n;
		for(char c : font.GetFaceName())
			if(sNameChar(byte(c)))
				n.Cat(c);
		if(n.GetCount())
			psname = n;
	}
	return true;
}

bool TTFReader::Open(Function<String (const char* tag)> get)
{
	if(!Load(get))
		return false;
	cmap.Clear();
	String c = Table("cmap");
	ParseCmap(c.Begin(), c.GetLength(), [&](int first, int last, int glyph) { AddRange(first, last, glyph); },
	          CMAP_GLYPHS | CMAP_ALLOW_SYMBOL);
	SortMap();
	return true;
}

bool TTFReader::Load(Function<String (const char* tag)>& get)
{
	open = false;
	table.Clear();
	for(const char* tag : sLoad) {
		String s = get(tag);
		if(s.GetCount())
			table.Add(tag, s);
	}
	String head = Table("head"), hhea = Table("hhea"), maxp = Table("maxp");
	if(head.GetCount() < 54 || hhea.GetCount() < 36 || maxp.GetCount() < 6)
		return false;
	upem = BE16(head, 18);
	glyphs = BE16(maxp, 4);
	hmetrics = min(BE16(hhea, 34), glyphs);
	if(upem < 16 || upem > 16384 || glyphs < 1 || hmetrics < 1)
		return false;
	cff = table.Find("CFF ") >= 0;
	long_loca = BE16(head, 50) != 0;
	hmtx = Table("hmtx");
	loca = Table("loca");
	glyf = Table("glyf");
	if(!cff && (glyf.IsEmpty() || loca.IsEmpty()))
		return false;
	bbox = Rect(SBE16(head, 36), SBE16(head, 38), SBE16(head, 40), SBE16(head, 42));
	ascent = SBE16(hhea, 4);
	descent = SBE16(hhea, 6);
	String post = Table("post"), os2 = Table("OS/2");
	italic_angle = post.GetCount() >= 16 ? int(BE32(post, 4)) / 65536.0 : 0;
	fixed_pitch = post.GetCount() >= 16 && BE32(post, 12);
	italic = os2.GetCount() >= 64 ? BE16(os2, 62) & 0x201 : BE16(head, 44) & 2;
	capheight = os2.GetCount() >= 90 && BE16(os2, 0) >= 2 ? SBE16(os2, 88) : ascent;
	ReadName();
	ReadCids();
	open = true;
	return true;
}

namespace {

// A CFF INDEX at `at`: the bounds of entry i in data; false when the index is damaged.
bool sCffEntry(const String& cff, int64 at, int i, int64& begin, int64& end, int64* after = nullptr)
{
	int count = BE16(cff, at);
	int size = at + 2 < cff.GetCount() ? byte(cff[int(at + 2)]) : 0;
	if(count == 0) {
		if(after)
			*after = at + 2;
		return false;
	}
	if(size < 1 || size > 4)
		return false;
	auto offset = [&](int k) {
		int64 v = 0;
		for(int b = 0; b < size; b++) {
			int64 p = at + 3 + int64(k) * size + b;
			v = v << 8 | (p < cff.GetCount() ? byte(cff[int(p)]) : 0);
		}
		return v;
	};
	int64 data = at + 3 + int64(count + 1) * size - 1; // offsets count from 1
	if(after)
		*after = data + offset(count);
	if(i >= count)
		return false;
	begin = data + offset(i);
	end = data + offset(i + 1);
	return begin <= end && end <= cff.GetCount();
}

} // namespace

// A CID-keyed CFF names its glyphs by CIDs through its charset; readers take CIDs as codes.
void TTFReader::ReadCids()
{
	cids.Clear();
	String cff = Table("CFF ");
	if(cff.GetCount() < 4)
		return;
	int64 b = 0, e = 0, top = -1;
	sCffEntry(cff, byte(cff[2]), 0, b, e, &top); // the name index
	if(top < 0 || !sCffEntry(cff, top, 0, b, e))
		return;
	bool keyed = false;
	int64 charset = 0;
	Vector<int64> operand;
	for(int64 p = b; p < e;) { // the top dictionary
		int v = byte(cff[int(p)]);
		if(v == 12) {
			keyed = keyed || (p + 1 < e && byte(cff[int(p + 1)]) == 30); // ROS
			operand.Clear();
			p += 2;
		}
		else if(v <= 21) {
			if(v == 15 && operand.GetCount())
				charset = operand.Top();
			operand.Clear();
			p++;
		}
		else if(v == 28) {
			operand.Add(SBE16(cff, p + 1));
			p += 3;
		}
		else if(v == 29) {
			operand.Add(int(BE32(cff, p + 1)));
			p += 5;
		}
		else if(v == 30) { // a real: skip its nibbles up to the end mark
			for(p++; p < e && (byte(cff[int(p)]) & 15) != 15 && (byte(cff[int(p)]) >> 4) != 15; p++)
				;
			operand.Add(0);
			p++;
		}
		else if(v >= 32 && v <= 246) {
			operand.Add(v - 139);
			p++;
		}
		else if(v >= 247 && v <= 254) {
			int w = p + 1 < e ? byte(cff[int(p + 1)]) : 0;
			operand.Add(v <= 250 ? (v - 247) * 256 + w + 108 : -(v - 251) * 256 - w - 108);
			p += 2;
		}
		else
			p++;
	}
	if(!keyed || charset <= 2 || charset >= cff.GetCount())
		return;
	cids.SetCount(glyphs, 0);
	int format = byte(cff[int(charset)]);
	int64 at = charset + 1;
	for(int g = 1; g < glyphs;) {
		if(format == 0) {
			cids[g++] = BE16(cff, at);
			at += 2;
		}
		else if(format == 1 || format == 2) {
			int first = BE16(cff, at);
			int left = format == 1 ? (at + 2 < cff.GetCount() ? byte(cff[int(at + 2)]) : 0) : BE16(cff, at + 2);
			at += format == 1 ? 3 : 4;
			for(int k = 0; k <= left && g < glyphs; k++)
				cids[g++] = first + k;
		}
		else
			break;
		if(at > cff.GetCount())
			break;
	}
}

int TTFReader::GetCid(int glyph) const
{
	return glyph >= 0 && glyph < cids.GetCount() ? cids[glyph] : glyph;
}

void TTFReader::ReadName()
{
	psname = "Unnamed";
	String name = Table("name");
	int count = BE16(name, 2), base = BE16(name, 4);
	int best = 0;
	for(int i = 0; i < count && 6 + 12 * i + 12 <= name.GetCount(); i++) {
		int r = 6 + 12 * i;
		int platform = BE16(name, r), id = BE16(name, r + 6), len = BE16(name, r + 8), off = BE16(name, r + 10);
		if(id != 6 || (platform != 1 && platform != 3) || platform < best)
			continue;
		int step = platform == 3 ? 2 : 1;
		String n;
		for(int k = step - 1; k < len && n.GetCount() < 63; k += step) {
			int64 at = int64(base) + off + k;
			int c = at < name.GetCount() ? byte(name[int(at)]) : 0;
			if(step == 2 && at - 1 < name.GetCount() && name[int(at - 1)])
				continue; // not ASCII
			if(sNameChar(c))
				n.Cat(c);
		}
		if(n.GetCount()) {
			psname = n;
			best = platform;
		}
	}
}

void TTFReader::AddRange(int first, int last, int glyph)
{
	if(first < 0 || last < first || last > 0x10FFFF || cmap.GetCount() > 200000)
		return;
	cmap.Add(Range{ first, last, glyph });
}

void TTFReader::SortMap()
{
	Sort(cmap, [](const Range& a, const Range& b) { return a.first < b.first; });
}

int TTFReader::GetGlyph(int ch) const
{
	int lo = 0, hi = cmap.GetCount();
	while(lo < hi) { // the first range starting beyond ch
		int m = (lo + hi) / 2;
		if(cmap[m].first <= ch)
			lo = m + 1;
		else
			hi = m;
	}
	if(lo == 0 || cmap[lo - 1].last < ch)
		return 0;
	const Range& r = cmap[lo - 1];
	int g = (r.glyph + (ch - r.first)) & 0xFFFF;
	return g < glyphs ? g : 0;
}

int TTFReader::GetAdvance(int glyph) const
{
	return BE16(hmtx, 4 * min(max(glyph, 0), hmetrics - 1));
}

int TTFReader::LeftSideBearing(int glyph) const
{
	return glyph < hmetrics ? SBE16(hmtx, 4 * glyph + 2) : SBE16(hmtx, 4 * hmetrics + 2 * (glyph - hmetrics));
}

String TTFReader::Glyph(int glyph) const
{
	int64 a, b;
	if(long_loca) {
		a = BE32(loca, 4 * glyph);
		b = BE32(loca, 4 * glyph + 4);
	}
	else {
		a = 2 * int64(BE16(loca, 2 * glyph));
		b = 2 * int64(BE16(loca, 2 * glyph + 2));
	}
	if(b - a < 10 || b > glyf.GetCount())
		return String(); // empty, or not even a header: drawn as nothing
	return glyf.Mid(int(a), int(b - a));
}

String TTFReader::Subset(const Vector<int>& used) const
{
	if(!open || cff)
		return String();
	Index<int> order;
	order.Add(0);
	for(int g : used)
		order.FindAdd(g >= 0 && g < glyphs ? g : 0);
	StringBuffer outline;
	Vector<int> offset;
	for(int i = 0; i < order.GetCount(); i++) { // composites add their parts as they come
		String g = Glyph(order[i]);
		offset.Add(outline.GetLength());
		if(g.IsEmpty())
			continue;
		if(SBE16(g, 0) < 0) {
			StringBuffer c(g); // g's own copy: the table stays as it is
			char* p = c.Begin();
			int len = c.GetLength();
			for(int at = 10; at + 4 <= len;) {
				int flags = BE16(p, len, at), part = BE16(p, len, at + 2);
				int n = order.FindAdd(part < glyphs ? part : 0);
				PutBE16(p + at + 2, n);
				at += 4 + (flags & 1 ? 4 : 2) + (flags & 8 ? 2 : flags & 0x40 ? 4 : flags & 0x80 ? 8 : 0);
				if(!(flags & 0x20))
					break;
			}
			g = String(c);
		}
		outline.Cat(g);
		while(outline.GetLength() & 3)
			outline.Cat(0);
	}
	int n = order.GetCount();
	if(outline.IsEmpty()) // only empty glyphs: the table still has to be there
		outline.Cat(0, 4);
	offset.Add(outline.GetLength());
	bool lng = outline.GetLength() > 0x1FFFC;
	StringBuffer lo;
	for(int o : offset)
		lng ? CatBE32(lo, o) : CatBE16(lo, o / 2);
	StringBuffer metrics;
	for(int g : order.GetKeys()) {
		CatBE16(metrics, GetAdvance(g));
		CatBE16(metrics, LeftSideBearing(g));
	}
	String h = Table("head"), hh = Table("hhea"), mp = Table("maxp");
	StringBuffer head(h), hhea(hh), maxp(mp);
	PutBE32(head.Begin() + 8, 0);
	PutBE16(head.Begin() + 50, lng);
	PutBE16(hhea.Begin() + 34, n);
	PutBE16(maxp.Begin() + 4, n);

	VectorMap<String, String> t;
	for(const char* tag : sKeep)
		if(table.Find(tag) >= 0)
			t.Add(tag, Table(tag));
	String post = Table("post");
	if(post.GetCount() >= 32) { // the names of the glyphs no longer fit: version 3 has none
		String pl = post.Left(32);
		StringBuffer p(pl);
		PutBE32(p.Begin(), 0x00030000);
		t.Add("post", String(p));
	}
	t.Add("glyf", String(outline));
	t.Add("loca", String(lo));
	t.Add("hmtx", String(metrics));
	t.Add("head", String(head));
	t.Add("hhea", String(hhea));
	t.Add("maxp", String(maxp));
	return WriteSfnt(t, 0x00010000);
}

String TTFReader::GetOpenType() const
{
	if(!open)
		return String();
	VectorMap<String, String> t;
	for(const char* tag : sOpenType)
		if(table.Find(tag) >= 0)
			t.Add(tag, Table(tag));
	if(t.Find("cmap") < 0 && cff)
		return String();
	String h = Table("head");
	StringBuffer head(h);
	PutBE32(head.Begin() + 8, 0);
	t.GetAdd("head") = String(head);
	return WriteSfnt(t, cff ? 0x4F54544F : 0x00010000);
}

} // namespace Qel
