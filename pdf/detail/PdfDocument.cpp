// Fonts and the closing objects of a document.
#include "PdfDocument.h"

#include <time.h>

namespace Qel::detail {

int PdfFont::Add(int glyph, int ch)
{
	int i = glyphs.Find(glyph);
	if(i < 0) {
		i = glyphs.GetCount();
		glyphs.Add(glyph);
		unicode.Add(ch);
		widths.Add(round(ttf.GetAdvance(glyph) * 1000000.0 / ttf.GetUnitsPerEm()) / 1000);
	}
	return i;
}

int PdfFont::Use(int ch)
{
	int q = chars.Find(ch);
	if(q >= 0)
		return chars[q];
	int i = Add(ttf.GetGlyph(ch), ch);
	chars.Add(ch, i);
	return i;
}

PdfDocument::PdfDocument()
{
	pages_id = obj.New();
}

int PdfDocument::FaceFont(Font f)
{
	const FontMetrics& m = f.GetMetrics();
	String file = m.path[0] ? String(m.path) + ":" + FormatInt64(m.face_index)
	                        : "face:" + FormatInt64(f.GetFace()) + ":" + FormatInt64(f.GetFlags() & (Font::BOLD | Font::ITALIC));
	if(const int* q = font_files.FindPtr(file))
		return *q;
	PdfFont& pf = fonts.Add();
	if(!pf.ttf.Open(f)) {
		fonts.Drop();
		font_files.Add(file, -1);
		return -1;
	}
	pf.id = obj.New();
	pf.Add(0, 0); // the missing glyph is always glyph 0 of a subset
	font_files.Add(file, fonts.GetCount() - 1);
	return fonts.GetCount() - 1;
}

int PdfDocument::FontFor(Font f)
{
	f.ResolveStd();
	int64 key = f.GetFace() | int64(f.GetFlags() & (Font::BOLD | Font::ITALIC)) << 16;
	if(const int* q = font_faces.FindPtr(key))
		return *q;
	int i = FaceFont(f);
	int std = Font::GetStdFont().GetFace();
	if(i < 0 && f.GetFace() != std) // faces of other formats show in the standard face
		i = FontFor(Font(f).Face(std));
	font_faces.Add(key, i);
	return i;
}

namespace {

void sHex4(StringBuffer& b, int v)
{
	static const char hex[] = "0123456789ABCDEF";
	char h[4] = { hex[(v >> 12) & 15], hex[(v >> 8) & 15], hex[(v >> 4) & 15], hex[v & 15] };
	b.Cat(h, 4);
}

void sUtf16(StringBuffer& b, int ch)
{
	if(ch >= 0x10000 && ch <= 0x10FFFF) {
		ch -= 0x10000;
		sHex4(b, 0xD800 + (ch >> 10));
		sHex4(b, 0xDC00 + (ch & 0x3FF));
	}
	else
		sHex4(b, ch);
}

String sToUnicode(const PdfFont& f)
{
	struct Pair { int code, ch; };
	Vector<Pair> map;
	for(int i = 1; i < f.glyphs.GetCount(); i++) {
		int ch = f.unicode[i];
		if(ch > 0 && ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF))
			map.Add(Pair{ f.Code(i), ch });
	}
	Sort(map, [](const Pair& a, const Pair& b) { return a.code < b.code; });
	PdfText t;
	t << "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
	     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
	     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
	     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
	for(int i = 0; i < map.GetCount(); i += 100) {
		int n = min(100, map.GetCount() - i);
		t << n << " beginbfchar\n";
		for(int j = i; j < i + n; j++) {
			t << '<';
			sHex4(t.b, map[j].code);
			t << "> <";
			sUtf16(t.b, map[j].ch);
			t << ">\n";
		}
		t << "endbfchar\n";
	}
	t << "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
	return t.Get();
}

// Six capitals naming the subset: the same glyphs of the same face give the same tag.
String sSubsetTag(int index, const Index<int>& glyphs)
{
	CombineHash h(index);
	for(int g : glyphs.GetKeys())
		h.Put(g);
	uint64 v = h;
	String tag;
	for(int i = 0; i < 6; i++) {
		tag.Cat(char('A' + v % 26));
		v /= 26;
	}
	return tag;
}

} // namespace

void PdfDocument::WriteFont(PdfFont& f, int index)
{
	const TTFReader& ttf = f.ttf;
	bool cff = ttf.IsCFF();
	String base = cff ? ttf.GetPostScriptName() : sSubsetTag(index, f.glyphs) + "+" + ttf.GetPostScriptName();
	int file = obj.New(), desc = obj.New(), cid = obj.New(), tu = obj.New();
	if(cff) {
		obj.Stream(file, "/Subtype /OpenType", ttf.GetOpenType());
		v16 = true;
	}
	else {
		String program = ttf.Subset(f.glyphs.GetKeys());
		obj.Stream(file, "/Length1 " + FormatInt64(program.GetLength()), program);
	}

	double k = 1000.0 / ttf.GetUnitsPerEm();
	Rect bb = ttf.GetBBox();
	int flags = 4 | (ttf.IsFixedPitch() ? 1 : 0) | (ttf.IsItalic() ? 64 : 0); // symbolic: own encoding
	PdfText d;
	d << "<< /Type /FontDescriptor /FontName /" << base << " /Flags " << flags << " /FontBBox ["
	  << int(floor(bb.left * k)) << ' ' << int(floor(bb.top * k)) << ' '
	  << int(ceil(bb.right * k)) << ' ' << int(ceil(bb.bottom * k)) << "] /ItalicAngle ";
	d.Num(ttf.GetItalicAngle(), 2) << " /Ascent " << int(round(ttf.GetAscent() * k))
	  << " /Descent " << int(round(ttf.GetDescent() * k)) << " /CapHeight " << int(round(ttf.GetCapHeight() * k))
	  << " /StemV 80 " << (cff ? "/FontFile3 " : "/FontFile2 ");
	d.Ref(file) << " >>";
	obj.Put(desc, d.Get());

	// Widths by code, in runs of consecutive codes.
	struct Width { int code; double w; };
	Vector<Width> w;
	for(int i = 0; i < f.glyphs.GetCount(); i++)
		w.Add(Width{ f.Code(i), f.widths[i] });
	Sort(w, [](const Width& a, const Width& b) { return a.code < b.code; });
	PdfText c;
	c << "<< /Type /Font /Subtype " << (cff ? "/CIDFontType0" : "/CIDFontType2") << " /BaseFont /" << base
	  << " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
	c.Ref(desc) << " /W [";
	for(int i = 0; i < w.GetCount(); i++) {
		if(i == 0 || w[i].code != w[i - 1].code + 1)
			c << (i ? "] " : "") << w[i].code << " [";
		else
			c << ' ';
		c << w[i].w;
	}
	c << (w.GetCount() ? "]]" : "]") << (cff ? "" : " /CIDToGIDMap /Identity") << " >>";
	obj.Put(cid, c.Get());
	obj.Stream(tu, String(), sToUnicode(f));

	PdfText t;
	t << "<< /Type /Font /Subtype /Type0 /BaseFont /" << base << " /Encoding /Identity-H /DescendantFonts [";
	t.Ref(cid) << "] /ToUnicode ";
	t.Ref(tu) << " >>";
	obj.Put(f.id, t.Get());
}

int PdfDocument::InvertState()
{
	if(!invert_id) {
		invert_id = obj.New();
		obj.Put(invert_id, "<< /Type /ExtGState /BM /Difference >>");
	}
	return invert_id;
}

String PdfDocument::Finish()
{
	for(int i = 0; i < fonts.GetCount(); i++)
		WriteFont(fonts[i], i);
	PdfText p;
	p << "<< /Type /Pages /Kids [";
	for(int i = 0; i < pages.GetCount(); i++)
		p.Ref(pages[i]) << (i + 1 < pages.GetCount() ? " " : "");
	p << "] /Count " << pages.GetCount() << " >>";
	obj.Put(pages_id, p.Get());

	int catalog = obj.New();
	PdfText c;
	c << "<< /Type /Catalog /Pages ";
	c.Ref(pages_id) << " >>";
	obj.Put(catalog, c.Get());

	// Local time and its distance from UTC, as readers show the date.
	time_t now = time(nullptr);
	struct tm tm;
	localtime_r(&now, &tm);
	long off = tm.tm_gmtoff / 60;
	char date[80];
	snprintf(date, sizeof(date), "D:%04d%02d%02d%02d%02d%02d%c%02ld'%02ld'", tm.tm_year + 1900, tm.tm_mon + 1,
	         tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, off < 0 ? '-' : '+', labs(off) / 60, labs(off) % 60);
	int info = obj.New();
	PdfText i;
	i << "<< /Producer (Qel) /CreationDate (" << date << ") >>";
	obj.Put(info, i.Get());
	return obj.Finish(catalog, info, Uuid::Create().ToString(), v16);
}

} // namespace Qel::detail
