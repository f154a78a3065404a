// The QTF writer's part lists: paragraphs and tables one after another, and what neighbours
// share and is long once in a block around them. Label, tab stops, header or numbering texts:
// over a stretch of paragraphs of one style that all have them. A link or an index entry: over
// the paragraphs whose runs mostly have it. A text read gives a block's link to every paragraph
// within, those a nested block gives another one for a while included, so a link block stays
// open over paragraphs that want another link (each says so in a few bytes) as long as its own
// is wanted again soon, and link blocks nest as the links come: a text written back stays in
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

// Blocks open at once: a link wanted deeper than this is written where it is used.
constexpr int PARTS_MAX_BLOCKS = 32;

// For how many parts a link block stays worth keeping open until its link is wanted again: the
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

// Whether stored paragraph pp stores any long field.
bool sHasLongFields(const RichTxt::Para& pp)
{
	return PackedParaCursor(pp.head, pp.content, nullptr).HeadStoresLongFields();
}

// f: the format of stored paragraph pp against style, with its long fields; false, with f
// unset, when it stores none.
bool sLongFields(const RichTxt::Para& pp, const RichPara::Format& style, RichPara::Format& f)
{
	if(!sHasLongFields(pp))
		return false;
	f = style;
	PackedParaCursor(pp.head, pp.content, nullptr).ReadHead(f); // what a damaged head holds is kept
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

// A block open around paragraphs.
struct PartsBlock {
	RichPara::Format format;         // in force within it
	int              gid = 0;        // its paragraphs' style as written ("s" index; 0 without styles)
	int              key = -1;       // the link in force within it, for paragraphs of gid
	int              cost = 0;       // the bytes that open and close it
	int              at = 0;         // a link block: a part that wants its link, from where it opened on
	int              serial = 0;
	bool             para = false;   // sets the long paragraph fields
	Uuid             id;             // para: the style of its paragraphs
	String           head;           // para: the first one's head when kept apart: the same head, the same fields
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

	// Links as keys: the style written, the link and the index entry.
	struct LinkOf {
		using Relocatable = void; // its strings move as bytes
		int     gid;
		int     cost; // the bytes of a block that sets it
		String  link;
		WString index;
	};
	VectorMap<String, int> keys; // of keys with a link or an index entry
	Vector<LinkOf>         key;
	VectorMap<int, int>    no_link; // gid: its key without link and index entry, most paragraphs'
	int  Key(int gid, const String& link, const WString& index);
	int  NewKey(int gid, const String& link, const WString& index);
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
	int  outer_key = -1;
	const RichPara::Format* plain_of = nullptr; // the style PlainKey was found for
	int  plain_gid = 0;
	int  plain_key = -1;
	VectorMap<int, int> base_key; // gid: the key of Base(gid)
	int  last_base_gid = INT_MIN;
	int  last_base_key = -1;
	int  PlainKey(const Style& s, int gid)
	{
		return plain_of == s.style && plain_gid == gid ? plain_key : NewPlainKey(s, gid);
	}
	int  BaseKey(int gid) { return gid == last_base_gid ? last_base_key : NewBaseKey(gid); }
	int  NewPlainKey(const Style& s, int gid);
	int  NewBaseKey(int gid);

	// The link each part wants and the next part that wants the same. A table wants what most
	// paragraphs of its cells do: they are written within the blocks around it. Parts are read
	// for that as far ahead as is asked for, mostly just before they are written.
	struct Wanted {
		int key;  // -1: nothing
		int next; // INT_MAX: none before the frontier
	};
	Vector<Wanted> want;
	Vector<int> last_seen; // key: the last part before the frontier that wants it, or -1
	int         frontier = 0;
	Style       ahead;     // the style of the part at the frontier
	void Advance(const RichTxt::Para* pp);
	int  Want(int i, const RichTxt::Para* pp = nullptr);
	int  NextOf(int i, int limit);
	int  Limit(int i, int cost) const;
	int  WantedKey(const RichTxt& t, int i, const RichTxt::Para& pp, const Style& s);
	int  TableKey(const RichTable& tab);
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
	std::unique_ptr<ParaScratch> pr; // made for the first paragraph with long fields: most lists have none

	bool Soon(PartsBlock& b, int i);
	int  ParaBlock() const;
	int  StateKey(int k, int gid);
	const RichPara::Format* StateFormat(int k, int gid) const;
	void LineBreak() { if(options & QTF_OPT_LINE_BREAKS) out.Cat("\r\n"); }
	void Close(int keep);
	const RichPara::Format& Open(int gid);
	void PushLink(int i, int key);
	void PushPara(int gid, const RichPara::Format& fields, const Uuid& id, const String& head);
	void Place(int i, const RichTxt::Para* pp);
	void Paragraph(int i, const RichTxt::Para& pp);
};

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
	LinkOf& l = key.Add();
	l.gid = gid;
	l.cost = s.GetLength() + 6; // and "[", "^^", " ", "]"
	l.link = link;
	l.index = index;
	return key.GetCount() - 1;
}

int PartsWriter::NewPlainKey(const Style& s, int gid)
{
	plain_of = s.style;
	plain_gid = gid;
	plain_key = Key(gid, s.style->link, s.style->indexentry);
	return plain_key;
}

int PartsWriter::NewBaseKey(int gid)
{
	int q = base_key.Find(gid);
	if(q < 0) {
		const RichPara::Format& f = Base(gid);
		q = base_key.GetCount();
		base_key.Add(gid, Key(gid, f.link, f.indexentry));
	}
	last_base_gid = gid;
	last_base_key = base_key[q];
	return last_base_key;
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

int PartsWriter::TableKey(const RichTable& tab)
{
	VectorMap<int, int64> weight;
	Style cs;
	for(const Array<RichCell>& row : tab.cell)
		for(const RichCell& cell : row)
			for(int i = 0; i < cell.text.GetPartCount(); i++)
				if(const RichTxt::Para* pp = StoredParas::Get(cell.text, i)) {
					SetStyle(cs, pp->style);
					int key = WantedKey(cell.text, i, *pp, cs);
					weight.GetAdd(key, 0) += this->key[key].cost;
				}
	int best = -1;
	for(int k = 0; k < weight.GetCount(); k++)
		if(best < 0 || weight[k] > weight[best])
			best = k;
	return best < 0 ? -1 : weight.GetKey(best);
}

// The part at the frontier read: pp when it is known to be that paragraph.
void PartsWriter::Advance(const RichTxt::Para* pp)
{
	int i = frontier++;
	if(!pp)
		pp = StoredParas::Get(txt, i);
	int w;
	if(pp) {
		SetStyle(ahead, pp->style);
		w = sCheapLinks(*pp) ? PlainKey(ahead, Gid(ahead)) : WantedKey(txt, i, *pp, ahead);
	}
	else
		w = TableKey(txt.GetTable(i));
	want[i].key = w;
	if(w < 0)
		return;
	if(w >= last_seen.GetCount())
		last_seen.SetCount(key.GetCount(), -1);
	if(last_seen[w] >= 0)
		want[last_seen[w]].next = i;
	last_seen[w] = i;
}

// What part i (paragraph pp, when known) wants.
int PartsWriter::Want(int i, const RichTxt::Para* pp)
{
	if(frontier == i)
		Advance(pp);
	while(frontier <= i)
		Advance(nullptr);
	return want[i].key;
}

// The next part after part i that wants what it does, when it comes by limit (or was seen
// already); else INT_MAX.
int PartsWriter::NextOf(int i, int limit)
{
	while(want[i].next == INT_MAX && frontier <= limit && frontier < txt.GetPartCount())
		Advance(nullptr);
	return want[i].next;
}

// The last part a link block of cost opened at part i is worth keeping open for.
int PartsWriter::Limit(int i, int cost) const
{
	return int(min<int64>(txt.GetPartCount(), int64(i) + sPartsReach(cost)));
}

// Whether link block b is wanted again soon after part i.
bool PartsWriter::Soon(PartsBlock& b, int i)
{
	int limit = Limit(i, b.cost);
	while(b.at <= i) {
		int j = NextOf(b.at, limit);
		if(j == INT_MAX)
			return false;
		b.at = j;
	}
	return b.at <= limit;
}

int PartsWriter::ParaBlock() const
{
	for(int k = stack.GetCount() - 1; k >= 0; k--)
		if(stack[k].para)
			return k;
	return -1;
}

// The link a paragraph of gid has when written with the first k blocks open.
int PartsWriter::StateKey(int k, int gid)
{
	if(k)
		return stack[k - 1].gid == gid ? stack[k - 1].key : BaseKey(gid);
	return outer && outer->gid == gid ? outer_key : BaseKey(gid);
}

// The format a paragraph of gid is written against with the first k blocks open; null when it
// sets its style.
const RichPara::Format* PartsWriter::StateFormat(int k, int gid) const
{
	if(k)
		return stack[k - 1].gid == gid ? &stack[k - 1].format : nullptr;
	return outer && outer->gid == gid ? outer->format : nullptr;
}

void PartsWriter::Close(int keep)
{
	while(stack.GetCount() > keep) {
		out.Cat(']');
		stack.Drop();
	}
}

// "[" and what a new block of gid starts from: the one in force, or the style it sets.
const RichPara::Format& PartsWriter::Open(int gid)
{
	out.Cat('[');
	if(const RichPara::Format* f = StateFormat(stack.GetCount(), gid))
		return *f;
	if(with_styles)
		CatStyle(gid);
	return Base(gid);
}

void PartsWriter::PushLink(int i, int key)
{
	int at = out.GetLength();
	int gid = this->key[key].gid;
	const RichPara::Format& below = Open(gid);
	PartsBlock& b = stack.Add();
	b.format = below;
	b.format.link = this->key[key].link;
	b.format.indexentry = this->key[key].index;
	QtfCharFormat(out, below, b.format);
	out.Cat(' ');
	b.cost = out.GetLength() - at + 1;
	b.gid = gid;
	b.key = key;
	b.at = i;
	b.serial = ++serial;
	if(scratch) // what was kept against a block gone before is not this one's
		ForgetPackedBase(*scratch, b.format);
}

void PartsWriter::PushPara(int gid, const RichPara::Format& fields, const Uuid& id, const String& head)
{
	int at = out.GetLength();
	int key = StateKey(stack.GetCount(), gid);
	const RichPara::Format& below = Open(gid);
	PartsBlock& b = stack.Add();
	b.format = below;
	sCopyLongFields(b.format, fields);
	QtfParaFormat(out, below, b.format);
	out.Cat(' ');
	b.cost = out.GetLength() - at + 1;
	b.gid = gid;
	b.key = key;
	b.serial = ++serial;
	b.para = true;
	b.id = id;
	b.head = head;
	if(scratch)
		ForgetPackedBase(*scratch, b.format);
}

// The blocks around part i closed and opened: for a paragraph pp (with its style in st) or a
// table (null). Then the line break before the part.
void PartsWriter::Place(int i, const RichTxt::Para* pp)
{
	int w = Want(i, pp);
	int gid = w >= 0 ? key[w].gid : 0;
	if(stack.IsEmpty() && !outer && (w < 0 || w == BaseKey(gid)) && !(pp && sHasLongFields(*pp))) {
		if(i) // mostly: no block before, none to open
			LineBreak();
		return;
	}
	int keep = stack.GetCount();
	// A paragraph block holds while its paragraphs share what it sets.
	int pb = ParaBlock();
	if(pb >= 0) {
		const PartsBlock& b = stack[pb];
		if(!pr)
			pr = std::make_unique<ParaScratch>();
		bool stays = pp && pp->style == b.id &&
		             ((!b.head.IsEmpty() && pp->head == b.head) ||
		              (sLongFields(*pp, *st.style, pr->f) && sSameLongFields(pr->f, b.format)));
		if(!stays) {
			keep = pb;
			pb = -1;
		}
	}
	// Link blocks on top that are not wanted soon go.
	while(keep > 0 && !stack[keep - 1].para && stack[keep - 1].key != w && !Soon(stack[keep - 1], i))
		keep--;
	bool repush = false; // the paragraph block goes and comes again on top
	bool link = false;
	if(w >= 0 && StateKey(keep, gid) != w) {
		// A block below with the link wanted holds when those above it cost less than the link.
		for(int k = keep - 1; k >= 0; k--)
			if(StateKey(k, gid) == w) {
				int64 c = 0;
				for(int m = k; m < keep; m++)
					if(stack[m].para || Soon(stack[m], i))
						c += stack[m].cost;
				if(c <= key[w].cost) {
					repush = pb >= k;
					keep = k;
				}
				break;
			}
		// A new link block when the link is wanted again soon.
		if(StateKey(keep, gid) != w && keep + 2 <= PARTS_MAX_BLOCKS) {
			int limit = Limit(i, key[w].cost);
			link = NextOf(i, limit) <= limit;
		}
		if(link && !repush && pb >= 0 && pb == keep - 1 && stack[pb].cost <= key[w].cost) {
			repush = true; // the paragraph block costs less to write again than the link
			keep = pb;
		}
	}
	const RichPara::Format* fields = nullptr; // of a paragraph block to open
	Uuid id;
	String head;
	if(repush) {
		const PartsBlock& b = stack[pb];
		pr->g = b.format;
		fields = &pr->g;
		id = b.id;
		head = b.head;
	}
	else if(pp && pb < 0 && sHasLongFields(*pp)) {
		// Neighbours of one style that inherit the same label, tab stops, header or numbering
		// texts go in a block that sets those once; each paragraph is written in it against that.
		if(!pr)
			pr = std::make_unique<ParaScratch>();
		RichPara::Format& f = pr->f;
		const RichTxt::Para* nx = StoredParas::Get(txt, i + 1);
		if(sLongFields(*pp, *st.style, f) && !sSameLongFields(f, *st.base) && nx && nx->style == pp->style &&
		   ((!pp->head.IsEmpty() && nx->head == pp->head) ||
		    (sLongFields(*nx, *st.style, pr->g) && sSameLongFields(f, pr->g)))) {
			fields = &f;
			id = pp->style;
			head = pp->head;
		}
	}
	Close(keep);
	if(i)
		LineBreak();
	if(link)
		PushLink(i, w);
	if(fields)
		PushPara(Gid(), *fields, id, head);
}

void PartsWriter::Paragraph(int i, const RichTxt::Para& pp)
{
	Place(i, &pp);
	out.Cat('[');
	int gid = Gid();
	const RichPara::Format* f = StateFormat(stack.GetCount(), gid);
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
	want.SetCount(n, Wanted{-1, INT_MAX});
	if(outer)
		outer_key = Key(outer->gid, outer->format->link, outer->format->indexentry);
	for(int i = 0; i < n; i++) {
		StoredParas::Prefetch(txt, i + 2);
		if(i)
			out.Cat("&]");
		if(const RichTxt::Para* pp = StoredParas::Get(txt, i)) {
			SetStyle(st, pp->style);
			Paragraph(i, *pp);
			continue;
		}
		// A table ends a paragraph block; its cells are written within the link blocks kept.
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
