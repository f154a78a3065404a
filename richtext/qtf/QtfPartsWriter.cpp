// The QTF writer's part lists: paragraphs and tables one after another, and what neighbours
// share and is long (a label, tab stops, header or numbering texts) once in a block around them.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfWriter.h>

namespace Qel {

using namespace detail;

namespace detail {

struct StoredParas {
	static const RichTxt::Para* Get(const RichTxt& txt, int i)
	{
		return txt.IsPara(i) ? &txt.part[i].Get<RichTxt::Para>() : nullptr;
	}
	// Paragraphs are read one after another, each from blocks of its own: part i's holder and
	// the start of the content of part i - 1 (whose holder came earlier) are asked for ahead.
	static void Prefetch(const RichTxt& txt, int i)
	{
		if(i < txt.part.GetCount() && txt.IsPara(i))
			__builtin_prefetch(&txt.part[i].Get<RichTxt::Para>().content);
		if(i - 1 < txt.part.GetCount() && txt.IsPara(i - 1))
			__builtin_prefetch(txt.part[i - 1].Get<RichTxt::Para>().content.Begin());
	}
};

} // namespace detail


namespace {

const RichPara::Format& sPartsDefaultFormat()
{
	static const RichPara::Format f;
	return f;
}

// Whether stored paragraph pp stores any long field.
bool sHasLongFields(const RichTxt::Para& pp)
{
	return PackedParaCursor(pp.head, pp.content).HeadStoresLongFields();
}

// f: the format of stored paragraph pp against style, with its long fields; false, with f
// unset, when it stores none.
bool sLongFields(const RichTxt::Para& pp, const RichPara::Format& style, RichPara::Format& f)
{
	if(!sHasLongFields(pp))
		return false;
	f = style;
	PackedParaCursor(pp.head, pp.content).ReadHead(f); // what a damaged head holds is kept
	return true;
}

bool sSameLongFields(const RichPara::Format& a, const RichPara::Format& b)
{
	return a.label == b.label && a.tab == b.tab && a.newhdrftr == b.newhdrftr &&
	       a.header_qtf == b.header_qtf && a.footer_qtf == b.footer_qtf &&
	       a.before_number == b.before_number && a.after_number == b.after_number;
}

void sCopyLongFields(RichPara::Format& to, const RichPara::Format& from)
{
	to.label = from.label;
	to.tab = from.tab;
	to.newhdrftr = from.newhdrftr;
	to.header_qtf = from.header_qtf;
	to.footer_qtf = from.footer_qtf;
	to.before_number = from.before_number;
	to.after_number = from.after_number;
}

} // namespace

void QtfParts(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
              const Index<Uuid>& style_index, int language, int charset, int options)
{
	// Paragraphs of text in UTF-8 without line breaks are written from their packed form.
	bool packed = charset == CHARSET_UTF8 && !(options & QTF_OPT_LINE_BREAKS);
	bool with_styles = !(options & QTF_OPT_NO_STYLES);
	std::unique_ptr<PackedWriteScratch> scratch;
	// the style of the last paragraph, which the next mostly has too
	Uuid last_id;
	int last_q = 0;
	const RichPara::Format* last_base = nullptr;
	const RichPara::Format* last_style = nullptr;
	// Neighbours of one style that inherit the same label, tab stops, header or numbering
	// texts go in a block that sets the style and those once; each paragraph is written in it
	// against that.
	struct Group {
		RichPara::Format format;
		String           head; // the first one's head when kept apart: the same head, the same fields
		Uuid             id;
		RichPara::Format f, g; // scratch
	};
	std::unique_ptr<Group> gr; // made for the first paragraph with long fields: most lists have none
	int  group_serial = 0;
	bool in_group = false;
	for(int i = 0; i < txt.GetPartCount(); i++) {
		StoredParas::Prefetch(txt, i + 2);
		const RichTxt::Para* pp = StoredParas::Get(txt, i);
		Uuid id = pp ? pp->style : Uuid();
		if(pp && (!last_style || id != last_id)) {
			last_id = id;
			last_q = style_index.Find(id);
			// "s-1" reads as the style under the zero key
			last_base = options & QTF_OPT_NO_STYLES ? &sPartsDefaultFormat() : &GetStyle(styles, last_q >= 0 ? id : Uuid()).format;
			last_style = &GetStyle(styles, id).format;
		}
		bool stays = in_group && pp && id == gr->id &&
		             ((!gr->head.IsEmpty() && pp->head == gr->head) ||
		              (sLongFields(*pp, *last_style, gr->f) && sSameLongFields(gr->f, gr->format)));
		if(i) {
			out.Cat("&]");
			if(in_group && !stays) {
				out.Cat(']');
				in_group = false;
			}
			if(options & QTF_OPT_LINE_BREAKS)
				out.Cat("\r\n");
		}
		if(!in_group && pp && sHasLongFields(*pp)) {
			if(!gr)
				gr = std::make_unique<Group>();
			RichPara::Format& f = gr->f;
			const RichTxt::Para* next = StoredParas::Get(txt, i + 1);
			if(sLongFields(*pp, *last_style, f) && !sSameLongFields(f, *last_base) && next && next->style == id &&
			   ((!pp->head.IsEmpty() && next->head == pp->head) ||
			    (sLongFields(*next, *last_style, gr->g) && sSameLongFields(f, gr->g)))) {
				in_group = true;
				RichPara::Format& group = gr->format;
				group = *last_base;
				sCopyLongFields(group, f);
				gr->head = pp->head;
				gr->id = id;
				group_serial++;
				out.Cat('[');
				if(with_styles) {
					out.Cat('s');
					out << last_q;
					out.Cat(';');
				}
				QtfParaFormat(out, *last_base, group);
				out.Cat(' ');
			}
		}
		out.Cat('[');
		if(txt.IsTable(i)) {
			out.Cat(' ');
			WriteTable(out, txt.GetTable(i), styles, style_index, language, charset, options);
			continue;
		}
		const RichPara::Format* base = last_base;
		if(with_styles && !in_group) {
			out.Cat('s');
			out << last_q;
			out.Cat(';');
		}
		const RichPara::Format& parabase = in_group ? gr->format : *base;
		if(packed && pp && !scratch)
			scratch = std::make_unique<PackedWriteScratch>();
		if(!packed || !pp ||
		   !WritePackedParagraph(out, *pp, *last_style, *base, parabase, in_group ? group_serial : 0, language, *scratch))
			WriteParagraph(out, txt.Get(i, styles), parabase, *base, language, charset, options);
	}
	if(!txt.GetPartCount())
		out.Cat('[');
	out.Cat(']');
	if(in_group)
		out.Cat(']');
}


} // namespace Qel
