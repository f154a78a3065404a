// Painting of runs and paragraphs, recorded call by call: decorations, marks and tab leaders of
// runs; rulers, bullets, objects, selection, spelling and marks of paragraphs, at exact sizes
// (objects of a given size, zoom 1/1 unless a case says otherwise).
#include "PaintTestUtil.h"
#include "RichTestTypes.h"

#include <gtest/gtest.h>

#include <regex>

using namespace QelTest;

namespace {

std::string C(Color c) { return RecordingDraw::C(c); }

std::string F(Font f) { return ~Format("f%llx", (unsigned long long)f.AsInt64()); }

// PaintRun over the characters of text, each 60 units wide, from x 100 on a line at 400 of height
// 150 and ascent 100 (baseline 500).
std::string PaintOneRun(const RichPaintInfo& pi, const RichPara::CharFormat& f, const WString& text,
                Zoom z = Zoom(1, 1), bool highlight = false, int ascent = 100)
{
	int n = text.GetLength();
	Vector<const RichPara::CharFormat*> fmt;
	Vector<int> dx;
	for(int i = 0; i < n; i++) {
		fmt.Add(&f);
		dx.Add(z * (100 + 60 * (i + 1)) - z * (100 + 60 * i));
	}
	RecordingDraw w;
	RichPara::PaintRun(w, pi, text, fmt.begin(), dx.begin(), 0, n, 100, 100 + 60 * n, 500, 400, 150, ascent, z,
	                   highlight);
	std::string s;
	for(const std::string& c : w.calls)
		if(c != "BeginNative" && c != "EndNative")
			s += (s.empty() ? "" : " | ") + c.substr(0, c.find(" dx"));
	return s;
}

RichText Qtf(const std::string& s) { return ParseQtf(s.c_str()); }
std::string B(int cx, int cy) { return QtfBox(cx, cy); }
std::string TR(int cx, int cy) { return ~Format("@@TestRect:%d*%d(MSAxIDEgMQ==)", cx, cy); }

RecordingPageDraw Paint(const RichText& doc, const RichPaintInfo& pi = RichPaintInfo(), int height = 1000)
{
	RecordingPageDraw pw;
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, height), pi);
	return pw;
}

} // namespace

TEST(PaintRun, LinksBackgroundsAndInk)
{
	RichPaintInfo pi;
	RichPara::CharFormat f;
	f.link = "http://x";
	Font u = Font(f).Underline();
	EXPECT_EQ(PaintOneRun(pi, f, "ab"), "Escape url:http://x | Text 100,407 a0 \"ab\" " + F(u) + C(ThemeMarkColor()) + " | Escape url:");
	pi.link_color = Color();
	EXPECT_EQ(PaintOneRun(pi, f, "ab"), "Escape url:http://x | Text 100,407 a0 \"ab\" " + F(f) + "#00000000 | Escape url:");

	RichPaintInfo q;
	RichPara::CharFormat p;
	p.paper = Color(255, 255, 0);
	p.ink = Color(0, 0, 255);
	EXPECT_EQ(PaintOneRun(q, p, "a"), "Rect 100,400,60,150#0000FFFF | Text 100,407 a0 \"a\" " + F(p) + "#00FF0000");
	EXPECT_EQ(PaintOneRun(q, p, "a", Zoom(1, 1), true), "Text 100,407 a0 \"a\" " + F(p) + "#00FF0000");
	q.dark_theme = true;
	EXPECT_EQ(PaintOneRun(q, p, "a"), "Rect 100,400,60,150" + C(DarkThemeCached(p.paper)) + " | Text 100,407 a0 \"a\" " + F(p) +
	                          C(DarkThemeCached(p.ink)));
	q.text_color = Color(0, 128, 0); // every run in it, no backgrounds
	EXPECT_EQ(PaintOneRun(q, p, "a"), "Text 100,407 a0 \"a\" " + F(p) + "#00008000");

	RichPara::CharFormat x;
	x.indexentry = "entry";
	EXPECT_EQ(PaintOneRun(pi, x, "a"), "Rect 100,500,60,2" + C(ThemeGreen()) + " | Text 100,407 a0 \"a\" " + F(x) + "#00000000");
	pi.index_background = true;
	EXPECT_EQ(PaintOneRun(pi, x, "a").substr(0, 19), "Rect 100,400,60,150");
}

TEST(PaintRun, ScriptsDashesAndZeroZoom)
{
	RichPaintInfo pi;
	RichPara::CharFormat f;
	f.sscript = RichPara::SUPERSCRIPT;
	Font small = Font(f).Height(60); // 3/5, its top on the top of the full-size letters
	EXPECT_EQ(PaintOneRun(pi, f, "a"), "Text 100,407 a0 \"a\" " + F(small) + "#00000000");
	f.sscript = RichPara::SUBSCRIPT; // its foot on the full-size descent line: 500 + 24 - (56 + 15)
	EXPECT_EQ(PaintOneRun(pi, f, "a"), "Text 100,453 a0 \"a\" " + F(small) + "#00000000");

	RichPara::CharFormat d;
	d.dashed = true; // steps of ascent / 5, half of each drawn, a third of the descent high
	EXPECT_EQ(PaintOneRun(pi, d, "a"), "Rect 100,512,9,8#00000000 | Rect 118,512,9,8#00000000 | Rect 136,512,9,8#00000000 | "
	                           "Rect 154,512,9,8#00000000 | Text 100,407 a0 \"a\" " + F(d) + "#00000000");

	d.link = "l";
	d.paper = Color(1, 2, 3);
	d.indexentry = "e";
	d.sscript = RichPara::SUPERSCRIPT;
	std::string s = PaintOneRun(pi, d, "a\x0a b", Zoom(1, 0)); // everything at 0, nothing fails, no endless leader
	EXPECT_EQ(s.find("\".\""), std::string::npos) << s;
	for(const char* c : {"Rect 0,0,0,2", "Rect 0,0,0,0", "Text 0,-1", "Escape url:l"})
		EXPECT_NE(s.find(c), std::string::npos) << c << " in " << s;
}

TEST(PaintRun, TabLeadersAndMarksOfCodes)
{
	RichPaintInfo pi;
	RichPara::CharFormat f;
	f.Height(50);
	ASSERT_EQ(Font(f).GetWidth('.'), 16);
	WString tab;
	tab.Cat(10); // a tab with dots from 100 to 160: whole dots at multiples of 16
	tab.Cat('x');
	EXPECT_EQ(PaintOneRun(pi, f, tab), "Text 112,453 a0 \".\" " + F(f) + "#00000000 | Text 128,453 a0 \".\" " + F(f) +
	                           "#00000000 | Text 100,453 a0 \" x\" " + F(f) + "#00000000");
	EXPECT_EQ(PaintOneRun(pi, f, tab, Zoom(1, 50)).find("\".\""), std::string::npos); // a dot 0 wide: no leader

	pi.codes_color = Color(0, 0, 255);
	WString s = "a b";
	s.Cat(9);
	s.Cat(160);
	std::string r = PaintOneRun(pi, f, s);
	Image sp = RichTextImg::SpaceChar(), tb = RichTextImg::TabChar(), hs = RichTextImg::HardSpaceChar();
	auto at = [](int x, const Image& m) -> std::string { // centred in the character, on the baseline
		return ~Format("SysImage %d,%d %s#00FF0000", x + (60 - m.GetWidth()) / 2, 500 - m.GetHeight(), RecordingDraw::Img(m).c_str());
	};
	EXPECT_EQ(r, at(160, sp) + " | " + at(280, tb) + " | " + at(340, hs) + " | Text 100,453 a0 \"a b \xc2\xa0\" " +
	             F(f) + "#00000000");
	EXPECT_EQ(PaintOneRun(pi, f, s, Zoom(1, 1), false, sp.GetHeight()).find("SysImage"), std::string::npos); // too tall for the line
}

TEST(ParaPaint, LinesBreakAsLayoutDoes)
{
	RecordingTracer tr;
	RichPaintInfo pi;
	// With orphans off, a paragraph whose second line does not fit moves whole; a line taller
	// than a page stays where it falls.
	RichText doc = Qtf("[ " + B(1000, 800) + "&][ " + B(600, 100) + B(600, 150) + "&][ " + B(1000, 1500) + "]");
	RecordingPageDraw pw;
	pw.tracer = &tr;
	doc.Paint(pw, PagePos(0, 0), Rect(0, 0, 1000, 1000), pi);
	EXPECT_EQ(pw.All("Clipoff"), "0:Clipoff[0,0,1000,800] | 1:Clipoff[0,0,600,100] | 1:Clipoff[0,100,600,250] | "
	                             "1:Clipoff[0,250,1000,1750]");
	EXPECT_EQ(Join(tr.calls), "Para[0,0,1000,1000]0:0 /Para 0:800 Para[0,0,1000,1000]0:800 /Para 1:250 "
	                               "Para[0,0,1000,1000]1:250 /Para 2:0");
	pi.window_top = PagePos(1, 200); // lines above the window are only measured, below it not walked
	pi.window_bottom = PagePos(1, 300);
	EXPECT_EQ(Paint(doc, pi).All("Clipoff"), "1:Clipoff[0,100,600,250] | 1:Clipoff[0,250,1000,1750]");
}

TEST(ParaPaint, RulersAndBullets)
{
	auto ruler = [](const char* style) {
		return Paint(Qtf(std::string("[H10l100r50") + style + "h(0.0.255) ]")).All("Rect");
	};
	EXPECT_EQ(ruler(""), "0:Rect 100,0,850,10#00FF0000");
	std::string dots = ruler("L1"), dashes = ruler("L2");
	EXPECT_EQ(std::count(dots.begin(), dots.end(), '|'), 42); // 10 on, 10 off over 850
	EXPECT_EQ(dots.substr(0, 44), "0:Rect 100,0,10,10#00FF0000 | 0:Rect 120,0,1");
	EXPECT_EQ(dashes.substr(dashes.rfind('|')), "| 0:Rect 940,0,10,10#00FF0000"); // the last dash cut at the end
	EXPECT_EQ(std::count(dashes.begin(), dashes.end(), '|'), 21);

	std::string shapes[] = {"Ellipse[0,40,50,90]#00000000", "Ellipse[0,40,50,90]#00000000 | Ellipse[12,52,38,78]#00FFFFFF",
	                        "Rect 0,40,50,50#00000000", "Rect 0,40,50,50#00000000 | Rect 12,52,26,26#00FFFFFF"};
	for(int b = 1; b <= 4; b++) {
		RecordingPageDraw pw = Paint(Qtf("[O" + std::to_string(b - 1) + " " + B(100, 100) + "]"));
		std::string s = b <= 2 ? pw.Of(0, "Ellipse") : pw.Of(0, "Rect 0,40") + (b == 4 ? " | " + pw.Of(0, "Rect 12") : "");
		EXPECT_EQ(std::regex_replace(s, std::regex(" w-2147483648#[0-9A-F]{8}"), ""), shapes[b - 1]) << b; // no outline
	}
}

TEST(ParaPaint, Objects)
{
	RichPaintInfo pi;
	RichText doc = Qtf("[$(255.255.0) " + TR(200, 100) + "]");
	EXPECT_EQ(Paint(doc, pi).Of(0), "Rect 0,0,200,100#0000FFFF | Clipoff[0,0,200,100] | Rect 0,0,200,100#000000FF | End");
	pi.size_tracking = true;
	EXPECT_EQ(Paint(doc, pi).Of(0, "Rect 0,0,200,100#4"), "Rect 0,0,200,100" + C(ThemeFaceColor()));
	pi.size_tracking = false;
	pi.use_cache = true;
	Image img = ImageAnyDraw(1, 1); // made through the image cache
	std::string cached = Paint(doc, pi).Of(0, "SysImage");
	EXPECT_EQ(cached.substr(0, 28), "SysImage 0,0 img200x100:" + cached.substr(24, 4));
	pi.zoom = Zoom(10000, 1); // 2,000,000 x 1,000,000 pixels are drawn, not made into an image
	EXPECT_EQ(Paint(doc, pi).Of(0, "Rect 0,0,2000000"), "Rect 0,0,2000000,1000000#0000FFFF | Rect 0,0,2000000,1000000#000000FF");

	// Cut at the page's right edge, in device units on both sides.
	RichPaintInfo s;
	s.shrink_objects = true;
	s.zoom = Zoom(1, 2);
	EXPECT_EQ(Paint(Qtf("[ " + TR(1500, 100) + "]"), s).Of(0, "Clipoff"), "Clipoff[0,0,500,50]");

	RichObjectImageMaker m(TestRectObject(Size(1, 1), Size(1, 1), Size(5, 5)), Size(7, 9), &s);
	String key = m.Key();
	ASSERT_EQ(key.GetLength(), 24);
	int64 serial;
	memcpy(&serial, ~key, 8);
	EXPECT_EQ(serial, m.object.GetSerialId());
	EXPECT_EQ(memcmp(~key + 8, "\x07\0\0\0\x09\0\0\0", 8), 0);
	EXPECT_EQ(m.Make().GetSize(), Size(7, 9));
}

TEST(ParaPaint, SelectionAcrossLinesParagraphsAndPages)
{
	// Two lines of one box each, then a paragraph that moves to the next page (page 250 high).
	RichText doc = Qtf("[a30 " + B(600, 100) + B(600, 100) + "&][b50 " + B(600, 100) + "]");
	auto sel = [&](int a, int b) {
		RichPaintInfo pi;
		pi.sel_start = a;
		pi.sel_end = b;
		return Paint(doc, pi, 250).All("#800000FF");
	};
	EXPECT_EQ(sel(0, 2), "0:Rect 0,0,1000,100#800000FF | 0:Rect 0,100,600,100#800000FF"); // ends at the line's end
	EXPECT_EQ(sel(1, 4), "0:Rect 600,0,400,100#800000FF | 0:Rect 0,100,1000,100#800000FF | "   // on past the line
	                     "0:Rect 0,200,1000,30#800000FF | "                                   // the paragraph end
	                     "1:Rect 0,0,1000,50#800000FF | 1:Rect 0,50,600,100#800000FF");       // over the space before
	EXPECT_EQ(sel(2, 3), "0:Rect 600,100,400,100#800000FF | 0:Rect 0,200,1000,30#800000FF");
	// A line moved to the next page leaves the rest of its page selected.
	RichText three = Qtf("[Q " + B(600, 100) + B(600, 100) + B(600, 100) + "]");
	RichPaintInfo pi;
	pi.sel_start = 1;
	pi.sel_end = 3;
	EXPECT_EQ(Paint(three, pi, 250).All("#800000FF"), "0:Rect 600,0,400,100#800000FF | 0:Rect 0,100,1000,100#800000FF | "
	          "0:Rect 0,200,1000,50#800000FF | 1:Rect 0,0,600,100#800000FF");
}

TEST(ParaPaint, HighlightSpellingAndMarks)
{
	RichText doc = Qtf("[:label: " + B(100, 100) + B(100, 100) + "]");
	RichPaintInfo pi;
	pi.highlight_pos = 0;
	EXPECT_EQ(Paint(doc, pi).Of(0, "Rect 0,0,1000"), "Rect 0,0,1000,100" + C(ThemeYellow()));
	pi.highlight_pos = -1;
	pi.highlight_test = [](const String& label) { return label == "label"; };
	EXPECT_EQ(Paint(doc, pi).Of(0, "Rect 0,0,1000"), "Rect 0,0,1000,100" + C(ThemeYellow()));

	RichPaintInfo sp;
	sp.spelling_hook = [](const RichPara&) { Bits b; b.Set(1); return b; };
	EXPECT_EQ(Paint(doc, sp).Of(0, "Rect 100,9"), "Rect 100,97,100,1#00000080 | Rect 100,98,100,1#000000FF");

	RichPaintInfo m;
	m.codes_color = Color(0, 0, 255);
	m.show_labels = true;
	Image end = RichTextImg::EndParaChar(), label = RichTextImg::Label();
	ASSERT_GE(FindIml("RichTextImg"), 0); // the marks' list is known by name before main
	EXPECT_EQ(GetImlImage("RichTextImg:EndParaChar").GetSize(), end.GetSize());
	std::string s = Paint(doc, m).Of(0, "SysImage");
	EXPECT_EQ(s, ~Format("SysImage 200,%d %s#00FF0000 | SysImage %d,%d %s#00FF0000", 100 - end.GetHeight(),
	                     RecordingDraw::Img(end).c_str(), -7 - label.GetWidth(), (100 - label.GetHeight()) / 2,
	                     RecordingDraw::Img(label).c_str()));
	m.zoom = Zoom(end.GetHeight(), 100); // the line's ascent no taller than the mark: none
	EXPECT_EQ(Paint(doc, m).Of(0, "SysImage 18"), "");
	m.zoom = Zoom(1, 1);
	RecordingPageDraw dots;
	dots.info = INFO_DOTS; // the page-break mark in steps of 50 on dots, 8 elsewhere
	Qtf("[P ]").Paint(dots, PagePos(0, 0), Rect(0, 0, 100, 1000), m);
	EXPECT_EQ(dots.Of(1, "Rect"), "Rect 0,0,25,6#00FF0000 | Rect 50,0,25,6#00FF0000");
}

TEST(ParaPaint, ZeroZoomDivisor)
{
	RichText doc = Qtf("[H10O1L1:l:P$(1.2.3)d Text-|" + B(100, 100) + "&][ x]{{1:1 a:: b}}");
	RichPaintInfo pi;
	pi.zoom = Zoom(3, 0);
	pi.codes_color = Color(1, 1, 1);
	pi.sel_end = 100;
	pi.spelling_hook = [](const RichPara&) { Bits b; b.Set(0); return b; };
	RecordingPageDraw pw = Paint(doc, pi);
	EXPECT_NE(pw.Of(1, "Rect 0,0,0,1#00000000"), ""); // the ruler keeps 1
	// Everything at 0: what keeps a size (pens, the ruler) is a pixel or two.
	std::regex number("-?[0-9]+");
	for(const auto& [p, d] : pw.pages)
		for(const std::string& c : d->calls) {
			std::string at = c.substr(0, c.find_first_of("#\"")).substr(0, c.find(" img"));
			for(std::sregex_iterator q(at.begin(), at.end(), number), e; q != e; ++q)
				EXPECT_LE(abs(std::stoi(q->str())), 2) << c;
		}
}
