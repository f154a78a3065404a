// Normalisation of random grids against a plain reading of what a table means: which cells
// begin a cell, what their texts are, how long the table is and what its plain text says.
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

using namespace Qel;
using namespace QelTest;

namespace {

using Grid = std::vector<std::vector<bool>>;

// Whether a cell begins at each position: positions are taken row by row, and a cell that
// begins covers its rectangle. Spans below 0 count as 0; a span stops at the grid's edge, at
// the last header row for a cell in the header rows, and before a position already covered
// (only ever one to its right: what covers a position below covers the one above as well).
Grid sOrigins(const RichTable& t)
{
	int rows = t.GetRows(), cols = t.GetColumns(), header = std::min(t.format.header_rows, rows);
	Grid covered(rows, std::vector<bool>(cols)), origin = covered;
	for(int r = 0; r < rows; r++)
		for(int c = 0; c < cols; c++) {
			if(covered[r][c])
				continue;
			origin[r][c] = true;
			long long r_last = std::min<long long>(r < header ? header - 1 : rows - 1, r + (long long)std::max(t.cell[r][c].vspan, 0));
			long long c_last = std::min<long long>(cols - 1, c + (long long)std::max(t.cell[r][c].hspan, 0));
			for(long long cc = c + 1; cc <= c_last; cc++)
				c_last = covered[r][cc] ? cc - 1 : c_last;
			for(long long y = r; y <= r_last; y++)
				std::fill(covered[y].begin() + c, covered[y].begin() + c_last + 1, true);
		}
	return origin;
}

// The cells that begin a cell, row by row: their tags (min_height), rows and texts.
struct sCells {
	std::vector<int>                      tag, row;
	std::vector<std::vector<std::string>> paras;
};

sCells sCellsOf(const RichTable& t)
{
	sCells x;
	Grid o = sOrigins(t);
	for(int r = 0; r < t.GetRows(); r++)
		for(int c = 0; c < t.GetColumns(); c++)
			if(o[r][c]) {
				const RichTxt& text = t.cell[r][c].text;
				std::vector<std::string>& p = x.paras.emplace_back();
				for(int i = 0; i < text.GetPartCount(); i++)
					p.push_back(~ToUtf8(ParaText(text, i)));
				x.tag.push_back(t.cell[r][c].format.min_height);
				x.row.push_back(r);
			}
	return x;
}

RichTable sRandomTable(std::mt19937& rng)
{
	auto pick = [&](int n) { return int(rng() % unsigned(n)); };
	auto span = [&]() {
		int k = pick(10);
		return k == 0 ? -pick(5) - 1 : k == 1 ? INT_MAX - pick(3) : k == 2 ? 13 + pick(20) : k < 6 ? 1 + pick(3) : 0;
	};
	int rows = pick(13), cols = 1 + pick(12);
	RichTable t = TextTable(rows, cols);
	for(int& w : t.format.column_widths) {
		int k = pick(5);
		w = k == 0 ? 0 : k == 1 ? -pick(100000) : k == 2 ? 1000000 + pick(INT_MAX - 1000000) : pick(20000);
	}
	t.format.header_rows = pick(rows + 3) - 1;
	for(int r = 0; r < rows; r++)
		for(int c = 0; c < cols; c++) {
			RichCell& x = t.cell[r][c];
			x.format.min_height = r * cols + c + 1; // a covered cell is reset to 0
			x.vspan = span();
			x.hspan = span();
			for(int i = 0, n = pick(6) ? 1 : 2; i < n; i++) {
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
		long long sum = 0;
		for(int w : t.format.column_widths)
			sum += w < 0 ? INT_MIN : w;
		EXPECT_EQ(sum, 10000);

		// a row stays when a cell ends in it, a column when a cell begins in it
		Grid o = sOrigins(t);
		std::vector<bool> row_needed(rows), column_needed(cols);
		for(int r = 0; r < rows; r++)
			for(int c = 0; c < cols; c++) {
				row_needed[r] = row_needed[r] || (o[r][c] && t.cell[r][c].vspan == 0);
				column_needed[c] = column_needed[c] || o[r][c];
			}
		for(int r = 1; r < rows; r++)
			EXPECT_TRUE(row_needed[r]) << "row " << r;
		for(int c = 1; c < cols; c++)
			EXPECT_TRUE(column_needed[c]) << "column " << c;

		// Every cell is still there with its text. A merge moves cells down only to the next
		// row that stays: rows keep their order, the cells of a row stay together in order.
		sCells after = sCellsOf(t);
		ASSERT_EQ(after.tag.size(), before.tag.size());
		std::vector<int> at(12 * 12 + 1, -1); // by tag
		for(size_t i = 0; i < after.tag.size(); i++)
			at[after.tag[i]] = int(i);
		for(size_t i = 0; i < before.tag.size(); i++) {
			int j = at[before.tag[i]];
			ASSERT_GE(j, 0) << "cell " << before.tag[i] << " lost";
			EXPECT_EQ(after.paras[j], before.paras[i]);
			int k = i ? at[before.tag[i - 1]] : -1;
			if(i && before.row[i] == before.row[i - 1]) {
				EXPECT_TRUE(after.row[j] == after.row[k] && j > k);
			}
			else if(i) {
				EXPECT_GE(after.row[j], after.row[k]);
			}
		}

		long long length = 0;
		bool multiline = false;
		std::string text = "p\n";
		for(int r = 0, i = 0; r < rows; r++, text += "\n")
			for(bool first = true; i < int(after.row.size()) && after.row[i] == r; i++, first = false) {
				text += first ? "" : "\x01"; // the cell separator, below
				for(size_t k = 0; k < after.paras[i].size(); k++) {
					text += (k ? "\n" : "") + after.paras[i][k];
					length += after.paras[i][k].size() + 1; // a line or cell end after each
				}
				multiline = multiline || after.paras[i].size() > 1;
			}
		EXPECT_EQ(t.GetLength(), std::max(length - 1, 0LL));
		for(char& ch : text)
			ch = ch == '\x01' ? (multiline ? '\n' : '\t') : ch;
		RichText doc;
		doc.Cat(TextPara("p"));
		int table_length = t.GetLength();
		doc.SetTable(1, t);
		EXPECT_EQ(~ToUtf8(doc.GetPlainText()), text);
		EXPECT_EQ(doc.GetLength(), 1 + 1 + table_length);
	}
}
