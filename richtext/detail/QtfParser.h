// The QTF reader: one left-to-right pass over the text that builds a RichText. An error ends
// the pass with an error paragraph (Error throws Exc, which ParseQtf catches).
#pragma once

#include "../RichTable.h"

namespace Qel::detail {

// The error past the bounds on nesting.
inline constexpr char QTF_NESTING_TOO_DEEP[] = "Nesting too deep";

class RichQtfParser {
public:
	struct Exc {};

	// depth: how many QTF texts this one is nested in (headers, footers).
	RichQtfParser(void* context, int depth);

	void     Parse(const char* qtf, int accesskey);
	RichText target;

	// Bounds on untrusted text: nested QTF texts and tables open at once.
	static constexpr int MAX_DEPTH = 8;
	static constexpr int MAX_TABLES = 16;
	// Cells of a grid table ("++") as rows times the columns its edges make.
	static constexpr int64 MAX_GRID_CELLS = 65536;

private:
	struct Saved {
		RichPara::Format format;
		int              charset;
		int              serial;
	};

	struct Table {
		RichCell::Format format;      // of the current cell
		int              vspan = 0;
		int              hspan = 0;   // in a grid table, the cell's relative width
		RichTxt          text;        // of the current cell
		RichTable        table;
		int              counter = 0; // cells ended
		bool             grid = false;
		Vector<int>      row_cells;   // grid: cells per row
	};

	// Text not yet a part of the paragraph; TextRun writes plain runs straight into it.
	class Pending {
		wchar* p = nullptr;
		int    n = 0;
		int    cap = 0;

		void Grow(int k);

	public:
		~Pending()                          { MemoryFree(p); }
		int          GetCount() const       { return n; }
		bool         IsEmpty() const        { return n == 0; }
		const wchar* begin() const          { return p; }
		void         Clear()                { n = 0; }
		void         Add(wchar c)           { if(n == cap) Grow(1); p[n++] = c; }
		void         Append(const wchar* s, int k);
		// Room for k more characters, of which Commit keeps the first ones written.
		wchar*       Room(int k)            { if(n + k > cap) Grow(k); return p + n; }
		void         Commit(int k)          { n += k; }
	};

	void*            context;
	int              depth;
	const char*      term = nullptr;
	Pending          text;
	RichPara::Format pformat;         // the format of the paragraph being read
	RichPara::Format format;
	int              charset;
	bool             utf8;
	// The paragraph's parts, packed as they come against the style the paragraph had at its
	// first part (packed again when that changes): no part objects are built.
	StringStream         parts;
	Array<RichObject>    objects;
	RichPara::CharFormat running;     // the parts' running format
	Uuid                 parts_style;
	bool                 has_parts = false;
	int                  parts_length = 0;
	StringBuffer         packed_text; // scratch
	StringStream         packed;      // scratch
	Array<Saved>     fstack;
	Array<Table>     table;
	RichTable        waiting;         // closed by "}}", placed by the next paragraph end
	bool             istable = false;
	bool             breakpage = false;
	int              block_serial = 0;    // of the last "[" opened
	int              para_serial = 0;     // of the last "[" opened before the paragraph began
	bool             para_took = false;   // the empty paragraph took a closing block's format
	// Every change of the current format draws a new serial, so the paragraph takes it again
	// only when it changed (formats are large to copy).
	int              format_serial = 0;
	int              taken_serial = 0;
	bool             para_dirty = false;  // the paragraph's format was changed on its own
	VectorMap<int, Uuid> styleid;     // local index: sparse, as the text may name any index
	VectorMap<int, int>  stylenext;
	int              accesskey = 0;

	// QtfParser.cpp: the main loop, text and paragraphs.
	[[noreturn]] void Error(const char* message);
	void SetCharset(int cs);
	bool Key(int c) const                 { return byte(*term) == c; }
	bool Key2(int c, int d) const         { return byte(*term) == c && byte(term[1]) == d; }
	bool Key2(int c) const                { return Key2(c, c); }
	void Flush();
	const RichPara::Format& StyleFormat(const Uuid& id) const { return GetStyle(target.GetStyles(), id).format; }
	void BeginPart();
	void Repack(const RichPara::CharFormat& old_style, const RichPara::CharFormat& new_style);
	// Text (characters of 32 and above or tabs only) and parts of other kinds.
	void CatText(const wchar* s, int n, const RichPara::CharFormat& f);
	void CatPart(RichPara::Part& p);
	void ClearParts();
	void Changed()                        { format_serial++; }
	void TakeFormat();
	void PlaceWaiting();
	void AddChar(wchar c);
	wchar DecodeUtf8();
	void TextRun();
	void Verbatim();
	void EndPart();
	void CatPara(RichTxt& txt);
	void FinishStyles();
	void StartNested();
	// Parses a nested QTF text into slot; "Nesting too deep" past the bound. With no slot the
	// text is only checked, as paragraph headers are parsed when laid out.
	void Nested(RichText** slot, const String& qtf);
	String ReadNested();

	// QtfParserFormat.cpp: format blocks, styles, objects, fields.
	static bool IsDigit(int c)            { return c >= '0' && c <= '9'; }
	int    ReadNumber();
	int    ExpectNumber();
	Color  ReadColor();
	String ReadText(int terminator);
	void   ReadFormat();
	void   CharCommand(int c);
	bool   ParaCommand(int c);
	void   ReadTab();
	void   ReadStyle();
	void   ApplyStyle();
	void   ReadObject();
	void   ReadField();
	void   ReadLanguage();
	void   ReadCharset();

	// QtfParserTable.cpp: tables.
	Table& TableTop();
	void   OpenTable();
	void   OpenGrid();
	void   EndCell();
	void   CloseTable();
	void   CloseGrid();
	void   ReadCellFormat(bool grid_width);
	void   ReadBorder(int side);
	void   CloseAll();
};

// The height "g" gives: the text height whose pixel height at 96 dpi makes the standard font
// as tall as it is; 67 when none does. Computed once per process.
int QtfStandardHeight();

} // namespace Qel::detail
