// The document: the part list with its styles, and the paragraph update serials.
#include <richtext/document/RichTable.h>
#include <richtext/base/detail/UpdateSerial.h>
#include <richtext/layout/detail/PageMarks.h>

#include <atomic>

namespace Qel {

int64 detail::NewParaUpdateSerial()
{
	// a serial only names a layout in the caches, so it must be unique and nothing more
	static std::atomic<int64> serial{0};
	return serial.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool RichText::StyleChangeOp::operator()(Para& p)
{
	if(p.style != old_id)
		return false;
	p.style = new_id;
	p.update_serial = detail::NewParaUpdateSerial(); // Update lays it out again
	return true;
}

const ArrayMap<Uuid, RichStyle>& RichText::DefaultStyles()
{
	static const ArrayMap<Uuid, RichStyle> s = [] {
		ArrayMap<Uuid, RichStyle> m;
		m.Add(Uuid()).name = "Default";
		return m;
	}();
	return s;
}

ArrayMap<Uuid, RichStyle>& RichText::OwnStyles()
{
	if(default_styles) {
		style = DefaultStyles();
		default_styles = false;
	}
	return style;
}

RichText::RichText() = default;

RichText::RichText(const RichText& src)
:	RichText(src, Mutex::Lock(src.mutex))
{
}

// The source's queries update the caches of its parts, and painting its header or footer
// replaces their paragraphs: it is read under its lock. The header and footer copies take
// theirs inside it, in the order painting takes them.
RichText::RichText(const RichText& src, const Mutex::Lock&)
:	RichTxt(src), style(src.style), default_styles(src.default_styles)
{
	header_qtf = src.header_qtf;
	footer_qtf = src.footer_qtf;
	header = src.header;
	footer = src.footer;
}

RichText& RichText::operator=(const RichText& src)
{
	if(this != &src) {
		RichText t(src); // src's lock is given back before the move takes this one's
		*this = std::move(t);
	}
	return *this;
}

RichText::RichText(RichText&& src) noexcept
:	RichText(std::move(src), Mutex::Lock(src.mutex))
{
}

// Other threads may be querying the source: it is emptied under its lock. What its walks
// remembered is of parts it no longer has.
RichText::RichText(RichText&& src, const Mutex::Lock&) noexcept
:	RichTxt(std::move(src)), style(std::move(src.style)), default_styles(src.default_styles)
{
	src.style.Clear();
	src.default_styles = false;
	src.marks.reset();
}

RichText& RichText::operator=(RichText&& src) noexcept
{
	if(this != &src) {
		// One lock at a time, so two documents assigned to each other cannot deadlock: the
		// content leaves the source under its lock, then comes in under this one's.
		RichText t(std::move(src));
		Mutex::Lock lock(mutex);
		RichTxt::operator=(std::move(t));
		style = std::move(t.style);
		default_styles = t.default_styles;
		marks.reset(); // of the parts this had
	}
	return *this;
}

RichText::~RichText() = default;

int RichText::GetLength() const
{
	Mutex::Lock lock(mutex);
	return RichTxt::GetLength();
}

int RichText::GetTableCount() const
{
	Mutex::Lock lock(mutex);
	return RichTxt::GetTableCount();
}

bool RichText::IsEmpty() const
{
	Mutex::Lock lock(mutex);
	return RichTxt::IsEmpty();
}

WString RichText::GetPlainText(bool withcr, bool allow_tabs) const
{
	Mutex::Lock lock(mutex);
	return RichTxt::GetPlainText(withcr, allow_tabs);
}

RichPara RichText::Get(int i, const ArrayMap<Uuid, RichStyle>& s, bool use_cache) const
{
	Mutex::Lock lock(mutex);
	return RichTxt::Get(i, s, use_cache);
}

void RichText::Cat(const RichPara& p)
{
	SetPara(GetPartCount(), p, GetStyle(GetStyles(), p.format.styleid));
}

void RichText::SetStyle(const Uuid& id, const RichStyle& st)
{
	Invalidate();
	RichStyle& s = OwnStyles().GetAdd(id);
	if(&s != &st) {
		s.format = st.format;
		s.name = st.name;
		s.next = st.next;
	}
	s.format.styleid = id;
	s.format.language = 0;
	s.format.newpage = false;
	StyleChangeOp op(id, id);
	Update(op);
}

} // namespace Qel
