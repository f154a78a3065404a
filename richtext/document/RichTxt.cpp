// The part list: its parts, their storage and the cached totals.
#include <richtext/document/RichTable.h>
#include <richtext/base/detail/UpdateSerial.h>

namespace Qel {

namespace {

// Every empty paragraph in the default style packs the same way.
const String& sEmptyContent()
{
	static const String s = [] {
		Array<RichObject> objs;
		return RichPara().Pack(GetStyle(ArrayMap<Uuid, RichStyle>(), Uuid()).format, objs);
	}();
	return s;
}

void sMakeEmpty(RichTxt::Para& p)
{
	p.content = sEmptyContent();
	p.update_serial = detail::NewParaUpdateSerial();
}

// Text positions of p as stored: packing drops characters below 32 other than the tab.
int sStoredLength(const RichPara& p)
{
	int n = 0;
	for(const RichPara::Part& q : p.part)
		if(q.IsField() || !q.object.IsNull())
			n++;
		else {
			n += q.text.GetLength();
			for(wchar c : q.text)
				if(c < 32 && c != 9) // rare: a branch the processor learns beats counting
					n--;
		}
	return n;
}

} // namespace

RichTextValue::RichTextValue(const RichTextValue& src)
{
	if(src.text)
		text = std::make_unique<RichText>(*src.text);
}

RichTextValue& RichTextValue::operator=(const RichTextValue& src)
{
	if(this != &src)
		*this = RichTextValue(src);
	return *this;
}

RichTextValue::~RichTextValue() = default;

void RichTextValue::Clear()
{
	text.reset();
}

void RichTextValue::Set(RichText&& t)
{
	text = std::make_unique<RichText>(std::move(t));
}

RichTxt::Para::Para(const Para& p)
:	style(p.style), length(p.length), head(p.head), content(p.content), objects(p.objects),
	update_serial(detail::NewParaUpdateSerial())
{
	if(p.aside)
		aside = std::make_unique<RichPara::Aside>(*p.aside);
}

RichTxt::Para::~Para() = default;

RichTxt::ParaOp::~ParaOp() = default;

RichTxt::RichTxt(const RichTxt& src)
:	length(src.length), table_count(src.table_count)
{
	part.Reserve(src.part.GetCount());
	summary.Reserve(src.part.GetCount());
	for(const Any& a : src.part) {
		Any& h = part.Add();
		if(a.Is<Para>())
			summary.Add(ParaSummary(h.Create<Para>(a.Get<Para>())));
		else {
			h.Create<RichTable>(a.Get<RichTable>());
			summary.Add(TableSummary());
		}
	}
}

RichTxt::RichTxt(RichTxt&& src) noexcept
{
	*this = std::move(src);
}

RichTxt& RichTxt::operator=(RichTxt&& src) noexcept
{
	if(this != &src) {
		part = std::move(src.part);
		summary = std::move(src.summary);
		src.part.Clear();
		src.summary.Clear();
		header_qtf = std::move(src.header_qtf);
		footer_qtf = std::move(src.footer_qtf);
		src.header_qtf.Clear();
		src.footer_qtf.Clear();
		header = std::move(src.header);
		footer = std::move(src.footer);
		length = src.length;
		table_count = src.table_count;
		src.length = src.table_count = 0;
		changed_from = src.changed_from = 0;
	}
	return *this;
}

RichTxt::~RichTxt() = default;

RichTxt::Summary RichTxt::ParaSummary(const Para& p)
{
	Summary s;
	s.length = p.length;
	return s;
}

RichTxt::Summary RichTxt::TableSummary()
{
	Summary s;
	s.table = true;
	return s;
}

bool RichTxt::IsPara(int i) const
{
	return i >= 0 && i < part.GetCount() && part[i].Is<Para>();
}

bool RichTxt::IsTable(int i) const
{
	return i >= 0 && i < part.GetCount() && part[i].Is<RichTable>();
}

const RichTable& RichTxt::GetTable(int i) const
{
	return part[i].Get<RichTable>();
}

RichPara RichTxt::Get(int i, const ArrayMap<Uuid, RichStyle>& s, bool use_cache) const
{
	RichPara p;
	if(!IsPara(i))
		return p;
	const Para& pp = part[i].Get<Para>();
	if(use_cache)
		p.cacheid = pp.update_serial;
	p.Unpack(pp.head, pp.content, pp.objects, pp.aside.get(), GetStyle(s, pp.style).format);
	p.format.styleid = pp.style;
	return p;
}

void RichTxt::Grow(int n)
{
	if(n <= part.GetCount())
		return;
	part.Reserve(n);
	summary.Reserve(n);
	while(part.GetCount() < n) {
		sMakeEmpty(part.Add().Create<Para>());
		summary.Add(Summary());
	}
}

void RichTxt::SetEmpty()
{
	part.Clear();
	summary.Clear();
	Grow(1);
	Invalidate();
}

bool RichTxt::IsSetEmpty() const
{
	if(part.GetCount() != 1 || !part[0].Is<Para>() || header || footer)
		return false;
	const Para& p = part[0].Get<Para>();
	return p.style.IsNull() && p.objects.IsEmpty() && !p.aside && p.head.IsEmpty() &&
	       p.content == sEmptyContent();
}

void RichTxt::SetPara(int i, const RichPara& p, const RichStyle& st)
{
	if(i < 0)
		return;
	Array<RichObject> objects;
	RichPara::Aside aside;
	String content = p.Pack(st.format, objects, &aside);
	SetPackedPara(i, String(), std::move(content), std::move(objects),
	              aside.IsEmpty() ? nullptr : std::make_unique<RichPara::Aside>(std::move(aside)), p.format,
	              sStoredLength(p));
}

void RichTxt::SetPackedPara(int i, String head, String content, Array<RichObject>&& objects,
                            std::unique_ptr<RichPara::Aside> aside, const RichPara::Format& f, int length)
{
	if(i < 0)
		return;
	int n = part.GetCount();
	// replacing a paragraph keeps the totals: a stale length would have every query after an
	// edit count the whole document again
	int64 was = i < n && part[i].Is<Para>() ? part[i].Get<Para>().length : -1;
	if(i == n) { // appending: no empty paragraph to make first
		part.Add().Create<Para>();
		summary.Add();
	}
	else {
		Grow(i + 1);
		if(!part[i].Is<Para>())
			part[i].Create<Para>();
	}
	Para& pp = part[i].Get<Para>();
	pp.number_format.reset(); // laid out again
	pp.objects = std::move(objects);
	pp.aside = std::move(aside);
	pp.head = std::move(head);
	pp.content = std::move(content);
	pp.update_serial = detail::NewParaUpdateSerial();
	pp.spell_valid = false;
	pp.spell_errors.Clear();
	pp.style = f.styleid;
	pp.length = length;
	summary[i] = ParaSummary(pp);
	// a caller outside the list could not, and a stale total would be wrong
	int64 total = was >= 0 && this->length >= 0 ? int64(this->length) - was + length : -1;
	if(total >= 0 && total <= INT_MAX) {
		changed_from = min(changed_from, i);
		this->length = int(total);
	}
	else
		Invalidate(min(i, n));
}

void RichTxt::SetTable(int i, RichTable& t)
{
	if(i < 0)
		return;
	t.Normalize();
	int n = part.GetCount();
	Grow(i);
	if(i == part.GetCount()) {
		part.Add();
		summary.Add();
	}
	part[i].Create<RichTable>(std::move(t));
	summary[i] = TableSummary();
	Invalidate(min(i, n));
}

int RichTxt::GetLength() const
{
	int known = length;
	if(known < 0) {
		int64 n = part.GetCount() ? part.GetCount() - 1 : 0;
		for(int i = 0; i < part.GetCount(); i++)
			n += summary[i].table ? part[i].Get<RichTable>().GetLength() : summary[i].length;
		length = known = int(n);
	}
	return known;
}

int RichTxt::GetTableCount() const
{
	int known = table_count;
	if(known < 0) {
		int n = 0;
		for(const Any& a : part)
			if(a.Is<RichTable>())
				n += 1 + a.Get<RichTable>().GetTableCount();
		table_count = known = n;
	}
	return known;
}

bool RichTxt::IsEmpty() const
{
	return part.GetCount() == 0 || (part.GetCount() == 1 && GetLength() == 0);
}

} // namespace Qel
