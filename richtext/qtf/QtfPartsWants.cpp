// The QTF writer's part lists: what each part wants, a link and long paragraph fields as keys,
// and the next part that wants the same, read ahead as far as the blocks placed ask for.
#include <richtext/qtf/detail/QtfPartsWriter.h>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

using namespace detail;

namespace {

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
// what it sets aside, holds each one, and its style (of format style) the rest. What else the
// content holds (the paragraph mark's format, which is not written when the paragraph has runs)
// may make it look dear, but the links found in it are cheap then all the same, so two
// paragraphs with the same runs want the same.
bool sCheapLinks(const RichTxt::Para& pp, const RichPara::Format& style)
{
	int64 n = pp.content.GetLength() + int64(style.link.GetLength()) + style.indexentry.GetLength();
	if(pp.aside) {
		for(const String& s : pp.aside->link)
			n += s.GetLength();
		for(const WString& s : pp.aside->index)
			n += s.GetLength();
	}
	return n <= 3 * int64(pp.length);
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
		o.newhdrftr = !f.newhdrftr;
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

// Whether the stops of l from the one at from on are written in a few bytes, as restating a
// short field is.
bool sFewStops(const RichPara::TabList& l, int from)
{
	String s;
	for(int i = from; i < l.GetCount() && s.GetLength() <= PARTS_CHEAP_FIELD; i++)
		WriteTabStop(s, l[i]);
	return s.GetLength() <= PARTS_CHEAP_FIELD;
}

} // namespace

QEL_FORCE_INLINE void PartsWriter::PlainFields(const Style& s, int gid, Wanted& w)
{
	if(plain_fields_of != s.style || plain_fields_gid != gid)
		NewPlainFields(s, gid);
	int tabs = TabsWanted(gid, s.style->tab, plain_keys.k[DIM_TABS], s.style);
	if(tabs != plain_keys.k[DIM_TABS]) {
		PartsKeys k = plain_keys;
		k.k[DIM_TABS] = tabs;
		SetFields(k, gid, w);
		return;
	}
	for(int d = DIM_LABEL; d < DIMS; d++)
		w.key[d] = plain_fields.key[d];
	w.fields = plain_fields.fields;
	w.no_header = plain_fields.no_header;
	w.chained = plain_fields.chained;
}

// What paragraph i of t (pp, of style s) wants.
QEL_FORCE_INLINE void PartsWriter::ParaWants(const RichTxt& t, int i, const RichTxt::Para& pp, const Style& s, Wanted& w)
{
	int gid = Gid(s);
	w.key[DIM_LINK] = sCheapLinks(pp, *s.style) ? PlainKey(s, gid) : WantedKey(t, i, pp, s);
	if(HasLongFields(pp))
		LongFields(pp, s, gid, w);
	else
		PlainFields(s, gid, w);
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
	           : dim == DIM_HEADER   ? !f.newhdrftr // the texts of a paragraph without a header are not written
	           : f.before_number.IsEmpty() && f.after_number.IsEmpty();
	if(empty) { // never set in a block of its own: the style written matters not
		if(no_field[dim] >= 0)
			return no_field[dim];
		static const struct EmptyCost {
			int cost[DIMS];
			EmptyCost()
			{
				for(int d = DIM_LABEL; d < DIMS; d++)
					cost[d] = sFieldCost(PartsDefaultFormat(), d) + 6;
			}
		} empty_cost;
		no_field[dim] = key.GetCount();
		KeyOf& l = key.Add();
		l.gid = INT_MIN;
		l.dim = dim;
		l.value = &PartsDefaultFormat();
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
	CopyLongField(*l.own, f, dim);
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
	// that of the format the paragraph is written against: without styles, the default's
	const RichPara::Format& f = with_styles ? *s.style : Base(gid);
	plain_key = Key(gid, f.link, f.indexentry);
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
	if(sCheapLinks(pp, *s.style))
		return PlainKey(s, gid);
	// no code that sets a link or an index entry: the runs have the style's, which without
	// styles the paragraph is not written against
	if(!sMayLink(pp.content)) {
		const RichPara::Format& f = *s.style;
		return with_styles || sCheapLink(f.link, f.indexentry, pp) ? PlainKey(s, gid) : Key(gid, f.link, f.indexentry);
	}
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
		ReadLongFields(pp, *s.style, *head_scratch);
		FieldKeys(gid, *head_scratch, last_head.keys);
		last_head.all_tabs = last_head.keys.k[DIM_TABS];
		last_head.head = pp.head;
		last_head.style = s.style;
		last_head.gid = gid;
		tabs_of = nullptr;
	}
	last_head.keys.k[DIM_TABS] = TabsWanted(gid, head_scratch->tab, last_head.all_tabs, &last_head);
	SetFields(last_head.keys, gid, w);
}

// The key of the stops a paragraph of gid with stops l wants in force, full the key of all of
// them: a reader gives each paragraph the stops of the block around it and those the paragraph
// adds, so neighbours that add a few to many they share want those many. Those the last
// paragraph wanted, when l adds a few to them; else the start l shares with one of the last
// lists of stops (of families that alternate), when l adds a few to it; else all.
// Stops seen again are wanted all: a reader copies the stops in force for every paragraph that
// adds to them, so neighbours sharing their stops are better off with a block that sets them.
// Paragraphs without stops are passed over.
int PartsWriter::TabsKey(int gid, const RichPara::TabList& l, int full)
{
	int n = l.GetCount();
	if(!n)
		return full;
	int k = full;
	if(tabs_base >= 0 && key[tabs_base].gid == gid) {
		const RichPara::TabList& b = key[tabs_base].value->tab;
		if(b.GetCount() && b.GetCount() < n && std::equal(b.begin(), b.end(), l.begin()) &&
		   sFewStops(l, b.GetCount()))
			k = tabs_base;
	}
	int shared = 0, at = PARTS_TAB_FAMILIES - 1;
	for(int j = 0; j < PARTS_TAB_FAMILIES; j++) {
		const RichPara::TabList& r = tabs_recent[j];
		int m = min(n, r.GetCount());
		int c = int(std::mismatch(l.begin(), l.begin() + m, r.begin()).first - l.begin());
		if(c == n && n == r.GetCount()) { // seen again
			k = full;
			shared = -1;
			at = j;
			break;
		}
		if(c > shared) {
			shared = c;
			at = j;
		}
	}
	if(k == full && shared > 0 && shared < n && sFewStops(l, shared)) {
		RichPara::Format p;
		p.tab = l;
		p.tab.SetCount(shared);
		k = FieldKey(gid, DIM_TABS, p);
	}
	// l goes first, in place of the one of its family, or of the one seen longest ago
	for(int j = at; j > 0; j--)
		tabs_recent[j] = tabs_recent[j - 1];
	tabs_recent[0] = l;
	tabs_base = k;
	return k;
}

// TabsKey for stops l held by of (the last head read, or a style), which is quick when the last
// paragraph's were of's too. Every paragraph goes through here, whatever it stores, so what is
// written does not depend on how equal paragraphs are stored.
int PartsWriter::TabsWanted(int gid, const RichPara::TabList& l, int full, const void* of)
{
	if(of != tabs_of) {
		tabs_of = of;
		return TabsKey(gid, l, full);
	}
	if(l.GetCount()) // as TabsKey has it for the same stops again
		tabs_base = full;
	return full;
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
	FieldKeys(gid, *s.style, plain_keys);
	SetFields(plain_keys, gid, plain_fields);
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
	for(int r = 0; r < tab.GetRows(); r++)
		for(int k = 0; k < tab.cell[r].GetCount(); k++) {
			if(!with_styles && tab.IsCovered(r, k)) // written empty, whatever it holds
				continue;
			const RichCell& cell = tab.cell[r][k];
			for(int i = 0; i < cell.text.GetPartCount(); i++)
				if(const RichTxt::Para* pp = StoredParas::Get(cell.text, i)) {
					SetStyle(cs, pp->style);
					ParaWants(cell.text, i, *pp, cs, c);
					for(int d = 0; d < DIMS; d++)
						if(d == DIM_LINK || Chained(c.key[d]))
							weight.GetAdd(c.key[d], 0) += key[c.key[d]].cost;
				}
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

// The next part after part i that wants what it does for dim, when it comes by limit (or was
// seen already); else INT_MAX.
int PartsWriter::NextOf(int i, int dim, int limit)
{
	while(want[i].next[dim] == INT_MAX && frontier <= limit && frontier < txt.GetPartCount())
		Advance(nullptr);
	return want[i].next[dim];
}

} // namespace Qel
