// Pages, graphics state levels, escapes and links of a PdfDraw. The content of a page is in
// dots with y down: one transformation at its start maps them to the page's points.
#include "PdfDraw.h"
#include "detail/PdfDocument.h"

namespace Qel {

using namespace detail;

namespace {

// A local rectangle in page dots: ordered corners, moved by the origin.
Rect64 sPage(const Rect& r, Point64 o)
{
	return Rect64(min(r.left, r.right) + o.x, min(r.top, r.bottom) + o.y,
	              max(r.left, r.right) + o.x, max(r.top, r.bottom) + o.y);
}

Rect64 sAnd(const Rect64& a, const Rect64& b)
{
	return Rect64(max(a.left, b.left), max(a.top, b.top), min(a.right, b.right), min(a.bottom, b.bottom));
}

bool sEmpty(const Rect64& r)
{
	return r.right <= r.left || r.bottom <= r.top;
}

} // namespace

PdfDraw::PdfDraw(Size sz)
{
	PageSize(sz);
	Reset();
}

void PdfDraw::PageSize(Size sz)
{
	pagesize = Size(clamp(sz.cx, 1, MAX_SIDE), clamp(sz.cy, 1, MAX_SIDE));
}

PdfDraw::~PdfDraw() = default;

void PdfDraw::Reset()
{
	doc = std::make_unique<PdfDocument>();
	page_open = false;
	content.Clear();
	level.Clear();
	jpeg.Clear();
	link.Clear();
	annots.Clear();
}

dword PdfDraw::GetInfo() const { return INFO_DOTS; }
Size  PdfDraw::GetPageSize() const { return pagesize; }

bool PdfDraw::Room()
{
	Page();
	if(Full())
		doc->obj.Fail();
	return !doc->obj.IsFailed();
}

void PdfDraw::StartPage()
{
	if(page_open)
		EndPage();
	page_open = true;
	content.Clear();
	level.Clear();
	Level& l = level.Add();
	l.clip = Rect64(0, 0, pagesize.cx, pagesize.cy);
	page_fonts.Clear();
	page_images.Clear();
	page_patterns.Clear();
	page_gstate = 0;
	link_area = Rect64();
	annots.Clear();
	// Dots from the top left; round caps and the miter limit of every stroke.
	content.Cat("q ");
	PdfNumber(content, POINTS_PER_DOT, 4);
	content.Cat(" 0 0 ");
	PdfNumber(content, -POINTS_PER_DOT, 4);
	content.Cat(" 0 ");
	PdfNumber(content, pagesize.cy * POINTS_PER_DOT, 4);
	content.Cat(" cm 1 J 4 M\n");
}

void PdfDraw::EndPage()
{
	if(!page_open)
		return;
	CloseLink();
	for(int i = 1; i < level.GetCount(); i++)
		content.Cat("Q\n");
	content.Cat("Q\n");
	level.Clear();
	page_open = false;
	jpeg.Clear();

	PdfObjects& obj = doc->obj;
	int contents = obj.New();
	obj.Stream(contents, String(), String(content));
	content.Clear();
	PdfText r;
	auto dict = [&](const char* name, const Index<int>& used, const char* prefix, auto id) {
		if(used.IsEmpty())
			return;
		r << " /" << name << " <<";
		for(int i : used.GetKeys()) {
			r << " /" << prefix << i << ' ';
			r.Ref(id(i));
		}
		r << " >>";
	};
	dict("Font", page_fonts, "F", [&](int i) { return doc->fonts[i].id; });
	dict("XObject", page_images, "I", [&](int i) { return doc->ImageId(i); });
	dict("Pattern", page_patterns, "P", [&](int i) { return doc->PatternId(i); });
	if(page_gstate) {
		r << " /ExtGState << /GI ";
		r.Ref(page_gstate) << " >>";
	}
	PdfText p;
	p << "<< /Type /Page /Parent ";
	p.Ref(doc->pages_id) << " /MediaBox [0 0 ";
	p.Num(pagesize.cx * POINTS_PER_DOT, 4) << ' ';
	p.Num(pagesize.cy * POINTS_PER_DOT, 4) << "] /Resources <<" << r.Get() << " >> /Contents ";
	p.Ref(contents);
	if(annots.GetCount()) {
		p << " /Annots [";
		for(const String& a : annots) {
			int id = obj.New();
			obj.Put(id, a);
			p << ' ';
			p.Ref(id);
		}
		p << " ]";
	}
	p << " >>";
	annots.Clear();
	int id = obj.New();
	obj.Put(id, p.Get());
	doc->pages.Add(id);
}

String PdfDraw::Finish()
{
	if(doc->pages.IsEmpty())
		Page();
	EndPage();
	String r = doc->Finish();
	Reset();
	return r;
}

void PdfDraw::Push()
{
	content.Cat("q\n");
	Level l = Top();
	level.Add(l);
}

void PdfDraw::BeginOp()
{
	if(Room())
		Push();
}

void PdfDraw::EndOp()
{
	if(level.GetCount() > 1) { // an End without its Begin changes nothing
		content.Cat("Q\n");
		level.Drop();
	}
}

void PdfDraw::OffsetOp(const Point& p)
{
	if(!Room())
		return;
	Push();
	content.Cat("1 0 0 1 ");
	Pt(p);
	content.Cat(" cm\n");
	Top().offset.x += p.x;
	Top().offset.y += p.y;
}

bool PdfDraw::ClipOp(const Rect& r)
{
	if(!Room())
		return true;
	Push();
	Re(r.left, r.top, int64(r.right) - r.left, int64(r.bottom) - r.top);
	content.Cat(" W n\n");
	Top().clip = sAnd(Top().clip, sPage(r, Top().offset));
	return true;
}

bool PdfDraw::ClipoffOp(const Rect& r)
{
	if(!Room())
		return true;
	ClipOp(r);
	content.Cat("1 0 0 1 ");
	Pt(r.left, r.top);
	content.Cat(" cm\n");
	Top().offset.x += r.left;
	Top().offset.y += r.top;
	return true;
}

bool PdfDraw::ExcludeClipOp(const Rect& r)
{
	if(!Room())
		return true;
	// Everything but r: the page (and a margin) with r cut out by the even-odd rule.
	Point64 o = Top().offset;
	Re(-o.x - 10, -o.y - 10, int64(pagesize.cx) + 20, int64(pagesize.cy) + 20);
	content.Cat(' ');
	Re(r.left, r.top, int64(r.right) - r.left, int64(r.bottom) - r.top);
	content.Cat(" W* n\n");
	return true;
}

bool PdfDraw::IntersectClipOp(const Rect& r)
{
	if(!Room())
		return true;
	Re(r.left, r.top, int64(r.right) - r.left, int64(r.bottom) - r.top);
	content.Cat(" W n\n");
	Top().clip = sAnd(Top().clip, sPage(r, Top().offset));
	return true;
}

bool PdfDraw::IsPaintingOp(const Rect& r) const
{
	Point64 o = level.GetCount() ? level.Top().offset : Point64();
	Rect64 clip = level.GetCount() ? level.Top().clip : Rect64(0, 0, pagesize.cx, pagesize.cy);
	return !sEmpty(sAnd(sPage(r, o), clip));
}

void PdfDraw::Escape(const String& data)
{
	if(data.StartsWith("data:")) {
		jpeg = data.Mid(5);
		int cx, cy, n;
		if(!ReadJpegHeader(jpeg, cx, cy, n))
			jpeg.Clear(); // the image that follows shows as it is
	}
	else if(data.StartsWith("url:")) {
		CloseLink();
		link = data.Mid(4);
	}
}

void PdfDraw::Mark(double l, double t, double r, double b)
{
	if(link.IsEmpty() || !page_open)
		return;
	auto c = [](double v) { return int64(clamp(v, -4e9, 4e9)); };
	Point64 o = Top().offset;
	Rect64 q = sAnd(Rect64(c(floor(min(l, r))) + o.x, c(floor(min(t, b))) + o.y,
	                       c(ceil(max(l, r))) + o.x, c(ceil(max(t, b))) + o.y), Top().clip);
	if(sEmpty(q))
		return;
	if(sEmpty(link_area))
		link_area = q;
	else
		link_area = Rect64(min(link_area.left, q.left), min(link_area.top, q.top),
		                   max(link_area.right, q.right), max(link_area.bottom, q.bottom));
}

void PdfDraw::CloseLink()
{
	if(link.GetCount() && page_open && !sEmpty(link_area)) {
		PdfText a;
		double h = pagesize.cy;
		a << "<< /Type /Annot /Subtype /Link /Rect [";
		a.Num(link_area.left * POINTS_PER_DOT, 3) << ' ';
		a.Num((h - link_area.bottom) * POINTS_PER_DOT, 3) << ' ';
		a.Num(link_area.right * POINTS_PER_DOT, 3) << ' ';
		a.Num((h - link_area.top) * POINTS_PER_DOT, 3) << "] /Border [0 0 0] /A << /S /URI /URI ";
		PdfLiteral(a.b, link);
		a << " >> >>";
		annots.Add(a.Get());
	}
	link_area = Rect64();
}

} // namespace Qel
