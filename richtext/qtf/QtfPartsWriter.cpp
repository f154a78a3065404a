// The QTF writer's part lists: paragraphs and tables one after another, and what neighbours
// share and is long once in a block around them. A link or an index entry: over the paragraphs
// whose runs mostly have it. A long label, tab stops, header or numbering texts: over the
// paragraphs that have it, each in a block of its own. Short ones: over a stretch of paragraphs
// of one style that all have the same. A text read gives a block's link or field to every
// paragraph within, those a nested block gives another one for a while included, so a block
// stays open over paragraphs that want another one (each says so in a few bytes) as long as its
// own is wanted again soon, and blocks nest as they come: a text written back stays in
// proportion to the one read, however its blocks were nested.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfWriter.h>

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Blocks open at once: a link or a field wanted deeper than this is written where it is used.
constexpr int PARTS_MAX_BLOCKS = 32;

// For how many parts a block stays worth keeping open until what it sets is wanted again: the
// paragraphs between restate what they want in a few bytes each, which add up to what opening
// the block again takes.
int sPartsReach(int cost)
{
	return max(1, cost / 4);
}

// Whether packed bytes hold a 2 or a 10: the codes that set an index entry and a link, or an
// operand that happens to be one.
bool sMayLink(const String& s)
{
	const char* p = s.Begin();
	const char* e = s.End();
#ifdef __SSE2__
	const __m128i c2 = _mm_set1_epi8(2);
	const __m128i c10 = _mm_set1_epi8(10);
	for(; e - p >= 16; p += 16) {
		__m128i x = _mm_loadu_si128((const __m128i*)p);
		if(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, c2), _mm_cmpeq_epi8(x, c10))))
			return true;
	}
#endif
	for(; p < e; p++)
		if(*p == 2 || *p == 10)
			return true;
	return false;
}

// The end of the run of packed text at p.
const char* sPackedTextEnd(const char* p, const char* e)
{
#ifdef __SSE2__
	const __m128i c31 = _mm_set1_epi8(31);
	const __m128i tab = _mm_set1_epi8(9);
	for(; e - p >= 16; p += 16) {
		__m128i x = _mm_loadu_si128((const __m128i*)p);
		__m128i low = _mm_cmpeq_epi8(_mm_subs_epu8(x, c31), _mm_setzero_si128()); // up to 31
		if(int m = _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(x, tab), low)))
			return p + __builtin_ctz(m);
	}
#endif
	while(p < e && IsPackedText(byte(*p)))
		p++;
	return p;
}

// A link (and index entry) no longer than three times the paragraph's text is written in the
// paragraph, as without blocks, whatever its neighbours want: that is what most links are.
bool sCheapLink(const String& link, const WString& index, const RichTxt::Para& pp)
{
	return link.GetLength() + int64(index.GetLength()) <= 3 * int64(pp.length);
}

// Whether every link of the paragraph is cheap, known without reading it: its content, with
// what it sets aside, holds each one. What else the content holds (the paragraph mark's format,
// which is not written when the paragraph has runs) may make it look dear, but the links found
// in it are cheap then all the same, so two paragraphs with the same runs want the same.
bool sCheapLinks(const RichTxt::Para& pp)
{
	int64 n = pp.content.GetLength();
	if(pp.aside) {
		for(const String& s : pp.aside->link)
			n += s.GetLength();
		for(const WString& s : pp.aside->index)
			n += s.GetLength();
	}
	return n <= 3 * int64(pp.length);
}

const RichPara::Format& sPartsDefaultFormat()
{
	static const RichPara::Format f;
	return f;
}

// What a block sets: a link with its index entry, or one long paragraph field (header and footer
// texts go together, as do the texts around a number). A paragraph block sets every long field
// of its first paragraph.
enum { DIM_LINK, DIM_LABEL, DIM_TABS, DIM_HEADER, DIM_NUMBER, DIMS };

// A long field set in no more bytes than this goes with the paragraphs that have it, in a block
// only around neighbours that share all their long fields: restating it costs about what a
// block does. A longer one is set in a block of its own kept open as links are.
constexpr int PARTS_CHEAP_FIELD = 16;

// Whether stored paragraph pp stores any long field.
bool sHasLongFields(const RichTxt::Para& pp)
{
	return PackedParaCursor(pp.head, pp.content, nullptr).HeadStoresLongFields();
}

// f: the format of stored paragraph pp against style, with its long fields.
void sReadLongFields(const RichTxt::Para& pp, const RichPara::Format& style, RichPara::Format& f)
{
	f = style;
	PackedParaCursor(pp.head, pp.content, nullptr).ReadHead(f); // what a damaged head holds is kept
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

void sCopyField(RichPara::Format& to, const RichPara::Format& from, int dim)
{
	switch(dim) {
	case DIM_LABEL:
		to.label = from.label;
		break;
	case DIM_TABS:
		to.tab = from.tab;
		break;
	case DIM_HEADER:
		to.newhdrftr = from.newhdrftr;
		to.header_qtf = from.header_qtf;
		to.footer_qtf = from.footer_qtf;
		break;
	default:
		to.before_number = from.before_number;
		to.after_number = from.after_number;
		break;
	}
}

// The bytes QtfParaFormat writes to set long field dim to what f has.
int sFieldCost(const RichPara::Format& f, int dim)
{
	RichPara::Format o = f;
	switch(dim) {
	case DIM_LABEL:
		o.label = f.label.IsEmpty() ? "x" : "";
		break;
	case DIM_TABS:
		if(f.tab.IsEmpty())
			o.tab.Add(RichPara::Tab());
		else
			o.tab.Clear();
		break;
	case DIM_HEADER:
		if(!f.newhdrftr)
			return 0; // no command turns a header off: it is not set in a block
		o.newhdrftr = false;
		break;
	default:
		o.before_number = f.before_number.IsEmpty() ? "x" : "";
		o.after_number = f.after_number.IsEmpty() ? "x" : "";
		break;
	}
	String s;
	QtfParaFormat(s, o, f);
	return s.GetLength();
}

// A link and the long fields as keys, one for each of DIMS.
struct PartsKeys {
	int k[DIMS];
};

// A block open around paragraphs.
struct PartsBlock {
	RichPara::Format format;         // in force within it
	int              gid = 0;        // its paragraphs' style as written ("s" index; 0 without styles)
	int              dim = -1;       // what it sets; -1: a paragraph block
	PartsKeys        keys;           // the link and long fields in force within it, for paragraphs of gid
	int              cost = 0;       // the bytes that open and close it
	int              at = 0;         // not a paragraph block: a part that wants what it sets, from where it opened on
	int              serial = 0;
	Uuid             id;             // a paragraph block: the style of its paragraphs
};

class PartsWriter {
public:
	PartsWriter(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
	            const Index<Uuid>& style_index, int language, int charset, int options,
	            const QtfOuterFormat* outer)
	:	out(out), txt(txt), styles(styles), style_index(style_index), language(language),
		charset(charset), options(options), outer(outer)
	{
		// Paragraphs of text in UTF-8 without line breaks are written from their packed form.
		packed = charset == CHARSET_UTF8 && !(options & QTF_OPT_LINE_BREAKS);
		with_styles = !(options & QTF_OPT_NO_STYLES);
	}

	void Write();

private:
	String&                          out;
	const RichTxt&                   txt;
	const ArrayMap<Uuid, RichStyle>& styles;
	const Index<Uuid>&               style_index;
	int                              language;
	int                              charset;
	int                              options;
	const QtfOuterFormat*            outer;
	bool                             packed;
	bool                             with_styles;
	std::unique_ptr<PackedWriteScratch> scratch;

	// The style of the paragraph at hand, which the next mostly has too: its index, the format
	// it is written against and the one it is stored against.
	struct Style {
		Uuid                    id;
		int                     q = 0;
		const RichPara::Format* base = nullptr;
		const RichPara::Format* style = nullptr;
	};
	Style st;

	void SetStyle(Style& s, const Uuid& id) const
	{
		if(!s.style || id != s.id)
			NewStyle(s, id);
	}
	void NewStyle(Style& s, const Uuid& id) const;
	void CatStyle(int q)
	{
		out.Cat('s');
		if(q >= 0 && q < 10)
			out.Cat('0' + q);
		else
			out << q;
		out.Cat(';');
	}
	int  Gid(const Style& s) const { return with_styles ? s.q : 0; }
	int  Gid() const               { return Gid(st); }
	// The format a paragraph of gid that sets its style is written against.
	const RichPara::Format& Base(int gid) const;

	// Keys: the style written and a link with its index entry, or the style written and the
	// value of a long field.
	struct KeyOf {
		using Relocatable = void; // its strings and pointer move as bytes
		int     gid;
		int     dim;
		int     cost; // the bytes of a block that sets it
		String  link;
		WString index;
		const RichPara::Format* value = nullptr; // a long field: a format that has it, own or
		std::unique_ptr<RichPara::Format> own;   // the default one for an empty field
	};
	VectorMap<String, int> keys;       // of keys with a link or an index entry
	VectorMap<String, int> field_keys; // of keys of long fields
	int                    no_field[DIMS] = {-1, -1, -1, -1, -1}; // the key of an empty field, most styles'
	String                 field_key;  // scratch for one
	Vector<KeyOf>          key;
	VectorMap<int, int>    no_link; // gid: its key without link and index entry, most paragraphs'
	int  Key(int gid, const String& link, const WString& index);
	int  NewKey(int gid, const String& link, const WString& index);
	int  FieldKey(int gid, int dim, const RichPara::Format& f);
	void FieldKeys(int gid, const RichPara::Format& f, PartsKeys& k);
	// A link, or a long field so long that it is set in a block of its own.
	bool Chained(int k) const { return key[k].dim == DIM_LINK || key[k].cost > PARTS_CHEAP_FIELD + 6; }
	// The last key asked for, and the last tallied: the paragraphs a block sets a long link
	// around ask for the same one again and again, and their shared copies compare at once.
	struct LastKey {
		int     gid = INT_MIN;
		int     key = -1;
		String  link;
		WString index;
		String  text; // tallied: its LinkKey (key 0 once there is one)
	};
	LastKey last_key, tally_key;
	PartsKeys outer_keys;
	const RichPara::Format* plain_of = nullptr; // the style PlainKey was found for
	int  plain_gid = 0;
	int  plain_key = -1;
	int  PlainKey(const Style& s, int gid)
	{
		return plain_of == s.style && plain_gid == gid ? plain_key : NewPlainKey(s, gid);
	}
	int  NewPlainKey(const Style& s, int gid);
	// The long fields of paragraphs that store none: their style's, as a paragraph wants them.
	const RichPara::Format* plain_fields_of = nullptr;
	int        plain_fields_gid = 0;
	struct Wanted;
	void PlainFields(const Style& s, int gid, Wanted& w);
	void NewPlainFields(const Style& s, int gid);
	void LongFields(const RichTxt::Para& pp, const Style& s, int gid, Wanted& w);
	void SetFields(const PartsKeys& k, int gid, Wanted& w);
	// The long fields of the last head stored apart that was read: the paragraphs a block
	// sets long fields around share one.
	struct LastHead {
		String                  head;
		const RichPara::Format* style = nullptr;
		int                     gid = 0;
		PartsKeys               keys;
	};
	LastHead last_head;
	Vector<PartsKeys> base_keys; // gid + 1: the keys of Base(gid), or -1 for a link not known yet
	int       last_base_gid = INT_MIN;
	PartsKeys last_base;
	const PartsKeys& BaseKeys(int gid) { return gid == last_base_gid ? last_base : NewBaseKeys(gid); }
	const PartsKeys& NewBaseKeys(int gid);

	// The link and long fields each part wants and the next part that wants the same. A table
	// wants what most paragraphs of its cells do: they are written within the blocks around it.
	// Parts are read for that as far ahead as is asked for, mostly just before they are written.
	struct Wanted {
		int  key[DIMS] = {-1, -1, -1, -1, -1};                          // -1: nothing
		int  next[DIMS] = {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}; // INT_MAX: none before the frontier
		bool fields = false;    // a long field its style as written has not
		bool no_header = false; // a paragraph without a header of its own
		bool chained = false;   // a long field in a block of its own
	};
	Vector<Wanted> want;  // up to the frontier, reserved for all parts: what it holds stays in place
	Wanted      plain_fields; // of the style plain_fields_of
	Vector<int> last_seen; // key: the last part before the frontier that wants it, or -1
	int         frontier = 0;
	Style       ahead;     // the style of the part at the frontier
	// What paragraph i of t (pp, of style s) wants.
	QEL_FORCE_INLINE void ParaWants(const RichTxt& t, int i, const RichTxt::Para& pp, const Style& s, Wanted& w)
	{
		int gid = Gid(s);
		w.key[DIM_LINK] = sCheapLinks(pp) ? PlainKey(s, gid) : WantedKey(t, i, pp, s);
		if(sHasLongFields(pp))
			LongFields(pp, s, gid, w);
		else
			PlainFields(s, gid, w);
	}
	void TableWants(const RichTable& tab, Wanted& w);
	void Advance(const RichTxt::Para* pp);
	const Wanted& Want(int i, const RichTxt::Para* pp = nullptr);
	int  NextOf(int i, int dim, int limit);
	int  Limit(int i, int cost) const;
	int  WantedKey(const RichTxt& t, int i, const RichTxt::Para& pp, const Style& s);
	VectorMap<String, int> tally; // LinkKey: stretches of runs
	Vector<String>         tally_link;
	Vector<WString>        tally_index;
	std::unique_ptr<RichPara::Format> head_scratch; // made for the first paragraph looked into
	void Tally(const RichPara::CharFormat& f);

	// The blocks open.
	Array<PartsBlock> stack;
	int               serial = 0;
	struct ParaScratch {
		RichPara::Format f, g;
	};
	std::unique_ptr<ParaScratch> pr; // made for the first paragraph block: most lists have none

	bool Soon(PartsBlock& b, int i);
	int  ParaBlock() const;
	static bool SameFields(const Wanted& w, const PartsKeys& k);
	static bool SameFields(const Wanted& a, const Wanted& b);
	// The format a paragraph of gid (without a header of its own: no_header) is written
	// against with the first k blocks open; null when it sets its style, which a paragraph
	// without a header does where one is in force, as nothing else turns it off.
	const RichPara::Format* StateFormat(int k, int gid, bool no_header) const
	{
		const RichPara::Format* f;
		if(k)
			f = stack[k - 1].gid == gid ? &stack[k - 1].format : nullptr;
		else
			f = outer && outer->gid == gid ? outer->format : nullptr;
		return f && no_header && f->newhdrftr ? nullptr : f;
	}
	PartsKeys StateKeys(int k, int gid, bool no_header);
	void LineBreak() { if(options & QTF_OPT_LINE_BREAKS) out.Cat("\r\n"); }
	void Close(int keep);
	const RichPara::Format& Open(int gid, bool no_header, PartsKeys& keys);
	void Push(int i, int dim, int key, bool no_header);
	void PushPara(int gid, const RichPara::Format& fields, const Uuid& id, const Wanted& w, bool no_header);
	void Place(int i, const RichTxt::Para* pp);
	void Paragraph(int i, const RichTxt::Para& pp);
};

QEL_FORCE_INLINE void PartsWriter::PlainFields(const Style& s, int gid, Wanted& w)
{
	if(plain_fields_of != s.style || plain_fields_gid != gid)
		NewPlainFields(s, gid);
	for(int d = DIM_LABEL; d < DIMS; d++)
		w.key[d] = plain_fields.key[d];
	w.fields = plain_fields.fields;
	w.no_header = plain_fields.no_header;
	w.chained = plain_fields.chained;
}

void PartsWriter::NewStyle(Style& s, const Uuid& id) const
{
	if(&s != &ahead && ahead.style && id == ahead.id) { // found for the part when read ahead
		s = ahead;
		return;
	}
	s.id = id;
	s.q = style_index.Find(id);
	s.base = &Base(Gid(s));
	s.style = &GetStyle(styles, id).format;
}

const RichPara::Format& PartsWriter::Base(int gid) const
{
	if(!with_styles)
		return sPartsDefaultFormat();
	// "s-1" reads as the style under the zero key
	return GetStyle(styles, gid >= 0 && gid < style_index.GetCount() ? style_index[gid] : Uuid()).format;
}

int PartsWriter::Key(int gid, const String& link, const WString& index)
{
	if(gid == last_key.gid && link == last_key.link && index == last_key.index)
		return last_key.key;
	int k = NewKey(gid, link, index);
	last_key = { gid, k, link, index, String() };
	return k;
}

int PartsWriter::NewKey(int gid, const String& link, const WString& index)
{
	String s;
	if(link.IsEmpty() && index.IsEmpty()) {
		int q = no_link.Find(gid);
		if(q >= 0)
			return no_link[q];
		no_link.Add(gid, key.GetCount());
	}
	else {
		String k;
		int n = link.GetLength();
		k.Cat((const char*)&gid, sizeof(gid));
		k.Cat((const char*)&n, sizeof(n));
		k.Cat(link);
		k.Cat(ToUtf8(index));
		int q = keys.Find(k);
		if(q >= 0)
			return keys[q];
		keys.Add(k, key.GetCount());
		RichPara::CharFormat a, b;
		b.link = link;
		b.indexentry = index;
		QtfCharFormat(s, a, b);
	}
	KeyOf& l = key.Add();
	l.gid = gid;
	l.dim = DIM_LINK;
	l.cost = s.GetLength() + 6; // and "[", "^^", " ", "]"
	l.link = link;
	l.index = index;
	return key.GetCount() - 1;
}

int PartsWriter::FieldKey(int gid, int dim, const RichPara::Format& f)
{
	bool empty = dim == DIM_LABEL    ? f.label.IsEmpty()
	           : dim == DIM_TABS     ? f.tab.IsEmpty()
	           : dim == DIM_HEADER   ? !f.newhdrftr && f.header_qtf.IsEmpty() && f.footer_qtf.IsEmpty()
	           : f.before_number.IsEmpty() && f.after_number.IsEmpty();
	if(empty) { // never set in a block of its own: the style written matters not
		if(no_field[dim] >= 0)
			return no_field[dim];
		static const struct EmptyCost {
			int cost[DIMS];
			EmptyCost()
			{
				for(int d = DIM_LABEL; d < DIMS; d++)
					cost[d] = sFieldCost(sPartsDefaultFormat(), d) + 6;
			}
		} empty_cost;
		no_field[dim] = key.GetCount();
		KeyOf& l = key.Add();
		l.gid = INT_MIN;
		l.dim = dim;
		l.value = &sPartsDefaultFormat();
		l.cost = empty_cost.cost[dim];
		return key.GetCount() - 1;
	}
	String& k = field_key;
	k.Clear();
	k.Cat((const char*)&gid, sizeof(gid));
	k.Cat(dim);
	auto text = [&](const String& s) {
		int n = s.GetLength();
		k.Cat((const char*)&n, sizeof(n));
		k.Cat(s);
	};
	switch(dim) {
	case DIM_LABEL:
		k.Cat(f.label);
		break;
	case DIM_TABS:
		for(const RichPara::Tab& t : f.tab) {
			k.Cat((const char*)&t.pos, sizeof(t.pos));
			k.Cat(t.align);
			k.Cat(t.fillchar);
		}
		break;
	case DIM_HEADER:
		k.Cat(f.newhdrftr);
		text(f.header_qtf);
		k.Cat(f.footer_qtf);
		break;
	default:
		text(f.before_number);
		k.Cat(f.after_number);
		break;
	}
	int q = field_keys.Find(k);
	if(q >= 0)
		return field_keys[q];
	field_keys.Add(k, key.GetCount());
	KeyOf& l = key.Add();
	l.gid = gid;
	l.dim = dim;
	l.own = std::make_unique<RichPara::Format>();
	l.value = l.own.get();
	sCopyField(*l.own, f, dim);
	l.cost = sFieldCost(*l.value, dim) + 6; // and "[", " ", "]" and a style
	return key.GetCount() - 1;
}

void PartsWriter::FieldKeys(int gid, const RichPara::Format& f, PartsKeys& k)
{
	for(int d = DIM_LABEL; d < DIMS; d++)
		k.k[d] = FieldKey(gid, d, f);
}

int PartsWriter::NewPlainKey(const Style& s, int gid)
{
	plain_of = s.style;
	plain_gid = gid;
	plain_key = Key(gid, s.style->link, s.style->indexentry);
	return plain_key;
}

const PartsKeys& PartsWriter::NewBaseKeys(int gid)
{
	int q = gid + 1; // a style's index or -1, 0 without styles
	if(q >= base_keys.GetCount())
		base_keys.SetCount(q + 1, PartsKeys{{-1}});
	PartsKeys& k = base_keys[q];
	if(k.k[DIM_LINK] < 0) {
		const RichPara::Format& f = Base(gid);
		k.k[DIM_LINK] = Key(gid, f.link, f.indexentry);
		FieldKeys(gid, f, k);
	}
	last_base_gid = gid;
	last_base = k;
	return last_base;
}

void PartsWriter::Tally(const RichPara::CharFormat& f)
{
	if(tally_key.key < 0 || f.link != tally_key.link || f.indexentry != tally_key.index)
		tally_key = { 0, 0, f.link, f.indexentry, LinkKey(f) };
	const String& key = tally_key.text;
	int q = tally.Find(key);
	if(q >= 0)
		tally[q]++;
	else {
		tally.Add(key, 1);
		tally_link.Add(f.link);
		tally_index.Add(f.indexentry);
	}
}
// The link and index entry most of paragraph i of t's stretches of runs have, weighed as the
// paragraph writer weighs them; a paragraph without runs wants its own. s is its style.
int PartsWriter::WantedKey(const RichTxt& t, int i, const RichTxt::Para& pp, const Style& s)
{
	int gid = Gid(s);
	// no code that sets a link or an index entry: the runs have the style's
	if(sCheapLinks(pp) || !sMayLink(pp.content))
		return PlainKey(s, gid);
	tally.Clear();
	tally_link.Clear();
	tally_index.Clear();
	PackedParaCursor in(pp.head, pp.content, pp.aside.get());
	if(!head_scratch)
		head_scratch = std::make_unique<RichPara::Format>();
	bool ok = in.ReadHead(*head_scratch); // read to be passed by
	RichPara::CharFormat cf = *s.style;
	RichPara::CharFormat last;
	bool runs = false;
	while(ok) {
		PackedParaCursor::Item item = in.Peek();
		if(item == PackedParaCursor::END)
			break;
		if(item == PackedParaCursor::TEXT) {
			if(!runs || !SameLink(cf, last)) {
				Tally(cf);
				last = cf;
			}
			runs = true;
			in.EndText(sPackedTextEnd(in.TextBegin(), in.Limit()));
		}
		else if(item == PackedParaCursor::CODES) {
			PackedCodes k;
			ok = in.ReadCodes(cf, *s.style, k);
		}
		else
			ok = false; // a field or an object: the cursor goes no further
	}
	if(!ok) {
		tally.Clear();
		tally_link.Clear();
		tally_index.Clear();
		RichPara p = t.Get(i, styles);
		for(int k = 0; k < p.part.GetCount(); k++)
			if(k == 0 || !SameLink(p.part[k].format, p.part[k - 1].format))
				Tally(p.part[k].format);
		if(p.part.IsEmpty())
			Tally(p.format);
	}
	else if(!runs)
		Tally(cf);
	int   best = 0;
	int64 weight = -1;
	for(int k = 0; k < tally.GetCount(); k++) {
		int64 w = int64(tally[k]) * tally.GetKey(k).GetLength();
		if(w > weight) {
			weight = w;
			best = k;
		}
	}
	if(sCheapLink(tally_link[best], tally_index[best], pp))
		return PlainKey(s, gid);
	return Key(gid, tally_link[best], tally_index[best]);
}


// The long fields of paragraph pp of style s, which stores some, in w.
void PartsWriter::LongFields(const RichTxt::Para& pp, const Style& s, int gid, Wanted& w)
{
	if(pp.head.IsEmpty() || pp.head != last_head.head || s.style != last_head.style || gid != last_head.gid) {
		if(!head_scratch)
			head_scratch = std::make_unique<RichPara::Format>();
		sReadLongFields(pp, *s.style, *head_scratch);
		FieldKeys(gid, *head_scratch, last_head.keys);
		last_head.head = pp.head;
		last_head.style = s.style;
		last_head.gid = gid;
	}
	SetFields(last_head.keys, gid, w);
}

// The long fields of keys k of paragraphs of gid in w.
void PartsWriter::SetFields(const PartsKeys& k, int gid, Wanted& w)
{
	const PartsKeys& base = BaseKeys(gid);
	w.fields = false;
	w.chained = false;
	for(int d = DIM_LABEL; d < DIMS; d++) {
		w.key[d] = k.k[d];
		w.fields |= w.key[d] != base.k[d];
		w.chained |= Chained(w.key[d]);
	}
	w.no_header = !key[w.key[DIM_HEADER]].value->newhdrftr;
}

void PartsWriter::NewPlainFields(const Style& s, int gid)
{
	PartsKeys k;
	FieldKeys(gid, *s.style, k);
	SetFields(k, gid, plain_fields);
	plain_fields_of = s.style;
	plain_fields_gid = gid;
}

// What most paragraphs of a table's cells want, weighed by the bytes restating it takes: the
// link, and each long field long enough for a block of its own.
void PartsWriter::TableWants(const RichTable& tab, Wanted& w)
{
	VectorMap<int, int64> weight;
	Style cs;
	Wanted c;
	for(const Array<RichCell>& row : tab.cell)
		for(const RichCell& cell : row)
			for(int i = 0; i < cell.text.GetPartCount(); i++)
				if(const RichTxt::Para* pp = StoredParas::Get(cell.text, i)) {
					SetStyle(cs, pp->style);
					ParaWants(cell.text, i, *pp, cs, c);
					for(int d = 0; d < DIMS; d++)
						if(d == DIM_LINK || Chained(c.key[d]))
							weight.GetAdd(c.key[d], 0) += key[c.key[d]].cost;
				}
	int64 best[DIMS] = {};
	for(int k = 0; k < weight.GetCount(); k++) {
		int d = key[weight.GetKey(k)].dim;
		if(w.key[d] < 0 || weight[k] > best[d]) {
			w.key[d] = weight.GetKey(k);
			best[d] = weight[k];
		}
	}
	for(int d = DIM_LABEL; d < DIMS; d++)
		w.fields |= w.key[d] >= 0;
	w.chained = w.fields;
}

// The part at the frontier read: pp when it is known to be that paragraph.
void PartsWriter::Advance(const RichTxt::Para* pp)
{
	int i = frontier++;
	if(!pp)
		pp = StoredParas::Get(txt, i);
	Wanted& w = want.Add();
	if(pp) {
		SetStyle(ahead, pp->style);
		ParaWants(txt, i, *pp, ahead, w);
	}
	else
		TableWants(txt.GetTable(i), w);
	for(int d = 0; d < (w.chained ? DIMS : 1); d++) {
		int k = w.key[d];
		if(k < 0 || (d != DIM_LINK && !Chained(k)))
			continue;
		if(k >= last_seen.GetCount())
			last_seen.SetCount(key.GetCount(), -1);
		if(last_seen[k] >= 0)
			want[last_seen[k]].next[d] = i;
		last_seen[k] = i;
	}
}

// What part i (paragraph pp, when known) wants.
const PartsWriter::Wanted& PartsWriter::Want(int i, const RichTxt::Para* pp)
{
	if(frontier == i)
		Advance(pp);
	while(frontier <= i)
		Advance(nullptr);
	return want[i];
}

// The next part after part i that wants what it does for dim, when it comes by limit (or was
// seen already); else INT_MAX.
int PartsWriter::NextOf(int i, int dim, int limit)
{
	while(want[i].next[dim] == INT_MAX && frontier <= limit && frontier < txt.GetPartCount())
		Advance(nullptr);
	return want[i].next[dim];
}

// The last part a block of cost opened at part i is worth keeping open for.
int PartsWriter::Limit(int i, int cost) const
{
	return int(min<int64>(txt.GetPartCount(), int64(i) + sPartsReach(cost)));
}

// Whether block b, not a paragraph block, is wanted again soon after part i.
bool PartsWriter::Soon(PartsBlock& b, int i)
{
	int limit = Limit(i, b.cost);
	while(b.at <= i) {
		int j = NextOf(b.at, b.dim, limit);
		if(j == INT_MAX)
			return false;
		b.at = j;
	}
	return b.at <= limit;
}

int PartsWriter::ParaBlock() const
{
	for(int k = stack.GetCount() - 1; k >= 0; k--)
		if(stack[k].dim < 0)
			return k;
	return -1;
}

bool PartsWriter::SameFields(const Wanted& w, const PartsKeys& k)
{
	for(int d = DIM_LABEL; d < DIMS; d++)
		if(w.key[d] != k.k[d])
			return false;
	return true;
}

bool PartsWriter::SameFields(const Wanted& a, const Wanted& b)
{
	for(int d = DIM_LABEL; d < DIMS; d++)
		if(a.key[d] != b.key[d])
			return false;
	return true;
}

// The link and long fields a paragraph of gid has when written with the first k blocks open.
PartsKeys PartsWriter::StateKeys(int k, int gid, bool no_header)
{
	const RichPara::Format* f = StateFormat(k, gid, no_header);
	if(!f)
		return BaseKeys(gid);
	return k ? stack[k - 1].keys : outer_keys;
}

void PartsWriter::Close(int keep)
{
	while(stack.GetCount() > keep) {
		out.Cat(']');
		stack.Drop();
	}
}

// "[" and what a new block of gid starts from: the one in force, or the style it sets.
const RichPara::Format& PartsWriter::Open(int gid, bool no_header, PartsKeys& keys)
{
	out.Cat('[');
	keys = StateKeys(stack.GetCount(), gid, no_header);
	if(const RichPara::Format* f = StateFormat(stack.GetCount(), gid, no_header))
		return *f;
	if(with_styles)
		CatStyle(gid);
	return Base(gid);
}

// A block that sets what key k is for part i.
void PartsWriter::Push(int i, int dim, int k, bool no_header)
{
	int at = out.GetLength();
	int gid = key[k].gid;
	PartsKeys keys;
	const RichPara::Format& below = Open(gid, no_header, keys);
	PartsBlock& b = stack.Add();
	b.format = below;
	if(dim == DIM_LINK) {
		b.format.link = key[k].link;
		b.format.indexentry = key[k].index;
		QtfCharFormat(out, below, b.format);
	}
	else {
		sCopyField(b.format, *key[k].value, dim);
		QtfParaFormat(out, below, b.format);
	}
	out.Cat(' ');
	b.cost = out.GetLength() - at + 1;
	b.gid = gid;
	b.dim = dim;
	b.keys = keys;
	b.keys.k[dim] = k;
	b.at = i;
	b.serial = ++serial;
	if(scratch) // what was kept against a block gone before is not this one's
		ForgetPackedBase(*scratch, b.format);
}

void PartsWriter::PushPara(int gid, const RichPara::Format& fields, const Uuid& id, const Wanted& w, bool no_header)
{
	int at = out.GetLength();
	PartsKeys keys;
	const RichPara::Format& below = Open(gid, no_header, keys);
	PartsBlock& b = stack.Add();
	b.format = below;
	sCopyLongFields(b.format, fields);
	QtfParaFormat(out, below, b.format);
	out.Cat(' ');
	b.cost = out.GetLength() - at + 1;
	b.gid = gid;
	b.keys = keys;
	for(int d = DIM_LABEL; d < DIMS; d++)
		b.keys.k[d] = w.key[d];
	b.serial = ++serial;
	b.id = id;
	if(scratch)
		ForgetPackedBase(*scratch, b.format);
}

// The blocks around part i closed and opened: for a paragraph pp (with its style in st) or a
// table (null). Then the line break before the part.
void PartsWriter::Place(int i, const RichTxt::Para* pp)
{
	const Wanted& wi = Want(i, pp);
	int wl = wi.key[DIM_LINK];
	int gid = pp ? Gid() : wl >= 0 ? key[wl].gid : 0;
	if(!pp && wl < 0)
		for(int d = DIM_LABEL; d < DIMS; d++)
			if(wi.key[d] >= 0) {
				gid = key[wi.key[d]].gid;
				break;
			}
	if(stack.IsEmpty() && !outer && (wl < 0 || wl == BaseKeys(gid).k[DIM_LINK]) && !wi.fields) {
		if(i) // mostly: no block before, none to open
			LineBreak();
		return;
	}
	bool no_header = wi.no_header;
	int keep = stack.GetCount();
	// A paragraph block holds while its paragraphs share what it sets.
	int pb = ParaBlock();
	if(pb >= 0 && !(pp && pp->style == stack[pb].id && SameFields(wi, stack[pb].keys)))
		keep = pb;
	// Without styles nothing turns a header off: no block with one stays around a part without
	// it (a table's cells may be such parts).
	if(!with_styles && (no_header || !pp))
		for(int k = 0; k < keep; k++)
			if(stack[k].format.newhdrftr) {
				keep = k;
				break;
			}
	if(pb >= keep)
		pb = -1;
	// Blocks on top that are not wanted soon go.
	while(keep > 0 && stack[keep - 1].dim >= 0 && stack[keep - 1].keys.k[stack[keep - 1].dim] != wi.key[stack[keep - 1].dim] &&
	      !Soon(stack[keep - 1], i))
		keep--;
	// Of what is wanted and not in force, a block below that sets it holds when those above it
	// cost less than it: a link always, a long field when long enough for a block of its own.
	bool repush = false; // the paragraph block goes and comes again on top
	for(int d = 0; d < DIMS; d++) {
		int w = wi.key[d];
		if(w < 0 || key[w].gid != gid || (d != DIM_LINK && !Chained(w)) || StateKeys(keep, gid, no_header).k[d] == w)
			continue;
		for(int k = keep - 1; k >= 0; k--)
			if(StateKeys(k, gid, no_header).k[d] == w) {
				int64 c = 0;
				for(int m = k; m < keep; m++)
					if(stack[m].dim < 0 || Soon(stack[m], i))
						c += stack[m].cost;
				if(c <= key[w].cost) {
					repush = repush || pb >= k;
					keep = k;
				}
				break;
			}
	}
	// New blocks for what is still not in force and is wanted again soon.
	int push[DIMS];
	int pushes = 0;
	int push_cost = 0;
	PartsKeys in_force = StateKeys(keep, gid, no_header);
	for(int d = 0; d < DIMS; d++) {
		int w = wi.key[d];
		if(w < 0 || key[w].gid != gid || (d != DIM_LINK && !Chained(w)) || in_force.k[d] == w ||
		   keep + pushes + 2 > PARTS_MAX_BLOCKS)
			continue;
		int limit = Limit(i, key[w].cost);
		if(NextOf(i, d, limit) <= limit) {
			push[pushes++] = d;
			push_cost = max(push_cost, key[w].cost);
		}
	}
	if(pushes && !repush && pb >= 0 && pb == keep - 1 && stack[pb].cost <= push_cost) {
		repush = true; // the paragraph block costs less to write again than what goes below it
		keep = pb;
	}
	const RichPara::Format* fields = nullptr; // of a paragraph block to open
	if(repush) {
		if(!pr)
			pr = std::make_unique<ParaScratch>();
		pr->g = stack[pb].format;
		fields = &pr->g;
	}
	Close(keep);
	if(i)
		LineBreak();
	for(int k = 0; k < pushes; k++)
		Push(i, push[k], wi.key[push[k]], no_header);
	if(fields)
		PushPara(gid, *fields, pp->style, wi, no_header);
	else if(pp && pb < 0 && sHasLongFields(*pp)) {
		// Neighbours of one style that share their label, tab stops, header and numbering texts,
		// where those are not in force already, go in a block that sets them once; each
		// paragraph is written in it against that.
		in_force = StateKeys(stack.GetCount(), gid, no_header);
		const RichTxt::Para* nx = StoredParas::Get(txt, i + 1);
		if(!SameFields(wi, in_force) && nx && nx->style == pp->style && SameFields(wi, Want(i + 1, nx))) {
			if(!pr)
				pr = std::make_unique<ParaScratch>();
			sReadLongFields(*pp, *st.style, pr->f);
			PushPara(gid, pr->f, pp->style, wi, no_header);
		}
	}
}

void PartsWriter::Paragraph(int i, const RichTxt::Para& pp)
{
	Place(i, &pp);
	out.Cat('[');
	int gid = Gid();
	const RichPara::Format* f = StateFormat(stack.GetCount(), gid, want[i].no_header);
	int group = f && stack.GetCount() ? stack.Top().serial : 0;
	if(!f) {
		if(with_styles)
			CatStyle(st.q);
		f = st.base;
	}
	if(packed && !scratch)
		scratch = std::make_unique<PackedWriteScratch>();
	if(!packed || !WritePackedParagraph(out, pp, *st.style, *f, *f, group, language, *scratch))
		WriteParagraph(out, txt.Get(i, styles), *f, *f, language, charset, options);
}

void PartsWriter::Write()
{
	int n = txt.GetPartCount();
	want.Reserve(n);
	key.Reserve(8); // the links and fields of styles and the text without them
	if(outer) {
		outer_keys.k[DIM_LINK] = Key(outer->gid, outer->format->link, outer->format->indexentry);
		FieldKeys(outer->gid, *outer->format, outer_keys);
	}
	for(int i = 0; i < n; i++) {
		StoredParas::Prefetch(txt, i + 2);
		if(i)
			out.Cat("&]");
		if(const RichTxt::Para* pp = StoredParas::Get(txt, i)) {
			SetStyle(st, pp->style);
			Paragraph(i, *pp);
			continue;
		}
		// A table ends a paragraph block; its cells are written within the other blocks kept.
		Place(i, nullptr);
		out.Cat("[ ");
		if(stack.GetCount()) {
			QtfOuterFormat in = { &stack.Top().format, stack.Top().gid };
			WriteTable(out, txt.GetTable(i), styles, style_index, language, charset, options, &in);
		}
		else
			WriteTable(out, txt.GetTable(i), styles, style_index, language, charset, options, outer);
	}
	if(!txt.GetPartCount())
		out.Cat('[');
	out.Cat(']');
	Close(0);
}

} // namespace

void detail::WriteParts(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
                        const Index<Uuid>& style_index, int language, int charset, int options,
                        const QtfOuterFormat* outer)
{
	PartsWriter(out, txt, styles, style_index, language, charset, options, outer).Write();
}

void QtfParts(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
              const Index<Uuid>& style_index, int language, int charset, int options)
{
	WriteParts(out, txt, styles, style_index, language, charset, options, nullptr);
}

} // namespace Qel
