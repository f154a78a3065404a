// Queries that walk on from remembered contexts give what walks from the first part give: over
// random documents of some hundreds of parts (numbering, keep-with-next, orphans, page breaks,
// headers and footers with page numbers set by paragraphs and tables, nested tables with spans
// and header rows) on small pages, edited at random places between the queries.
#include "PaintTestUtil.h"
#include "Sanitized.h"

#include <richtext/layout/detail/PageMarks.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <stdexcept>

using namespace QelTest;

namespace {

struct Gen {
	std::mt19937 rng;
	explicit Gen(unsigned seed) : rng(seed) {}

	int  Int(int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); }
	bool Chance(int percent) { return Int(0, 99) < percent; }
};

const char* const sHeaders[] = {
	"page {:VALUE:PAGENUMBER:}",
	"[2 {:VALUE:PAGENUMBER:} of {:VALUE:PAGECOUNT:}]",
	"[3 head]&[1 second {:VALUE:PAGENUMBER:}]",
};

RichPara RandomPara(Gen& g, bool top)
{
	RichPara p;
	RichPara::Format& f = p.format;
	f.before = g.Int(0, 60);
	f.after = g.Int(0, 60);
	f.ruler = g.Chance(5) ? g.Int(1, 10) : 0;
	f.newpage = g.Chance(3);
	f.fflag = g.Chance(4);
	f.keep = g.Chance(10);
	f.keepnext = g.Chance(20);
	f.orphan = g.Chance(40);
	if(g.Chance(25)) {
		f.number[0] = RichPara::NUMBER_1;
		f.number[1] = byte(g.Chance(50) ? RichPara::NUMBER_1 : 0);
		f.reset_number = g.Chance(10);
		f.after_number = ". ";
	}
	if(top && g.Chance(6)) {
		f.newhdrftr = true;
		f.header_qtf = g.Chance(80) ? sHeaders[g.Int(0, 2)] : "";
		f.footer_qtf = g.Chance(50) ? sHeaders[g.Int(0, 2)] : "";
	}
	for(int n = g.Int(0, 10); n > 0; n--) {
		RichPara::CharFormat c;
		c.Height(g.Chance(15) ? g.Int(150, 400) : g.Int(60, 140));
		if(g.Chance(5)) {
			p.Cat(Box(g.Int(20, 300), g.Int(10, 300)), c);
			continue;
		}
		WString s;
		for(int w = g.Int(1, 4); w > 0; w--) {
			for(int k = g.Int(1, 8); k > 0; k--)
				s.Cat(wchar('a' + g.Int(0, 25)));
			s.Cat(' ');
		}
		p.Cat(s, c);
	}
	return p;
}

void FillText(Gen& g, RichTxt& t, int parts, int depth);

RichTable RandomTable(Gen& g, int depth)
{
	RichTable t;
	int cols = g.Int(1, 3);
	int rows = g.Int(1, 5);
	for(int c = 0; c < cols; c++)
		t.format.column_widths.Add(g.Int(1, 4));
	t.format.frame_width = g.Int(0, 10);
	t.format.grid_width = g.Int(0, 6);
	t.format.before = g.Int(0, 40);
	t.format.after = g.Int(0, 40);
	t.format.header_rows = g.Chance(30) ? g.Int(1, 2) : 0;
	t.format.new_page = g.Chance(5);
	if(depth == 0 && g.Chance(20)) {
		t.format.new_header_footer = true;
		SetHeaderQtf(t.header, sHeaders[g.Int(0, 2)]);
		if(g.Chance(50))
			SetHeaderQtf(t.footer, sHeaders[g.Int(0, 2)]);
	}
	for(int r = 0; r < rows; r++) {
		Array<RichCell>& row = t.cell.Add();
		row.SetCount(cols);
		for(RichCell& x : row) {
			x.format.valign = g.Int(1, 3);
			x.format.keep = g.Chance(10);
			x.format.min_height = g.Chance(20) ? g.Int(0, 400) : 0;
			x.vspan = g.Chance(10) ? 1 : 0;
			x.hspan = g.Chance(10) ? 1 : 0;
			FillText(g, x.text, g.Int(1, 3), depth + 1);
		}
	}
	return t;
}

void FillText(Gen& g, RichTxt& t, int parts, int depth)
{
	for(int i = 0; i < parts; i++)
		if(depth < 2 && g.Chance(depth ? 10 : 6)) {
			RichTable tab = RandomTable(g, depth);
			t.SetTable(i, tab);
		}
		else
			t.SetPara(i, RandomPara(g, depth == 0), RichStyle());
}

// A table whose header rows take most of a page, with a page number field in them: zoomed,
// restyled, laid out on a lower page or with a longer number, they may outgrow the page.
RichTable TallHeaderTable(Gen& g, int page_height)
{
	RichTable t = RandomTable(g, 0);
	t.format.header_rows = g.Chance(25) ? 2 : 1;
	int cols = t.format.column_widths.GetCount();
	for(int r = g.Int(2, 5); r > 0; r--) {
		Array<RichCell>& row = t.cell.Add();
		row.SetCount(cols);
		for(RichCell& x : row)
			FillText(g, x.text, g.Int(1, 2), 1);
	}
	// lines that together fill most of the page: the rows cross a page when they outgrow it;
	// the other cells of the header rows hold a line at most
	for(int r = 0; r < t.format.header_rows && r < t.cell.GetCount(); r++)
		for(RichCell& x : t.cell[r]) {
			x.text = RichTxt();
			if(g.Chance(50))
				x.text.SetPara(0, RandomPara(g, false), RichStyle());
		}
	t.cell[0][0].hspan = cols - 1; // as wide as the table: a narrow column would wrap the lines
	int lines = g.Int(2, 4);
	int line = page_height * g.Int(45, 90) / 100 / lines;
	RichTxt& text = t.cell[0][0].text;
	for(int i = 0; i < lines; i++) {
		RichPara p;
		RichPara::CharFormat c;
		c.Height(g.Int(60, 200));
		if(i == 0) {
			p.Cat(WString("page "), c);
			p.Cat("VALUE", "PAGENUMBER", c);
		}
		p.Cat(Box(g.Int(20, 300), line), c);
		text.SetPara(i, p, RichStyle());
	}
	return t;
}

// Pages past the document's last are never drawn on: a paint that reaches one stops there.
class BoundedPageDraw : public RecordingPageDraw {
public:
	int last = 0;

	Draw& Page(int page) override
	{
		if(page > last)
			throw std::runtime_error("painted page " + std::to_string(page) + " of " + std::to_string(last + 1));
		return RecordingPageDraw::Page(page);
	}
};

// Every query's answers, as one text; without the paints, which draw the runs of a part apart.
std::string Answers(const RichText& doc, const Rect& page, unsigned seed, bool paints = true)
{
	Gen g(seed);
	std::ostringstream s;
	PagePos end = doc.GetHeight(page);
	s << "end " << end.page << ":" << end.y << "\n";
	int len = doc.GetLength();
	for(int k = 0; k < 40; k++) {
		int pos = k == 0 ? len : k == 1 ? len + 5 : g.Int(0, len);
		RichCaret c = doc.GetCaret(pos, page);
		RichPos rp = doc.GetRichPos(pos, g.Chance(20) ? 1 : INT_MAX);
		s << "caret " << pos << ": " << c.page << " " << c.left << " " << c.top << " " << c.right << " "
		  << c.bottom << " " << c.text_page.top << " " << c.text_page.bottom << " pos " << rp.para_index << " "
		  << rp.pos_in_para << " " << rp.table << " " << rp.tables_before << " " << rp.level << "\n";
	}
	for(int k = 0; k < 40; k++) {
		PagePos p(g.Int(0, end.page + 1), g.Int(page.top - 50, page.bottom + 50));
		int x = g.Int(page.left - 50, page.right + 50);
		s << "pos " << p.page << ":" << p.y << "," << x << " " << doc.GetPos(x, p, page) << "\n";
	}
	for(int k = 0; k < 4; k++) {
		BoundedPageDraw pw;
		pw.last = end.page;
		RichPaintInfo pi;
		pi.zoom = Zoom(1, 3);
		int top = g.Int(0, end.page), bottom = g.Int(top, end.page + 1);
		pi.window_top = PagePos(top, g.Int(page.top, page.bottom));
		pi.window_bottom = PagePos(bottom, g.Int(page.top, page.bottom));
		pi.sel_start = g.Int(0, len);
		pi.sel_end = g.Int(0, len);
		pi.table_sel = g.Int(0, 5);
		if(k & 1)
			pi.codes_color = Color(255, 0, 0);
		doc.Paint(pw, page, pi);
		s << "paint " << k << ": " << (paints ? pw.All() : "") << "\n";
	}
	return s.str();
}

// A style that numbers its paragraphs in one of a few ways, or does not, with the character
// format of st: runs whose formats came to be equal would be painted apart until stored again.
RichStyle NumberedStyle(Gen& g, RichStyle st = RichStyle())
{
	RichPara::Format& f = st.format;
	f.before_number = f.after_number = String();
	f.reset_number = false;
	memset(f.number, 0, sizeof(f.number));
	f.before = g.Int(0, 40);
	switch(g.Int(0, 3)) {
	case 0:
		break;
	case 1:
		f.number[0] = RichPara::NUMBER_1;
		f.after_number = ". ";
		break;
	case 2:
		f.number[0] = RichPara::NUMBER_I;
		f.number[1] = RichPara::NUMBER_a;
		f.before_number = "(";
		f.after_number = ") ";
		break;
	default:
		f.number[0] = RichPara::NUMBER_A;
		f.reset_number = g.Chance(50);
		break;
	}
	return st;
}

// from's parts stored anew into to, each paragraph as it unpacks under styles.
void Restore(RichTxt& to, const RichTxt& from, const ArrayMap<Uuid, RichStyle>& styles)
{
	for(int i = 0; i < from.GetPartCount(); i++) {
		if(from.IsPara(i)) {
			RichPara p = from.Get(i, styles);
			to.SetPara(i, p, GetStyle(styles, p.format.styleid));
			continue;
		}
		RichTable t(from.GetTable(i));
		for(Array<RichCell>& row : t.cell)
			for(RichCell& c : row) {
				RichTxt text;
				Restore(text, c.text, styles);
				c.text = std::move(text);
			}
		to.SetTable(i, t);
	}
}

// A document made afresh of the paragraphs doc holds as they are now, in its styles.
RichText Restored(const RichText& doc)
{
	RichText r;
	for(int i = 0; i < doc.GetStyles().GetCount(); i++)
		r.SetStyle(doc.GetStyles().GetKey(i), doc.GetStyles()[i]);
	r.header = doc.header;
	r.footer = doc.footer;
	Restore(r, doc, doc.GetStyles());
	return r;
}

struct FullWalks {
	FullWalks()  { detail::SetFullPageWalks(true); }
	~FullWalks() { detail::SetFullPageWalks(false); }
};

} // namespace

TEST(PageMarksProperty, QueriesFromMarksAnswerAsWalksFromTheTop)
{
	// two documents under the sanitizers, whose runs take minutes on all six
	for(unsigned seed = 1; seed <= (SANITIZED ? 2u : 6u); seed++) {
		Gen g(seed);
		RichText doc;
		if(g.Chance(60))
			SetHeaderQtf(doc.header, sHeaders[g.Int(0, 2)]);
		if(g.Chance(50))
			SetHeaderQtf(doc.footer, sHeaders[g.Int(0, 2)]);
		FillText(g, doc, g.Int(130, 260), 0);
		Rect page(g.Int(0, 100), g.Int(0, 100), 0, 0);
		page.right = page.left + g.Int(1200, 3000);
		page.bottom = page.top + g.Int(900, 2500);
		for(int round = 0; round < 5; round++) {
			unsigned q = seed * 100 + round;
			std::string marked = Answers(doc, page, q);
			std::string again = Answers(doc, page, q + 50); // with the marks the first one left
			std::string full, full_again;
			{
				FullWalks f;
				full = Answers(doc, page, q);
				full_again = Answers(doc, page, q + 50);
			}
			ASSERT_EQ(marked, full) << "seed " << seed << ", round " << round;
			ASSERT_EQ(again, full_again) << "seed " << seed << ", round " << round;
			// edits at random places, each from its part on
			for(int e = g.Int(1, 3); e > 0; e--) {
				int n = doc.GetPartCount();
				int i = g.Int(0, n);
				if(n > 64 && g.Chance(60)) // where a walk's context is remembered, or next to it
					i = 64 * g.Int(1, n / 64) - g.Int(0, 1);
				switch(g.Int(0, 6)) {
				case 0: {
					RichTable t = RandomTable(g, 0);
					doc.SetTable(min(i, n - 1), t);
					break;
				}
				case 1:
					doc.Cat(RandomPara(g, true));
					break;
				case 2:
					SetHeaderQtf(doc.header, g.Chance(70) ? sHeaders[g.Int(0, 2)] : "");
					break;
				case 3: {
					RichStyle st;
					st.format.before = g.Int(0, 100);
					st.format.Height(g.Int(60, 200));
					doc.SetStyle(Uuid(), st);
					break;
				}
				default:
					doc.SetPara(min(i, n - 1), RandomPara(g, true), RichStyle());
					break;
				}
			}
		}
	}
}

TEST(PageMarksProperty, CopiesAndMovesForgetTheMarks)
{
	Gen g(7);
	RichText doc;
	FillText(g, doc, 200, 0);
	Rect page(0, 0, 1500, 1200);
	std::string a = Answers(doc, page, 1);
	RichText copy = doc;
	RichText other;
	FillText(g, other, 100, 0);
	Answers(other, page, 2);
	other = std::move(copy); // other's marks are of other parts
	std::string b = Answers(other, page, 1);
	RichText moved(std::move(other));
	std::string c = Answers(moved, page, 1);
	EXPECT_EQ(a, b);
	EXPECT_EQ(a, c);
}

// A document's own header and footer may be changed in place (a table's may not: they are const
// to whoever holds the table): every way of doing so leaves answers a fresh copy gives, as each
// query measures them again.
TEST(PageMarksProperty, OwnHeaderChangedInPlace)
{
	Gen g(9);
	String qtf;
	for(int i = 0; i < 400; i++)
		qtf << "[+" << 100 + 50 * (i % 5) << " paragraph " << i << "]&";
	RichText doc = ParseQtf(~qtf);
	SetHeaderQtf(doc.header, sHeaders[0]);
	SetHeaderQtf(doc.footer, sHeaders[1]);
	Rect page(0, 0, 2000, 1500);
	const std::function<void()> change[] = {
		[&] { doc.header->SetPara(0, ParseQtf("[+600 tall]").Get(0, RichText().GetStyles()), RichStyle()); },
		[&] { doc.header->Cat(RandomPara(g, false)); },
		[&] { doc.footer->ApplyZoom(Zoom(3, 1)); },
		[&] { SetHeaderQtf(doc.header->header, "[+300 nested]"); },
		[&] { *doc.header = ParseQtf("a&b&c"); },
		[&] { doc.footer.Clear(); },
		[&] { doc.footer.Set(ParseQtf("[+400 back]")); },
	};
	for(int k = 0; k < (int)std::size(change); k++) {
		Answers(doc, page, k); // the walks remember their pages
		change[k]();
		RichText fresh = doc;
		ASSERT_EQ(Answers(doc, page, 100 + k), Answers(fresh, page, 100 + k)) << "change " << k;
	}
}

// The frame and grid of a table above the window would fall on pages that are not painted.
TEST(PageMarksProperty, TableAboveTheWindowDrawsNothing)
{
	RichText doc;
	RichTable t;
	t.format.column_widths.Add(1);
	t.format.frame_width = 10;
	t.format.grid_width = 5;
	for(int r = 0; r < 2; r++)
		t.cell.Add().SetCount(1);
	doc.SetTable(0, t);
	RichPara p;
	p.format.newpage = true;
	p.Cat(WString("below"), RichPara::CharFormat());
	doc.SetPara(1, p, RichStyle());
	Rect page(0, 0, 2000, 1500);
	RecordingPageDraw all, below;
	doc.Paint(all, page, RichPaintInfo());
	ASSERT_NE(all.Of(0, "Rect"), "");
	RichPaintInfo pi;
	pi.window_top = PagePos(1, 0);
	doc.Paint(below, page, pi);
	EXPECT_EQ(below.Of(0), "");
	EXPECT_NE(below.Of(1, "below"), "");
}

// A change at a remembered part reaches the context before it: the part before keeps with it, so
// a taller first line there sends that part to the next page. The page is shifted until it does.
TEST(PageMarksProperty, AnEditAtAMarkMovesThePartKeptWithIt)
{
	const int at = detail::PageMarks::STEP;
	Rect page(0, 0, 2000, 1000);
	auto line = [](int height) {
		RichPara p;
		RichPara::CharFormat c;
		c.Height(height);
		p.Cat(WString("x"), c);
		return p;
	};
	int moved = 0;
	for(int shift = 0; shift < 1000; shift += 10) {
		RichText doc;
		for(int i = 0; i <= 2 * at; i++) {
			RichPara p = line(100);
			p.format.before = i == 0 ? shift : 0;
			p.format.keepnext = i == at - 1;
			doc.SetPara(i, p, RichStyle());
		}
		int before_at = 2 * (at - 1); // each part holds one character
		int page_before = doc.GetCaret(before_at, page).page;
		doc.GetCaret(doc.GetLength(), page); // leaves marks along the whole document
		doc.SetPara(at, line(600), RichStyle());
		RichCaret end = doc.GetCaret(doc.GetLength(), page);
		int page_after = doc.GetCaret(before_at, page).page;
		FullWalks f;
		ASSERT_EQ(end, doc.GetCaret(doc.GetLength(), page)) << "shift " << shift;
		ASSERT_EQ(page_after, doc.GetCaret(before_at, page).page) << "shift " << shift;
		moved += page_after != page_before;
	}
	EXPECT_GT(moved, 0) << "some shift sends the part kept with the edited one to the next page";
}

// What walks keep of each part follows every change to the parts, and what tables keep of their
// layout every zoom, restyle, page and page number: an edited document, walked before and after
// each change, answers as a copy of it laid out afresh.
TEST(PageMarksProperty, EditedDocumentsAnswerAsTheirFreshCopies)
{
	for(unsigned seed = SANITIZED ? 12 : 11; seed <= 12; seed++) { // one under the sanitizers
		Gen g(seed);
		RichText doc;
		FillText(g, doc, g.Int(60, 120), 0);
		Rect page(0, 0, g.Int(1200, 3000), g.Int(900, 2500));
		for(int k = 0; k < 3; k++) {
			RichTable t = TallHeaderTable(g, page.bottom - page.top);
			doc.SetTable(g.Int(0, doc.GetPartCount() - 1), t);
		}
		Uuid numbered; // a second style, numbered or not
		numbered.a = seed;
		doc.SetStyle(numbered, NumberedStyle(g));
		bool restyled = false;
		for(int round = 0; round < 6; round++) {
			unsigned q = seed * 100 + round;
			// lays out and leaves marks for the edits; after a restyle, answers as the document
			// made anew of its paragraphs as they unpack now (where a restyle left two parts of
			// one format, that paints them as one)
			std::string walked = Answers(doc, page, q, !restyled);
			ASSERT_EQ(walked, Answers(restyled ? Restored(doc) : RichText(doc), page, q, !restyled))
			    << "seed " << seed << ", round " << round;
			int n = doc.GetPartCount();
			int i = g.Int(0, n - 1);
			switch(g.Int(0, 4)) {
			case 0: {
				RichTable t = g.Chance(50) ? TallHeaderTable(g, page.bottom - page.top) : RandomTable(g, 0);
				doc.SetTable(i, t);
				break;
			}
			case 1: // past the end: empty paragraphs between
				doc.SetPara(n + g.Int(0, 3), RandomPara(g, true), RichStyle());
				break;
			case 2: {
				RichText other = std::move(doc);
				doc = std::move(other);
				doc.Cat(RandomPara(g, true));
				break;
			}
			default: // a paragraph where a table may have been, or the reverse
				doc.SetPara(i, RandomPara(g, true), RichStyle());
				break;
			}
			// and one to three changes that lay every table out again: tall header rows may
			// come to fit on a page or no longer fit; restyles that give the paragraphs (those in
			// cells too) numbering, change or take it away, each through the style or by moving
			// the paragraphs to another style
			restyled = false;
			for(int k = g.Int(1, 3); k > 0; k--)
				switch(g.Int(0, 5)) {
				case 0: {
					RichStyle st;
					st.format.after = g.Int(0, 100);
					st.format.Height(g.Int(60, 200));
					doc.SetStyle(Uuid(), st);
					break;
				}
				case 4: {
					Uuid id = g.Chance(50) ? Uuid() : numbered;
					doc.SetStyle(id, NumberedStyle(g, GetStyle(doc.GetStyles(), id)));
					restyled = true;
					break;
				}
				case 5: { // the paragraphs of one style moved to the other
					bool to_numbered = g.Chance(50);
					RichText::StyleChangeOp op(to_numbered ? Uuid() : numbered, to_numbered ? numbered : Uuid());
					doc.Update(op);
					restyled = true;
					break;
				}
				case 1:
					doc.ApplyZoom(Zoom(g.Int(2, 4), 3));
					break;
				case 2:
					page = Rect(0, 0, g.Int(1200, 3000), g.Int(900, 2500));
					break;
				default: // page numbers of another width in the tables' header rows
					doc.SetPageFields(g.Chance(50) ? g.Int(0, 9) : g.Int(100000, 999989), 999990);
					break;
				}
		}
	}
}
