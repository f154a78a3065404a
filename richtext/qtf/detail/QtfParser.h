// The QTF reader: one left-to-right pass over the text that builds a RichText. An error ends
// the pass with an error paragraph (Error throws Exc, which ParseQtf catches).
#pragma once

#include <richtext/document/RichTable.h>
#include <richtext/para/detail/PackedParaWriter.h>
#include <richtext/qtf/Qtf.h>

namespace Qel::detail {

// The error past the bounds on nesting.
inline constexpr char QTF_NESTING_TOO_DEEP[] = "Nesting too deep";

class RichQtfParser {
public:
	struct Exc {};

	// depth: how many QTF texts this one is nested in (headers, footers). The text is read
	// into target, which should be empty; the caller's own object, so that a short text is
	// not followed by a move of the document.
	RichQtfParser(RichText& target, void* context, int depth);

	void     Parse(const char* qtf, int accesskey);
	RichText& target;

	// Bounds on untrusted text: nested QTF texts and tables open at once (the tables opened
	// past it are read as paragraphs).
	static constexpr int MAX_DEPTH = 8;
	static constexpr int MAX_TABLES = QTF_MAX_TABLE_DEPTH;
	// Format blocks open at once: each keeps a whole format, hundreds of bytes for two of text.
	static constexpr int MAX_BLOCKS = 4096;
	// Cells of a grid table ("++") as rows times the columns its edges make.
	static constexpr int64 MAX_GRID_CELLS = 65536;

private:
	// A level of the format stack: the format of a block and what its start saved.
	struct Level {
		using Relocatable = void;

		Level() {} // user-provided, or the stack's Add would zero the whole level before building it

		RichPara::Format format;
		int              charset = 0; // the charset before the block, restored at its end
		int              serial = 0;
		// The version of its paragraph fields: formats of one version have them alike. Most
		// blocks change only the character format, and copying a format to one of the same
		// version copies only that.
		uint64           para = 0;
		bool             header_off = false; // "tp" turned the header off
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

	// Text not yet a part of the paragraph, packed already (UTF-8 as the packed form has it).
	// A run of plain text that comes alone is kept where it lies in the QTF text (which lasts
	// as long as the parse) and copied only into the paragraph's parts; more text copies it in.
	class Pending {
		char*       p = nullptr;
		const char* src = nullptr; // the text: p, or a run in the QTF text
		int         n = 0;         // bytes
		int         cap = 0;
		int         chars = 0;

		void Grow(int k);
		void Own();

	public:
		~Pending()                          { MemoryFree(p); }
		int         GetLength() const       { return n; }
		int         GetChars() const        { return chars; }
		bool        IsEmpty() const         { return n == 0; }
		const char* begin() const           { return src; }
		void        Clear()                 { n = chars = 0; src = p; }
		// A character of 32 and above or the tab.
		void        Add(wchar c)            { if(src != p) Own(); if(n + 4 > cap) Grow(4); n = int(PutPackedChar(p + n, c) - p); chars++; }
		void        Append(const wchar* s, int k);
		// Bytes packed already, holding chars characters, that stay in place until cleared.
		void        AppendPacked(const char* s, int k, int chars_)
		{
			if(n == 0) {
				src = s;
				n = k;
				chars = chars_;
			}
			else
				AppendPackedCopy(s, k, chars_);
		}
		void        AppendPackedCopy(const char* s, int k, int chars_);
	};

	void*            context;
	int              depth;
	const char*      term = nullptr;
	const char*      term_begin = nullptr;
	// No NUL lies before term_end; the text's end is found ahead of reading, a block at a
	// time, so that the text is not read twice from memory.
	const char*      term_end = nullptr;
	Pending          text;
	// The formats of the blocks open: fstack[level] is the current format, fstack[1..level] the
	// open blocks (each with what its start saved). Levels above it are kept for reuse, so
	// a block's start copies one format and its end none.
	Vector<Level>    fstack;
	int              level = 0;
	uint64           para_versions = 0; // the last version given out
	// The format of the paragraph being read. Taking the current format copies nothing: the
	// taken one is named by its level (took_level) and copied to pformat only before that
	// level is changed or reused.
	RichPara::Format pformat;
	uint64           pformat_para = 0; // the version of its paragraph fields
	bool             pformat_header_off = false;
	int              took_level = -1; // -1: pformat holds it
	int              charset;
	bool             utf8;
	// The paragraph being read, packed as its parts come.
	PackedParaWriter     packed;
	uint64               parts_para = 0;  // the version of the paragraph fields its parts were begun or checked with
	int                  styles_serial = 0; // style definitions read
	Array<Table>     table;
	// Closed by "}}", placed by the next paragraph end; made by the first table, as most texts
	// have none.
	std::unique_ptr<RichTable> waiting;
	bool             istable = false;
	// Tables open past MAX_TABLES, not made: their cells end paragraphs of the innermost table
	// made. Only the innermost of them can be a grid table, as those hold no tables.
	int              over = 0;
	bool             over_grid = false;
	// Like a table waiting: the paragraph end after a table past the bound closed adds no
	// empty paragraph.
	bool             over_closed = false;
	// What a cell format past the bound is read into, and dropped.
	std::unique_ptr<Table> spare;
	bool             breakpage = false;
	int              block_serial = 0;    // of the last "[" opened
	int              para_serial = 0;     // of the last "[" opened before the paragraph began
	bool             para_took = false;   // the empty paragraph took a closing block's format
	VectorMap<int, Uuid> styleid;     // local index: sparse, as the text may name any index
	VectorMap<int, int>  stylenext;
	int              accesskey = 0;
	int64            tab_stops = 0;       // made so far, those of copied lists included

	// QtfParser.cpp: the main loop, text and paragraphs.
	[[noreturn]] void Error(const char* message);
	void SetCharset(int cs);
	bool Key(int c) const                 { return byte(*term) == c; }
	bool Key2(int c, int d) const         { return byte(*term) == c && byte(term[1]) == d; }
	bool Key2(int c) const                { return Key2(c, c); }
	void Flush();
	const RichPara::Format& StyleFormat(const Uuid& id) const { return GetStyle(target.GetStyles(), id).format; }
	// The paragraph's format as taken last.
	const RichPara::Format& ParaFormat() const
	{
		return took_level < 0 ? pformat : fstack[took_level].format;
	}
	// The current format, to change (CharFmt: its character format only) or to read.
	RichPara::Format&       Fmt()         { Level& l = fstack[level]; l.para = ++para_versions; return l.format; }
	RichPara::CharFormat&   CharFmt()     { return fstack[level].format; }
	const RichPara::Format& Cur() const   { return fstack[level].format; }
	// Copies the taken format to pformat: before pformat or the taken level changes.
	void OwnParaFormat();
	// Before the current format changes otherwise than by a block's start or end.
	void CurrentChanges()                 { if(took_level == level) OwnParaFormat(); }
	void PushFormat();
	void PopFormat();
	void BeginPart();
	// Text (characters of 32 and above or tabs only) and parts of other kinds.
	void CatText(const wchar* s, int n, const RichPara::CharFormat& f);
	void CatPacked(const char* s, int bytes, int chars, const RichPara::CharFormat& f);
	void CatPart(RichPara::Part& p);
	void TakeFormat()                     { took_level = level; }
	void PlaceWaiting();
	void AddChar(wchar c);
	wchar DecodeUtf8();
	bool Command();
	void CharCode();
	void CloseBlock();
	void Escaped();
	void HeaderFooter(bool header);
	void TextRun();
	void Verbatim();
	void EndPart();
	void CatPara(RichTxt& txt);
	void FinishStyles();
	void StartNested();
	// Parses a nested QTF text into slot; "Nesting too deep" past the bound. With no slot the
	// text is only checked, as paragraph headers are parsed when laid out.
	void Nested(RichTextValue* slot, const String& qtf);
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
	bool   InGrid() const                 { return over ? over_grid : table.GetCount() && table.Top().grid; }
	Table& Spare();
	void   EndOverPara();
	void   CloseOver();
	void   OpenTable();
	void   OpenGrid();
	void   NextCell();                    // "::"
	void   EndRow();                      // "--"
	void   EndCell();
	void   CloseTable();
	void   CloseGrid();
	void   ReadCellFormat(Table& t, bool grid_width);
	void   ReadBorder(Table& t, int side);
	void   CloseAll();
};

// The height "g" gives: the text height whose pixel height at 96 dpi makes the standard font
// as tall as it is; 67 when none does. Computed once per process.
int QtfStandardHeight();

} // namespace Qel::detail
