// The QTF writer's part lists: paragraphs and tables one after another, and what neighbours
// share and is long once in a block around them. A link or an index entry: over the paragraphs
// whose runs mostly have it. A long label, tab stops, header or numbering texts: over the
// paragraphs that have it, each in a block of its own. Short ones: over a stretch of paragraphs
// of one style that all have the same. A text read gives a block's link or field to every
// paragraph within, those a nested block gives another one for a while included, so a block
// stays open over paragraphs that want another one (each says so in a few bytes) as long as its
// own is wanted again soon, and blocks nest as they come: a text written back stays in
// proportion to the one read, however its blocks were nested.
#include <richtext/qtf/detail/QtfPartsWriter.h>

namespace Qel {

using namespace detail;

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
		return PartsDefaultFormat();
	// "s-1" reads as the style under the zero key
	return GetStyle(styles, gid >= 0 && gid < style_index.GetCount() ? style_index[gid] : Uuid()).format;
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
		CopyLongField(b.format, *key[k].value, dim);
		WriteParaFormat(out, below, b.format, AddStops(stops, out, below, b.format));
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
	b.format.tab = key[w.key[DIM_TABS]].value->tab; // those its paragraphs add to
	WriteParaFormat(out, below, b.format, AddStops(stops, out, below, b.format));
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

// Tab stops that nested blocks add to one by one, each for a paragraph or a few, are set as the
// text read set them: each block adds to those of the one below, so a chain of them is written
// in proportion to it, not each of its lists in full. A tab stops block b stays under the
// paragraph that wants stops w when they add to b's and another block fits on those open; once
// none does, the chain goes and starts again.
bool PartsWriter::AddsTo(int w, const PartsBlock& b) const
{
	return b.dim == DIM_TABS && w >= 0 && key[w].gid == b.gid && stack.GetCount() + 2 < PARTS_MAX_BLOCKS &&
	       TabsAdded(b.format, *key[w].value);
}

// Whether the part after i wants stops that add to w's: a block setting w's is worth opening
// for them to add to.
bool PartsWriter::TabsGrow(int i, int w)
{
	const RichTxt::Para* nx = StoredParas::Get(txt, i + 1);
	if(!nx)
		return false;
	int n = Want(i + 1, nx).key[DIM_TABS];
	return n >= 0 && key[n].gid == key[w].gid && TabsAdded(*key[w].value, *key[n].value);
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
	if(pb >= 0 && !(pp && SameStyle(pp->style, stack[pb].id) && SameFields(wi, stack[pb].keys)))
		keep = pb;
	if(pb >= keep)
		pb = -1;
	// Blocks on top that are not wanted soon go, but for tab stops that those wanted add to.
	while(keep > 0 && stack[keep - 1].dim >= 0 && stack[keep - 1].keys.k[stack[keep - 1].dim] != wi.key[stack[keep - 1].dim] &&
	      !Soon(stack[keep - 1], i) && !AddsTo(wi.key[DIM_TABS], stack[keep - 1]))
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
		if(NextOf(i, d, limit) <= limit || (d == DIM_TABS && TabsGrow(i, w))) {
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
	else if(pp && pb < 0) {
		// Neighbours of one style that share their label, tab stops, header and numbering texts,
		// where those are not in force already, go in a block that sets them once; each
		// paragraph is written in it against that. (Whatever the paragraph stores: one stored
		// against an earlier form of its style may hold what the style has now.)
		in_force = StateKeys(stack.GetCount(), gid, no_header);
		const RichTxt::Para* nx = StoredParas::Get(txt, i + 1);
		if(!SameFields(wi, in_force) && nx && SameStyle(nx->style, pp->style) && SameFields(wi, Want(i + 1, nx))) {
			if(!pr)
				pr = std::make_unique<ParaScratch>();
			ReadLongFields(*pp, *st.style, pr->f);
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
	QtfParaEnd end = i + 1 < txt.GetPartCount() ? QtfParaEnd::AMPERSAND : QtfParaEnd::LAST;
	if(!packed || !WritePackedParagraph(out, pp, *st.style, *f, *f, group, language, end, *scratch, stops))
		WriteParagraph(out, txt.Get(i, styles), *f, *f, language, charset, options, end, stops);
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
		QtfOuterFormat in = { nullptr, 0, stops };
		if(stack.GetCount())
			in = { &stack.Top().format, stack.Top().gid, stops };
		else if(outer)
			in = { outer->format, outer->gid, stops };
		WriteTable(out, txt.GetTable(i), styles, style_index, language, charset, options, &in);
	}
	if(!txt.GetPartCount())
		out.Cat('[');
	out.Cat(']');
	Close(0);
}

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
