// What the QTF writer's part lists share between the file that reads what each part wants and
// the one that places the blocks around the parts and writes them.
#pragma once

#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfWriter.h>

namespace Qel::detail {

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

// What a block sets: a link with its index entry, or one long paragraph field (header and footer
// texts go together, as do the texts around a number). A paragraph block sets every long field
// of its first paragraph.
enum { DIM_LINK, DIM_LABEL, DIM_TABS, DIM_HEADER, DIM_NUMBER, DIMS };

// A long field set in no more bytes than this goes with the paragraphs that have it, in a block
// only around neighbours that share all their long fields: restating it costs about what a
// block does. A longer one is set in a block of its own kept open as links are.
constexpr int PARTS_CHEAP_FIELD = 16;

// Families of tab stops whose paragraphs alternate that are told apart: how many lists of stops
// seen last a paragraph's are compared with.
constexpr int PARTS_TAB_FAMILIES = 4;

inline const RichPara::Format& PartsDefaultFormat()
{
	static const RichPara::Format f;
	return f;
}

// Whether stored paragraph pp stores any long field.
inline bool HasLongFields(const RichTxt::Para& pp)
{
	return PackedParaCursor(pp.head, pp.content, nullptr).HeadStoresLongFields();
}

// f: the format of stored paragraph pp against style, with its long fields.
inline void ReadLongFields(const RichTxt::Para& pp, const RichPara::Format& style, RichPara::Format& f)
{
	f = style;
	PackedParaCursor(pp.head, pp.content, nullptr).ReadHead(f); // what a damaged head holds is kept
}

inline void CopyLongField(RichPara::Format& to, const RichPara::Format& from, int dim)
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

// Writes a part list (QtfParts), within the blocks around it (outer) or none: each part after
// the blocks it wants are placed around it.
class PartsWriter {
public:
	PartsWriter(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
	            const Index<Uuid>& style_index, int language, int charset, int options,
	            const QtfOuterFormat* outer)
	:	out(out), txt(txt), styles(styles), style_index(style_index), language(language),
		charset(charset), options(options), outer(outer && outer->format ? outer : nullptr)
	{
		if(outer && outer->stops)
			stops = outer->stops;
		else {
			own_stops = std::make_unique<QtfStopBudget>(out);
			stops = own_stops.get();
		}
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
	const QtfOuterFormat*            outer; // null: none, or one without a format
	QtfStopBudget*                   stops;
	std::unique_ptr<QtfStopBudget>   own_stops; // of a text of its own
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
	// Whether paragraphs stored in styles a and b are written in one: without styles, all are.
	bool SameStyle(const Uuid& a, const Uuid& b) const { return !with_styles || a == b; }
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
		int                     all_tabs = -1; // the key of all its stops
	};
	LastHead last_head;
	// Tab stops paragraphs add to those of a block around them: the last lists of stops of
	// different families (the last paragraph's first) and the key of those the last one wants in
	// force, which the next ones want too while they add to them.
	RichPara::TabList tabs_recent[PARTS_TAB_FAMILIES];
	int               tabs_base = -1;
	const void*       tabs_of = nullptr; // what held the last paragraph's stops (see TabsWanted)
	int  TabsKey(int gid, const RichPara::TabList& l, int full);
	int  TabsWanted(int gid, const RichPara::TabList& l, int full, const void* of);
	Vector<PartsKeys> base_keys; // gid + 1: the keys of Base(gid); a link of -1 when not found yet
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
	PartsKeys   plain_keys;
	Vector<int> last_seen; // key: the last part before the frontier that wants it, or -1
	int         frontier = 0;
	Style       ahead;     // the style of the part at the frontier
	void ParaWants(const RichTxt& t, int i, const RichTxt::Para& pp, const Style& s, Wanted& w);
	void TableWants(const RichTable& tab, Wanted& w);
	void Advance(const RichTxt::Para* pp);
	// What part i (paragraph pp, when known) wants.
	const Wanted& Want(int i, const RichTxt::Para* pp = nullptr)
	{
		if(frontier == i)
			Advance(pp);
		while(frontier <= i)
			Advance(nullptr);
		return want[i];
	}
	int  NextOf(int i, int dim, int limit);
	bool AddsTo(int w, const PartsBlock& b) const;
	bool TabsGrow(int i, int w);
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
	// without a header does where one is in force and there is a style to set. Without styles
	// it turns the header off, as it must: setting no style leaves the blocks' format in force.
	const RichPara::Format* StateFormat(int k, int gid, bool no_header) const
	{
		const RichPara::Format* f;
		if(k)
			f = stack[k - 1].gid == gid ? &stack[k - 1].format : nullptr;
		else
			f = outer && outer->gid == gid ? outer->format : nullptr;
		return f && no_header && f->newhdrftr && with_styles ? nullptr : f;
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

} // namespace Qel::detail
