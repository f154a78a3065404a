// Walks over every paragraph of a part list, into table cells: updates, field evaluation and
// plain text.
#include <richtext/document/RichTable.h>

namespace Qel {

bool RichTxt::Update(ParaOp& op)
{
	int first = -1;
	for(int i = 0; i < part.GetCount(); i++) {
		Any& a = part[i];
		bool changed = false;
		if(a.Is<Para>()) {
			changed = op(a.Get<Para>());
			if(changed)
				summary[i] = ParaSummary(a.Get<Para>());
		}
		else {
			RichTable& t = a.Get<RichTable>();
			RichTable::ForEachOrigin(t, [&](int, int, RichCell& c) { changed |= c.text.Update(op); });
			if(changed)
				t.Invalidate();
		}
		if(changed && first < 0)
			first = i;
	}
	if(first >= 0)
		Invalidate(first);
	return first >= 0;
}

bool RichTxt::EvaluateFields(const ArrayMap<Uuid, RichStyle>& s, VectorMap<String, Value>& vars)
{
	int first = -1;
	for(int i = 0; i < part.GetCount(); i++)
		if(part[i].Is<Para>()) {
			RichPara p = Get(i, s, false);
			if(p.EvaluateFields(vars)) {
				SetPara(i, p, GetStyle(s, p.format.styleid)); // keeps the totals
				if(first < 0)
					first = i;
			}
		}
		else {
			RichTable& t = part[i].Get<RichTable>();
			bool cells = false;
			RichTable::ForEachOrigin(t, [&](int, int, RichCell& c) { cells |= c.text.EvaluateFields(s, vars); });
			if(cells) {
				t.Invalidate();
				Invalidate(i);
				if(first < 0)
					first = i;
			}
		}
	return first >= 0;
}

namespace {

void sLineBreak(WString& out, bool withcr)
{
	if(withcr)
		out.Cat('\r');
	out.Cat('\n');
}

} // namespace

void RichTxt::PlainText(WString& out, bool withcr, Vector<int>* cell_breaks, bool& multiline) const
{
	// the style changes no text
	const RichPara::Format& style = GetStyle(ArrayMap<Uuid, RichStyle>(), Uuid()).format;
	for(int i = 0; i < part.GetCount(); i++) {
		if(i)
			sLineBreak(out, withcr);
		if(part[i].Is<Para>()) {
			const Para& pp = part[i].Get<Para>();
			RichPara p;
			p.Unpack(pp.head, pp.content, pp.objects, pp.aside.get(), style);
			for(const RichPara::Part& q : p.part)
				if(q.IsField() || q.IsObject())
					out.Cat(127);
				else
					out.Cat(q.text);
			continue;
		}
		const RichTable& t = part[i].Get<RichTable>();
		const RichTable::SpanEntry* sp = t.Spans();
		int cols = t.GetColumns();
		for(int r = 0; r < t.GetRows(); r++) {
			const Array<RichCell>& row = t.cell[r];
			bool first = true;
			for(int c = 0; c < min(cols, row.GetCount()); c++) {
				if(!sp[r * cols + c].origin)
					continue;
				if(!first) {
					if(cell_breaks)
						cell_breaks->Add(out.GetLength());
					sLineBreak(out, withcr);
				}
				first = false;
				int from = out.GetLength();
				bool inner = false;
				row[c].text.PlainText(out, withcr, nullptr, inner);
				multiline = multiline || out.Find('\n', from) >= 0;
			}
			sLineBreak(out, withcr);
		}
	}
}

WString RichTxt::GetPlainText(bool withcr, bool allow_tabs) const
{
	WString out;
	// a character per text position, a line break per part and cell end, give or take
	out.Reserve(int(min<int64>(int64(GetLength()) + 64, INT_MAX / 8)));
	Vector<int> breaks;
	bool multiline = false;
	PlainText(out, withcr, allow_tabs ? &breaks : nullptr, multiline);
	if(multiline || breaks.IsEmpty())
		return out;
	// Built once with line breaks between cells; as no cell spans lines, each becomes a tab.
	if(!withcr) {
		for(int b : breaks)
			out.Set(b, '\t');
		return out;
	}
	WString r;
	r.Reserve(out.GetLength() - breaks.GetCount());
	int from = 0;
	for(int b : breaks) {
		r.Cat(out.Begin() + from, b - from);
		r.Cat('\t');
		from = b + 2;
	}
	r.Cat(out.Begin() + from, out.GetLength() - from);
	return r;
}

} // namespace Qel
