// Tables built from fuzzed bytes: up to 64 rows and columns, spans and widths of any value,
// header rows, cell texts with tables nested up to 4 levels. The table is stored in a document
// (which normalises it), copied, moved and has a column removed. Nothing may crash or hang, a
// normalised table's widths sum to 10000, no two cells cover one position, and every length
// and table count agrees with a count of the cells that begin a cell.
#include <richtext/RichText.h>

#include <stdlib.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

namespace {

struct sReader {
	const uint8_t* s;
	const uint8_t* e;
	int            cells = 0; // grid positions left to build, so that the work stays bounded

	bool IsEof() const { return s >= e; }
	int  Byte()        { return s < e ? *s++ : 0; }
	int  Int32()
	{
		uint32_t v = 0;
		for(int i = 0; i < 4; i++)
			v = v << 8 | uint32_t(Byte());
		return int(v);
	}
	// Mostly small, at times anything an int holds.
	int Value()
	{
		int b = Byte();
		return b < 0xF0 ? b % 8 - 1 : Int32();
	}
};

RichPara sPara(sReader& in)
{
	RichPara p;
	WString text;
	for(int n = in.Byte() % 8; n > 0; n--) {
		int c = in.Byte();
		text.Cat(c < 8 ? c : 'a' + c % 26); // control characters as well
	}
	p.Cat(text, RichPara::CharFormat());
	if(in.Byte() % 8 == 0)
		p.Cat("VALUE", "x", RichPara::CharFormat());
	return p;
}

RichTable sTable(sReader& in, int depth);

void sText(sReader& in, RichTxt& text, int depth)
{
	for(int i = 0, n = in.Byte() % 3; i < n; i++)
		if(in.Byte() % 4 == 0 && depth < 4) {
			RichTable t = sTable(in, depth + 1);
			text.SetTable(i, t);
		}
		else
			text.SetPara(i, sPara(in), RichStyle());
}

RichTable sTable(sReader& in, int depth)
{
	RichTable t;
	int rows = in.Byte() % 65;
	int cols = in.Byte() % 65;
	rows = min(rows, in.cells / max(cols, 1));
	in.cells -= rows * cols;
	t.format.header_rows = in.Value();
	for(int c = 0; c < cols; c++)
		t.format.column_widths.Add(in.Byte() < 0xF0 ? in.Byte() * 100 - 1000 : in.Int32());
	for(int r = 0; r < rows; r++) {
		Array<RichCell>& row = t.cell.Add();
		for(int c = 0; c < cols + in.Byte() % 3 - 1 && !in.IsEof(); c++) {
			RichCell& x = row.Add();
			x.vspan = in.Value();
			x.hspan = in.Value();
			sText(in, x.text, depth);
		}
	}
	return t;
}

int sLength(const RichTxt& text);
int sTables(const RichTxt& text);

// Calls f(cell) for every cell that begins a cell, checking that cells begin where no other
// reaches and stay inside the grid.
template <class F>
void sOrigins(const RichTable& t, F f)
{
	int rows = t.GetRows(), cols = t.GetColumns();
	Vector<bool> covered;
	covered.SetCount(rows * cols, false);
	for(int r = 0; r < rows; r++) {
		if(t.cell[r].GetCount() != cols)
			abort();
		for(int c = 0; c < cols; c++) {
			if(covered[r * cols + c])
				continue;
			const RichCell& x = t.cell[r][c];
			if(x.vspan < 0 || x.hspan < 0 || r + x.vspan >= rows || c + x.hspan >= cols)
				abort();
			for(int rr = r; rr <= r + x.vspan; rr++)
				for(int cc = c; cc <= c + x.hspan; cc++) {
					if(covered[rr * cols + cc])
						abort();
					covered[rr * cols + cc] = true;
				}
			f(x);
		}
	}
}

void sCheckWidths(const RichTable& t)
{
	int64 sum = 0;
	for(int w : t.format.column_widths) {
		if(w < 0)
			abort();
		sum += w;
	}
	if(t.GetColumns() && sum != 10000)
		abort();
}

int sTableLength(const RichTable& t)
{
	int64 n = 0;
	sOrigins(t, [&](const RichCell& x) { n += sLength(x.text) + 1; });
	n = max<int64>(n - 1, 0);
	if(t.GetLength() != n)
		abort();
	return int(n);
}

int sLength(const RichTxt& text)
{
	static const ArrayMap<Uuid, RichStyle> styles;
	int64 n = max(text.GetPartCount() - 1, 0);
	for(int i = 0; i < text.GetPartCount(); i++)
		if(text.IsTable(i)) {
			sCheckWidths(text.GetTable(i));
			n += sTableLength(text.GetTable(i));
		}
		else if(text.IsPara(i))
			n += text.Get(i, styles).GetLength();
		else
			abort();
	if(text.GetLength() != n)
		abort();
	return int(n);
}

int sTables(const RichTxt& text)
{
	int n = 0;
	for(int i = 0; i < text.GetPartCount(); i++)
		if(text.IsTable(i)) {
			int inner = 0;
			sOrigins(text.GetTable(i), [&](const RichCell& x) { inner += sTables(x.text); });
			if(text.GetTable(i).GetTableCount() != inner)
				abort();
			n += 1 + inner;
		}
	if(text.GetTableCount() != n)
		abort();
	return n;
}

void sCheck(const RichText& doc)
{
	sLength(doc);
	sTables(doc);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size > 16384)
		return 0;
	sReader in{data, data + size, 64 * 64};
	RichText doc;
	doc.Cat(sPara(in));
	RichTable t = sTable(in, 0);
	int remove = in.Byte();
	doc.SetTable(1, t);
	if(t.GetRows() || t.GetColumns())
		abort();
	sCheck(doc);
	WString text = doc.GetPlainText();
	doc.GetPlainText(true, in.Byte() & 1);

	RichText copy(doc);
	if(copy.GetPlainText() != text || copy.GetLength() != doc.GetLength() ||
	   copy.GetTableCount() != doc.GetTableCount())
		abort();

	RichTable narrow(doc.GetTable(1));
	if(narrow.GetColumns()) {
		narrow.RemoveColumn(remove % narrow.GetColumns());
		sTableLength(narrow);
		narrow.Normalize();
		sCheckWidths(narrow);
		sTableLength(narrow);
	}

	RichText moved(std::move(copy));
	if(copy.GetPartCount() || copy.GetLength() || moved.GetPlainText() != text)
		abort();
	moved.SetTable(2, narrow);
	sCheck(moved);
	return 0;
}
