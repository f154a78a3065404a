// Rescaling rich text by a zoom: paragraph formats, paragraphs, tables, part lists and whole
// documents with their styles. Lengths scale with a 64-bit product and stay within an int;
// nothing that was drawn vanishes (a ruler, a frame or a grid line keeps at least one unit).
#include <richtext/document/RichTable.h>

namespace Qel {

namespace {

// v * m / d, held in an int (d is not 0).
int sZoom(int64 v, Zoom z)
{
	__int128 r = __int128(v) * z.m / z.d;
	return int(r < INT_MIN ? INT_MIN : r > INT_MAX ? INT_MAX : r);
}

// Rounded to the nearest; font heights are 16-bit and at least 1.
int sZoomFontHeight(int h, Zoom z)
{
	int64 v = (int64(h) * z.m + z.d / 2) / z.d;
	return int(clamp<int64>(v, 1, 32767));
}

// A line that was there stays at least a unit wide.
int sZoomLine(int v, Zoom z)
{
	return v == 0 ? 0 : max(1, sZoom(v, z));
}

} // namespace

void ApplyZoom(RichPara::Format& f, Zoom z)
{
	if(z.d == 0)
		return;
	auto Z = [&](int64 v) { return sZoom(v, z); };
	f.Height(sZoomFontHeight(f.GetHeight(), z));
	if(f.ruler)
		f.ruler = Z(f.ruler) ? Z(f.ruler) : 1; // a ruler stays visible
	f.before = Z(f.before);
	f.rm = Z(f.rm);
	f.after = Z(f.after);
	f.tabsize = Z(f.tabsize);
	// lm and lm + indent (where the first line starts) are edges: each rounds on its own
	int lm = Z(f.lm);
	f.indent = int(clamp<int64>(int64(Z(int64(f.lm) + f.indent)) - lm, INT_MIN, INT_MAX));
	f.lm = lm;
	for(RichPara::Tab& t : f.tab) {
		if(IsNull(t.pos))
			continue; // dropped when packed; it has no place to move
		int bit = t.pos & RichPara::TAB_RIGHTPOS;
		t.pos = bit | (Z(t.pos & ~RichPara::TAB_RIGHTPOS) & ~RichPara::TAB_RIGHTPOS);
	}
}

void RichPara::ApplyZoom(Zoom z)
{
	if(z.d == 0)
		return;
	cacheid = 0; // the cache must not hand the unzoomed content back
	Qel::ApplyZoom(format, z);
	for(Part& p : part)
		if(p.IsField())
			continue;
		else if(!p.object.IsNull()) {
			Size sz = p.object.GetSize();
			p.object.SetSize(Size(sZoom(sz.cx, z), sZoom(sz.cy, z)));
		}
		else
			p.format.Height(sZoomFontHeight(p.format.GetHeight(), z));
}

void RichTable::ApplyZoom(Zoom z, const ArrayMap<Uuid, RichStyle>& old_styles,
                          const ArrayMap<Uuid, RichStyle>& new_styles)
{
	if(z.d == 0)
		return;
	Invalidate();
	auto Z = [&](int v) { return sZoom(v, z); };
	format.frame_width = sZoomLine(format.frame_width, z);
	format.grid_width = sZoomLine(format.grid_width, z);
	format.before = Z(format.before);
	format.left_margin = Z(format.left_margin);
	format.right_margin = Z(format.right_margin);
	format.after = Z(format.after);
	ForEachOrigin(*this, [&](int, int, RichCell& x) {
		for(Rect* r : {&x.format.border, &x.format.margin})
			*r = Rect(Z(r->left), Z(r->top), Z(r->right), Z(r->bottom));
		x.format.min_height = Z(x.format.min_height);
		x.text.ApplyZoom(z, old_styles, new_styles);
	});
}

void RichTxt::ApplyZoom(Zoom z, const ArrayMap<Uuid, RichStyle>& old_styles,
                        const ArrayMap<Uuid, RichStyle>& new_styles)
{
	if(z.d == 0)
		return;
	for(int i = 0; i < part.GetCount(); i++)
		if(part[i].Is<RichTable>())
			part[i].Get<RichTable>().ApplyZoom(z, old_styles, new_styles);
		else {
			RichPara p = Get(i, old_styles);
			p.ApplyZoom(z);
			SetPara(i, p, GetStyle(new_styles, p.format.styleid));
		}
	Invalidate();
}

void RichText::ApplyZoom(Zoom z)
{
	if(z.m == z.d || z.d == 0) // a zero divisor would send every length to 0
		return;
	ArrayMap<Uuid, RichStyle>& styles = OwnStyles();
	ArrayMap<Uuid, RichStyle> old_styles(styles);
	for(int i = 0; i < styles.GetCount(); i++)
		Qel::ApplyZoom(styles[i].format, z);
	RichTxt::ApplyZoom(z, old_styles, styles);
}

} // namespace Qel
