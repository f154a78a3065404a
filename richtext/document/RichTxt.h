// RichTxt: the part list of rich text, each part one paragraph or one table, with cached totals.
// It is the body of a document (RichText) and of every table cell, so tables nest to any depth.
// Paragraphs stay packed against their style's format, with the summary of their last layout
// beside them, and are unpacked only while one is measured, painted or edited.
// RichText: a document, the part list with its paragraph styles and a recursive mutex that its
// public queries take.
#pragma once

#include <richtext/base/PagePos.h>
#include <richtext/para/RichStyle.h>

#include <atomic>
#include <memory>

namespace Qel {

class PageDraw;
class RichTable;
class RichText;
struct RichCaret;
struct RichPageContext;
struct RichPaintInfo;
struct RichPos;

namespace detail {
class RichQtfParser;
struct StoredParas;
struct PageTally;
struct PageMarks;
class PageMarkCache;

// A value that threads may read while another stores it, where any value stored is as good as
// any other: the totals that every reader of a document may count and keep (all count the same
// from parts none of them changes), and the serials of paragraphs' layouts.
template <class T>
class Relaxed {
public:
	Relaxed(T x = T()) : v(x) {}
	Relaxed(const Relaxed& s) : v(T(s)) {}
	Relaxed& operator=(const Relaxed& s) { return *this = T(s); }
	Relaxed& operator=(T x)              { v.store(x, std::memory_order_relaxed); return *this; }
	operator T() const                   { return v.load(std::memory_order_relaxed); }

private:
	std::atomic<T> v;
};
} // namespace detail

// A page header or footer: a document owned as a value. Copies copy the document (taking its
// lock while they read it), moves hand it over and leave none; empty when there is none. Through
// a const value the document is const too: the headers and footers of parts (a table's) are
// reached that way, and a change to one behind its part would not reach what the walks of the
// document around it remember.
class RichTextValue {
public:
	RichTextValue() = default;
	RichTextValue(const RichTextValue& src);
	RichTextValue(RichTextValue&& src) noexcept = default;
	RichTextValue& operator=(const RichTextValue& src);
	RichTextValue& operator=(RichTextValue&& src) noexcept = default;
	~RichTextValue();

	explicit operator bool() const { return bool(text); }
	RichText*       get()              { return text.get(); }
	const RichText* get() const        { return text.get(); }
	RichText&       operator*()        { return *text; }
	const RichText& operator*() const  { return *text; }
	RichText*       operator->()       { return text.get(); }
	const RichText* operator->() const { return text.get(); }

	void Clear();
	void Set(RichText&& t);

private:
	std::unique_ptr<RichText> text;
};

class RichTxt {
public:
	// A stored paragraph. Storing or copying one draws a new update serial, which the unpacked
	// paragraph takes as its cache id, so cached unpacked content and line layouts are reused
	// until the paragraph changes.
	struct Para {
		Uuid              style;
		int               length = 0;   // text positions
		mutable bool      spell_valid = false; // spell_errors are up to date
		// The numbering (styles, texts, reset) the last layout found in the paragraph's format,
		// under its style as that was then; null when none. Taken at layout, not when stored: a
		// restyle, or storing against another form of the style, would leave a copy made then
		// counting numbers the paragraph no longer shows.
		mutable std::unique_ptr<RichPara::NumberFormat> number_format;
		// The packed form against the style's format, in two pieces when read from QTF with a
		// long head (its paragraph-format fields): neighbours that inherit the same label, tab
		// stops or header then share one head. An empty head: content holds it all.
		String            head;
		String            content;
		Array<RichObject> objects;      // set aside by packing, in stream order
		// Long links and index entries set aside by packing; null when none, as mostly.
		std::unique_ptr<RichPara::Aside> aside;
		// Laying out again draws a new serial too (layouts are cached under it).
		mutable detail::Relaxed<int64> update_serial = 0;
		// What the last layout left beside the part list's summary of it: the counters it was
		// laid out with and its lines' heights, read when it breaks over a page.
		mutable RichPara::Number number;
		mutable Vector<int> line_heights;
		mutable Bits      spell_errors; // a bit per text position
		// The header and footer texts of the last layout and the documents made from them
		// (null when none); neighbours with the same texts share the documents. Null when the
		// paragraph has no such texts, as most have not.
		struct HeaderFooter {
			String                          header_qtf;
			String                          footer_qtf;
			std::shared_ptr<const RichText> header;
			std::shared_ptr<const RichText> footer;
		};
		mutable std::unique_ptr<HeaderFooter> hdrftr;

		Para() = default;
		// The content only: the copy has a serial of its own and is laid out afresh.
		Para(const Para& p);
		Para& operator=(const Para&) = delete;
		~Para();
	};

	// Visits every paragraph of a part list (Update); true when it changed the paragraph.
	class ParaOp {
	public:
		virtual bool operator()(Para& p) = 0;
		virtual ~ParaOp();
	};

	// The document's own page header and footer, as QTF and as documents made from it (empty
	// when none). Every query measures them again and keeps what its walks remember apart by
	// their heights, so they may be changed in place.
	String        header_qtf;
	String        footer_qtf;
	RichTextValue header;
	RichTextValue footer;

	RichTxt() = default;
	// A deep copy of the parts; the header and footer are not copied.
	RichTxt(const RichTxt& src);
	// The source is left with no parts, header or footer.
	RichTxt(RichTxt&& src) noexcept;
	RichTxt& operator=(RichTxt&& src) noexcept;
	RichTxt& operator=(const RichTxt&) = delete;
	~RichTxt();

	int  GetPartCount() const               { return part.GetCount(); }
	bool IsPara(int i) const;
	bool IsTable(int i) const;
	// Part i, which must be a table.
	const RichTable& GetTable(int i) const;

	// Paragraph i unpacked against its style in s (an empty paragraph when part i is none).
	// With use_cache its cache id is the stored serial, so layouts come from the paragraph cache.
	RichPara Get(int i, const ArrayMap<Uuid, RichStyle>& s, bool use_cache = false) const;
	// Stores p packed against st as paragraph i, replacing whatever part i was; an i past the
	// end adds empty paragraphs up to it.
	void     SetPara(int i, const RichPara& p, const RichStyle& st);
	// The same for a paragraph packed already (head + content, objects and what is set aside
	// (null: nothing) as RichPara::Pack makes them against the style f names), with its format
	// and its text positions.
	void     SetPackedPara(int i, String head, String content, Array<RichObject>&& objects,
	                       std::unique_ptr<RichPara::Aside> aside, const RichPara::Format& f, int length);
	// Normalises t and moves it in as part i (with empty paragraphs before it when i is past
	// the end); t is left empty.
	void     SetTable(int i, RichTable& t);

	// Text positions: every part's own, plus one per boundary between parts.
	int  GetLength() const;
	// Tables in the list, nested ones included.
	int  GetTableCount() const;
	bool IsEmpty() const;

	// Applies op to every paragraph, inside table cells too; true when any changed. A changed
	// paragraph is laid out again.
	bool Update(ParaOp& op);
	// Evaluates the fields of every paragraph with vars and stores the changed paragraphs
	// again; true when any changed.
	bool EvaluateFields(const ArrayMap<Uuid, RichStyle>& s, VectorMap<String, Value>& vars);
	// Parts on lines of their own ("\r\n" with withcr), table rows on lines, the cells of a row
	// separated by line breaks, or by tabs when allow_tabs and no cell text spans lines.
	// Objects and fields show as character 127.
	WString GetPlainText(bool withcr = false, bool allow_tabs = true) const;

	// Layout walks. They keep the layout caches of paragraphs and tables up to date, so they
	// run on one thread at a time (the document's lock).
	// Moves rc over part i; begin gets the context where the part starts (after any page break
	// taken before it).
	void    Advance(int i, RichPageContext& rc, RichPageContext& begin) const;
	// Lays paragraph i out again for rc's page width and numbering.
	void    Sync(int i, const RichPageContext& rc) const;
	// Where the first line (or first table row) begins when laid out from rc; rc takes the
	// page break that moves it there, if any.
	PagePos GetTop(RichPageContext& rc) const;
	// Where the whole text ends when laid out from rc.
	PagePos GetEnd(RichPageContext rc) const;
	// The smallest width at which no line has to wrap.
	int     GetWidth(const ArrayMap<Uuid, RichStyle>& s) const;

	// Position queries over the parts laid out from rc (its numbering starts again), with rc
	// moved over the parts passed. The caret of pos (clamped to the text), all zero when no part
	// holds it; the position under (x, p), the text's end below the last part.
	RichCaret GetCaret(int pos, RichPageContext& rc) const;
	int       GetPos(int x, PagePos p, RichPageContext& rc) const;
	// Fills out for pos, going into table cells up to max_level tables deep; tables_before
	// counts the tables in document order before this text.
	void      GetRichPos(int pos, RichPos& out, int tables_before, int max_level,
	                     const ArrayMap<Uuid, RichStyle>& s) const;

	// Rescales every part: paragraphs unpacked against their style in old_styles are stored
	// again against new_styles (the zoomed ones), so their differences from the style stay true.
	void ApplyZoom(Zoom z, const ArrayMap<Uuid, RichStyle>& old_styles,
	               const ArrayMap<Uuid, RichStyle>& new_styles);

	// Painting walks. Paints the parts from rc that lie in the options' window of pages and
	// leaves rc after the last part painted. Selection and highlight positions are relative to
	// this list.
	void    Paint(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi) const;
	// Whether a page from top to bottom is painted in the band between them.
	static bool IsPaintingArea(PageDraw& pw, Zoom z, const Rect& page, PagePos top, PagePos bottom);

protected:
	// The totals must be recomputed and what walks remember of the parts from part from on
	// forgotten: after any change to the parts.
	void Invalidate(int from = 0) { length = table_count = -1; changed_from = min(changed_from, from); }

private:
	// What a walk reads of a part, kept beside the part list in part order, so that a walk
	// over many parts streams through one array: a paragraph's text positions and the summary
	// of its last layout (laid_out_width -1: not laid out). A walk steps over a paragraph
	// whose width and numbering still match without unpacking it, and reads its record only
	// for numbering, a new header or footer, or lines of unequal heights that break over a
	// page.
	// Storing a part sets its length and kind, and a walk, under the document's lock, the rest.
	// The queries that take no lock read only the former, so neither is a bit field: a bit field
	// shares its memory with the fields beside it.
	struct Summary {
		int  length = 0;
		int  laid_out_width = -1;
		int  lines = 0;
		int  lines_height = 0;
		int  first_line = 0;      // the first line's height; 0 with no line
		int  ruler = 0;
		int  before = 0;
		int  after = 0;
		bool table = false;       // the part is a table: nothing else here is set
		bool numbered : 1 = false;
		bool even : 1 = false;    // every line is first_line high
		bool newpage : 1 = false;
		bool fflag : 1 = false;
		bool keep : 1 = false;
		bool keepnext : 1 = false;
		bool orphan : 1 = false;
		bool newhdrftr : 1 = false;
	};

	Vector<Any> part;          // each holds a Para or a RichTable
	mutable Vector<Summary> summary; // one for each part
	// Cached totals, -1: stale. Any reader may count them, also while a walk lays the parts out.
	mutable detail::Relaxed<int> length = 0;
	mutable detail::Relaxed<int> table_count = 0;
	mutable int changed_from = 0; // the first part changed since a walk's marks were checked

	friend class RichText;
	friend class RichCell;
	friend class RichTable;
	friend struct detail::StoredParas; // the QTF writer reads stored paragraphs without unpacking them

	// Grows the list to n parts with empty paragraphs.
	void Grow(int n);
	// Makes this a list of one empty paragraph in the default style.
	void SetEmpty();
	// Whether this is such a list already.
	bool IsSetEmpty() const;
	// Appends the plain text; with cell_breaks, records where each cell separator of this
	// level's tables begins. multiline: a cell text of this level holds a line break.
	void PlainText(WString& out, bool withcr, Vector<int>* cell_breaks, bool& multiline) const;
	// A fresh summary of a stored paragraph (not laid out) and of a table.
	static Summary ParaSummary(const Para& p);
	static Summary TableSummary();
	// The summary of paragraph i up to date for rc: laid out again when its width or
	// numbering differ.
	const Summary& SyncedPara(int i, const RichPageContext& rc) const;
	void AdvancePara(int i, RichPageContext& rc, RichPageContext& begin) const;
	void AdvanceTable(int i, RichPageContext& rc, RichPageContext& begin) const;
	// Moves the tallies over part t.part.
	void Tally(detail::PageTally& t) const;
	// The walks from part w.part with rc the context before it (a remembered one, or the
	// start at part 0), noting their contexts in marks when given.
	RichCaret CaretFrom(int pos, RichPageContext& rc, detail::PageTally w, detail::PageMarks* marks) const;
	int       PosFrom(int x, PagePos p, RichPageContext& rc, detail::PageTally w, detail::PageMarks* marks) const;
	void      PaintFrom(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi, detail::PageTally w,
	                    detail::PageMarks* marks) const;
	void      RichPosFrom(int pos, RichPos& out, int tables_before, int max_level,
	                      const ArrayMap<Uuid, RichStyle>& s, const detail::PageTally& w) const;
};

class RichText : public RichTxt {
public:
	// Moves every paragraph of one style to another (both the same to lay the style's
	// paragraphs out again).
	class StyleChangeOp : public ParaOp {
	public:
		Uuid old_id;
		Uuid new_id;

		StyleChangeOp(const Uuid& old_id, const Uuid& new_id) : old_id(old_id), new_id(new_id) {}
		bool operator()(Para& p) override;
	};

	// An empty document with the one style "Default" under the zero key.
	RichText();
	// A deep copy: parts, styles, header and footer; the mutex is its own. The source is
	// locked while it is read, so other threads may query it meanwhile.
	RichText(const RichText& src);
	RichText& operator=(const RichText& src);
	// The source is left with no parts and no styles; each document keeps its mutex. Moves, like
	// copies, take the locks of the source and of the target, one at a time.
	RichText(RichText&& src) noexcept;
	RichText& operator=(RichText&& src) noexcept;
	~RichText();

	const ArrayMap<Uuid, RichStyle>& GetStyles() const { return default_styles ? DefaultStyles() : style; }

	// The part list's queries, under the lock: a walk that shows this document as a page header
	// or footer evaluates its page fields, which stores its paragraphs again. Walks never change
	// what the rest of the const queries read.
	int      GetLength() const;
	int      GetTableCount() const;
	bool     IsEmpty() const;
	WString  GetPlainText(bool withcr = false, bool allow_tabs = true) const;
	RichPara Get(int i, const ArrayMap<Uuid, RichStyle>& s, bool use_cache = false) const;

	// The queries below lock the document for their duration, so several threads may query one
	// document; each lays the document out from the top of the page it is given.
	using RichTxt::GetWidth;
	int       GetWidth() const;
	// The height in device units at device width cx; 0 for a zoom with divisor 0.
	int       GetHeight(Zoom z, int cx) const;
	void      Paint(PageDraw& pw, const Rect& page, const RichPaintInfo& pi) const;
	// Paints on any Draw with the top-left corner at (x, y) and the device width cx, as one page.
	void      Paint(Draw& w, int x, int y, int cx, const RichPaintInfo& pi) const;
	RichCaret GetCaret(int pos, const Rect& page) const;
	int       GetPos(int x, PagePos y, const Rect& page) const;
	RichPos   GetRichPos(int pos, int max_level = INT_MAX) const;

	// Rescales the styles and every part. Not locked: zoom a document before others see it. A
	// zoom of equal terms or with divisor 0 leaves it as it is.
	void      ApplyZoom(Zoom z);
	// Appends p, packed against the style its format names.
	void Cat(const RichPara& p);
	// Stores st under id (with the format's styleid id, no language and no page break) and has
	// every paragraph of that style laid out again.
	void SetStyle(const Uuid& id, const RichStyle& st);

	// A walk's context on page at py, with the document's own header and footer in force.
	RichPageContext MakeContext(const Rect& page, PagePos py) const;
	// The end of the document laid out on page from (0, 0).
	PagePos GetHeight(const Rect& page) const;
	// Evaluates the fields with "PAGENUMBER" page + 1 and "PAGECOUNT" count.
	void    SetPageFields(int page, int count);

	// Paints the document laid out on page from py, then the headers and footers of the pages
	// it covered.
	void    Paint(PageDraw& pw, PagePos py, const Rect& page, const RichPaintInfo& pi) const;
	// The headers and footers in force on pages from_page to to_page, with their page numbers.
	void    PaintHeaderFooter(PageDraw& pw, const Rect& page, PagePos py, const RichPaintInfo& pi,
	                          int from_page, int to_page) const;

private:
	mutable Mutex             mutex; // recursive: a query may enter others on the same thread
	// Most documents never get a style of their own, and building the map of the one default
	// style is much of what a short text costs: until a style is set they share that map
	// (default_styles) and style stays empty.
	ArrayMap<Uuid, RichStyle> style;
	bool                      default_styles = true;

	// What walks from the top remember (under the lock, like the parts' layout caches).
	mutable std::unique_ptr<detail::PageMarkCache> marks;

	RichText(const RichText& src, const Mutex::Lock& src_lock);
	RichText(RichText&& src, const Mutex::Lock& src_lock) noexcept;
	// The marks for walks from start, with those of changed parts dropped; null when walks go
	// from the top.
	detail::PageMarks* Marks(const RichPageContext& start) const;
	// Drops the marks of parts changed since the last query.
	void DropChangedMarks() const;

	// SetPageFields on a header or footer that a walk shows: walks reach them through the
	// documents, tables and paragraphs that own them, read-only.
	void SetShownPageFields(int page, int count) const;

	static const ArrayMap<Uuid, RichStyle>& DefaultStyles();
	// The document's own styles, to change.
	ArrayMap<Uuid, RichStyle>& OwnStyles();

	friend class RichTxt;
	friend struct RichPageContext;
	friend class detail::RichQtfParser; // sets styles' next once every style is known
};

// Replaces the document in slot by one parsed from qtf (none when qtf is empty). Part of the
// QTF reader, which headers and footers of documents, paragraphs and tables are made with.
void SetHeaderQtf(RichTextValue& slot, const String& qtf);

} // namespace Qel
