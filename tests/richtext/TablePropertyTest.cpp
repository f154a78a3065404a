// Normalisation of random grids against a plain reading of what a table means: which cells
// begin a cell, what their texts are, how long the table is and what its plain text says.
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

using namespace Qel;
using namespace QelTest;

namespace {

// For every position, whether a cell begins there: positions are taken row by row, and a
// cell that begins covers its rectangle. Spans below 0 count as 0; a span stops at the grid's
// edge, at the last header row for a cell in the header rows, and where it would reach a
// position some earlier cell covers.
std::vector<std::vector<bool>> sOrigins(const RichTable& t)
{
	int rows = t.GetRows(), cols = t.GetColumns();
	std::vector<std::vector<bool>> covered(rows, std::vector<bool>(cols)), origin = covered;
	int header = std::min(t.format.header_rows, rows);
	for(int r = 0; r < rows; r++)
		for(int c = 0; c < cols; c++) {
			if(covered[r][c])
				continue;
			origin[r][c] = true;
			long long last = r < header ? header - 1 : rows - 1;
			long long r_last = std::min(last, r + (long long)std::max(t.cell[r][c].vspan, 0));
			long long c_last = std::min(cols - 1LL, c + (long long)std::max(t.cell[r][c].hspan, 0));
			auto free_row = [&](long long rr, long long to) {
				for(long long cc = c; cc <= to; cc++)
					if(covered[rr][cc] && (rr != r || cc != c))
						return false;
				return true;
			};
			while(!free_row(r, c_last))
				c_last--;
			long long rr = r;
			while(rr + 1 <= r_last && free_row(rr + 1, c_last))
				rr++;
			for(long long y = r; y <= rr; y++)
				for(long long x = c; x <= c_last; x++)
					covered[y][x] = true;
		}
	return origin;
}

// The cells that begin a cell, row by row: their tags (min_height), rows, columns and texts.
struct sCells {
	std::vector<int>                      tag, row, column;
	std::vector<std::vector<std::string>> paras;
};

sCells sCellsOf(const RichTable& t)
{
	sCells x;
	std::vector<std::vector<bool>> o = sOrigins(t);
	for(int r = 0; r < t.GetRows(); r++)
		for(int c = 0; c < t.GetColumns(); c++)
			if(o[r][c]) {
				const RichTxt& text = t.cell[r][c].text;
				std::vector<std::string>& p = x.paras.emplace_back();
				for(int i = 0; i < text.GetPartCount(); i++)
					p.push_back(~ToUtf8(ParaText(text, i)));
				x.tag.push_back(t.cell[r][c].format.min_height);
				x.row.push_back(r);
				x.column.push_back(c);
			}
	return x;
}

RichTable sRandomTable(std::mt19937& rng)
{
	auto pick = [&](int n) { return int(rng() % unsigned(n)); };
	auto span = [&]() {
		switch(pick(10)) {
		case 0: return -pick(5) - 1;
		case 1: return INT_MAX - pick(3);
		case 2: return 13 + pick(20);
		case 3: case 4: case 5: return 1 + pick(3);
		default: return 0;
		}
	};
	int rows = pick(13), cols = 1 + pick(12);
	RichTable t = TextTable(rows, cols);
	for(int& w : t.format.column_widths)
		switch(pick(5)) {
		case 0: w = 0; break;
		case 1: w = -pick(100000); break;
		case 2: w = 1000000 + pick(INT_MAX - 1000000); break;
		default: w = pick(20000); break;
		}
	t.format.header_rows = pick(rows + 3) - 1;
	for(int r = 0; r < rows; r++)
		for(int c = 0; c < cols; c++) {
			RichCell& x = t.cell[r][c];
			x.format.min_height = r * cols + c + 1; // a covered cell is reset to 0
			x.vspan = span();
			x.hspan = span();
			int n = pick(6) == 0 ? 2 : 1;
			for(int i = 0; i < n; i++) {
				std::string s = pick(4) ? "r" + std::to_string(r) + "c" + std::to_string(c) + "p" + std::to_string(i) : "";
				x.text.SetPara(i, TextPara(s.c_str()), RichStyle());
			}
		}
	return t;
}

} // namespace

TEST(RichTableProperty, NormalizeKeepsEveryCellAndLeavesNothingRedundant)
{
	std::mt19937 rng(38);
	for(int iter = 0; iter < 400; iter++) {
		SCOPED_TRACE(iter);
		RichTable t = sRandomTable(rng);
		sCells before = sCellsOf(t);
		t.Normalize();
		int rows = t.GetRows(), cols = t.GetColumns();
		ASSERT_GE(cols, 1);

		long long sum = 0;
		for(int w : t.format.column_widths) {
			EXPECT_GE(w, 0);
			sum += w;
		}
		EXPECT_EQ(sum, 10000);

		std::vector<std::vector<bool>> o = sOrigins(t);
		for(int r = 1; r < rows; r++) {
			bool needed = false;
			for(int c = 0; c < cols; c++)
				needed = needed || (o[r][c] && t.cell[r][c].vspan == 0);
			EXPECT_TRUE(needed) << "row " << r;
		}
		for(int c = 1; c < cols; c++) {
			bool needed = false;
			for(int r = 0; r < rows; r++)
				needed = needed || o[r][c];
			EXPECT_TRUE(needed) << "column " << c;
		}

		// Every cell is still there with its text. Merging moves a cell down into the row
		// below only as far as the next row that stays, so rows keep their order and cells
		// of one row stay together, in their order.
		sCells after = sCellsOf(t);
		ASSERT_EQ(after.tag.size(), before.tag.size());
		std::vector<int> at(12 * 12 + 1, -1); // by tag
		for(size_t i = 0; i < after.tag.size(); i++)
			at[after.tag[i]] = int(i);
		for(size_t i = 0; i < before.tag.size(); i++) {
			int j = at[before.tag[i]];
			ASSERT_GE(j, 0) << "cell " << before.tag[i] << " lost";
			EXPECT_EQ(after.paras[j], before.paras[i]);
			if(i == 0)
				continue;
			int k = at[before.tag[i - 1]];
			if(before.row[i] == before.row[i - 1]) {
				EXPECT_EQ(after.row[j], after.row[k]);
				EXPECT_GT(after.column[j], after.column[k]);
			}
			else
				EXPECT_GE(after.row[j], after.row[k]);
		}

		long long length = 0;
		bool multiline = false;
		for(const std::vector<std::string>& p : after.paras) {
			length += p.size(); // the cell end, and the line ends between its paragraphs
			for(const std::string& s : p)
				length += s.size();
			multiline = multiline || p.size() > 1;
		}
		EXPECT_EQ(t.GetLength(), std::max(length - 1, 0LL));

		std::string text = "p\n";
		for(int r = 0, i = 0; r < rows; r++) {
			for(bool first = true; i < int(after.row.size()) && after.row[i] == r; i++, first = false) {
				if(!first)
					text += multiline ? "\n" : "\t";
				for(size_t k = 0; k < after.paras[i].size(); k++)
					text += (k ? "\n" : "") + after.paras[i][k];
			}
			text += "\n";
		}
		RichText doc;
		doc.Cat(TextPara("p"));
		int table_length = t.GetLength();
		doc.SetTable(1, t);
		EXPECT_EQ(~ToUtf8(doc.GetPlainText()), text);
		EXPECT_EQ(doc.GetLength(), 1 + 1 + table_length);
	}
}
