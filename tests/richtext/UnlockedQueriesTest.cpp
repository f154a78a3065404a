// The queries of a document that take no lock (lengths, plain text, parts, styles, tables and
// their cells) from several threads while others lay the same document out and paint it. Meant
// for ThreadSanitizer; without it the answers are checked all the same.
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

using namespace QelTest;

namespace {

// Numbered paragraphs, long ones that wrap, tables with a nested table and numbered cells, and a
// header with a page field, which painting evaluates for every page.
String Qtf()
{
	String qtf = "^H[ page {:VALUE:PAGENUMBER:}]^^";
	for(int i = 0; i < 6; i++) {
		qtf << "[N1m.;l150i100 numbered paragraph " << i << "&]";
		qtf << "[ a paragraph long enough to wrap at the narrower widths the layout threads ask for, "
		       "number " << i << "&]";
		qtf << "{{1:2 cell " << i << ":: {{1:1 inner:: [N1; numbered in a cell&second]}}:: c:: "
		       "[* bold] text}}";
	}
	qtf << "[ the end]";
	return qtf;
}

std::string Utf8(const WString& s)
{
	return ~s.ToString();
}

std::string Text(const RichPara& p)
{
	std::string s;
	for(const RichPara::Part& q : p.part)
		s += Utf8(q.text);
	return s;
}

// What the queries of doc's tables and their cells answer. They take no lock, nor does anything
// they call, so nothing orders them after what the walks of other threads store.
std::vector<std::string> TableAnswers(const RichText& doc)
{
	std::vector<std::string> a;
	for(int i = 0; i < doc.GetPartCount(); i++)
		if(doc.IsTable(i)) {
			const RichTable& t = doc.GetTable(i);
			const RichTxt& cell = t.cell[0][1].text;
			const RichTxt& inner = cell.GetTable(0).cell[0][1].text;
			a.push_back(std::to_string(t.GetLength()) + " " + std::to_string(t.GetTableCount()) + " " +
			            std::to_string(cell.GetLength()) + " " + std::to_string(cell.GetTableCount()) + " " +
			            std::to_string(inner.GetLength()) + " " + std::to_string(inner.IsEmpty()) + " " +
			            Utf8(cell.GetPlainText()) + Utf8(t.cell[0][0].text.GetPlainText(true)));
		}
	return a;
}

// What the queries of the whole document answer, its paragraphs unpacked and its tables copied.
std::vector<std::string> DocumentAnswers(const RichText& doc)
{
	std::vector<std::string> a = {std::to_string(doc.GetLength()), std::to_string(doc.GetTableCount()),
	                              std::to_string(doc.GetPartCount()), std::to_string(doc.IsEmpty()),
	                              Utf8(doc.GetPlainText()), Utf8(doc.GetPlainText(true, false)),
	                              std::to_string(doc.GetStyles().GetCount())};
	for(int i = 0; i < doc.GetPartCount(); i++) {
		if(doc.IsPara(i)) {
			a.push_back(Text(doc.Get(i, doc.GetStyles(), i % 2)));
			continue;
		}
		const RichTable& t = doc.GetTable(i);
		RichTable copy(t);
		a.push_back(std::to_string(copy.GetLength()) + " " +
		            Text(t.cell[0][1].text.GetTable(0).cell[0][1].text.Get(0, doc.GetStyles(), true)));
	}
	return a;
}

struct PaintsAll : NilDraw {
	bool IsPaintingOp(const Rect&) const override { return true; }
};

} // namespace

// Every round reads the text again, so that the totals the readers ask for are not yet known and
// are counted while the layout threads store what they laid out beside the same parts.
TEST(UnlockedQueries, AnswerWhileOtherThreadsLayOutAndPaint)
{
	const String qtf = Qtf();
	const std::vector<std::string> tables = TableAnswers(ParseQtf(~qtf));
	const std::vector<std::string> whole = DocumentAnswers(ParseQtf(~qtf));
	std::atomic<int> wrong{0}, header_wrong{0};
	for(int round = 0; round < 6; round++) {
		RichText doc = ParseQtf(~qtf);
		std::latch start(6);
		std::vector<std::thread> threads;
		for(int t = 0; t < 2; t++)
			threads.emplace_back([&] {
				start.arrive_and_wait();
				for(int k = 0; k < 20; k++)
					wrong += TableAnswers(doc) != tables;
			});
		threads.emplace_back([&] {
			start.arrive_and_wait();
			for(int k = 0; k < 3; k++) {
				wrong += DocumentAnswers(doc) != whole;
				// painting evaluates the header's page fields meanwhile
				WString h = doc.header->GetPlainText();
				header_wrong += h.Find(WString("page ")) != 0 || doc.header->GetLength() < 6;
			}
		});
		for(int t = 0; t < 3; t++)
			threads.emplace_back([&, t] {
				start.arrive_and_wait();
				for(int k = 0; k < 3; k++) {
					int cx = 400 + 350 * ((t + k + round) % 5);
					Rect page(0, 0, cx, 900);
					PaintsAll w;
					SimplePageDraw pw(w);
					doc.Paint(pw, page, RichPaintInfo());
					wrong += doc.GetHeight(page).page < 1;
					wrong += doc.GetCaret(50 * k, page).page < 0;
					wrong += doc.GetHeight(Zoom(96, 600), cx / 6) <= 0;
					RichPaintInfo pi;
					pi.zoom = Zoom(96, 600);
					doc.Paint(w, 0, 0, cx / 6, pi);
				}
			});
		for(std::thread& t : threads)
			t.join();
	}
	EXPECT_EQ(wrong, 0);
	EXPECT_EQ(header_wrong, 0);
}
