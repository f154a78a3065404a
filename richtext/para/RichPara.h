// RichPara: one paragraph unpacked for layout, painting or editing: its format and its parts
// (text runs, embedded objects, fields), each with its character format. A document stores
// paragraphs packed, as differences from their style; Unpack and Pack convert between the two
// forms. A paragraph with a cache id parks its content in a process-wide cache when destroyed,
// so the next Unpack of the same stored paragraph takes it back instead of parsing.
#pragma once

#include <richtext/base/PagePos.h>
#include <richtext/base/ParaFormat.h>
#include <richtext/object/RichObject.h>
#include <richtext/base/Zoom.h>

namespace Qel {

class RichPara;
class PageDraw;
struct RichPaintInfo;
struct RichPageContext;
struct RichCaret;
struct RichPos;

namespace detail {
bool TakeFromParaCache(RichPara& p);
void PutToParaCache(RichPara& p);
struct AsideReader;
} // namespace detail

class RichPara : public detail::RichParaFormats {
public:
	struct Part {
		RichObject  object;      // an object part when its data is not Null
		WString     text;
		CharFormat  format;
		TextId      field;       // a field part when not empty
		String      fieldparam;
		Array<Part> fieldpart;   // the field's evaluated content

		Part() = default;
		explicit Part(const CharFormat& f) : format(f) {}

		bool IsField() const     { return !field.IsEmpty(); }
		bool IsObject() const    { return !IsField() && !object.IsNull(); }
		// Text positions: 1 for a field or an object, else the length of the text.
		int  GetLength() const   { return IsField() || !object.IsNull() ? 1 : text.GetLength(); }
	};

	// Long links and index entries that a packed form names instead of holding them, in the
	// order of the stream, kept beside it as its objects are: neighbours that share one then
	// hold copies of one text (String and WString share their storage), not its bytes each.
	struct Aside {
		Vector<String>  link;
		Vector<WString> index;

		bool IsEmpty() const { return link.IsEmpty() && index.IsEmpty(); }
	};

	// Evaluates a field of one type into the parts shown in its place.
	class FieldType {
	public:
		virtual Array<Part> Evaluate(const String& param, VectorMap<String, Value>& vars,
		                             const CharFormat& fmt) const = 0;
		// Hooks for editors and other hosts; nothing here calls them.
		virtual void Edit(String& param, void* context) const;
		virtual void Action(String& param, int action, void* context) const;
		virtual ~FieldType();
	};

	// Metrics of one laid-out character.
	struct HeightInfo {
		int               ascent = 0;
		int               descent = 0;
		int               external = 0;
		int               ydelta = 0;         // an object's reach below the baseline
		const RichObject* object = nullptr;   // the object this character stands for
	};

	struct Line {
		int  ascent = 0;      // after line spacing
		int  descent = 0;
		int  external = 0;
		int  pos = 0;         // first character, as an index into the character arrays
		int  len = 0;         // characters
		int  ppos = 0;        // text position of the first character
		int  plen = 0;        // text positions covered
		int  xpos = 0;        // start, from the left edge of the layout width
		int  cx = 0;          // width of the content, indent excluded
		bool withtabs = false; // neither aligned nor justified

		int GetHeight() const { return ascent + descent + external; }
	};

	// A paragraph broken into lines for one width: the flattened characters (number text,
	// text, objects, field contents) with their positions, widths, metrics and formats. When
	// destroyed, a layout of a cached paragraph goes to the process-wide lines cache, from
	// which FormatLines takes it back for the same paragraph, width and number text.
	struct Lines {
		int                     len = 0;        // text positions of the paragraph
		int                     clen = 0;       // characters
		int                     cx = 0;         // the width laid out for
		Buffer<wchar>           text;           // an object stands as 'x'; a placed tab as 9 + fill
		Buffer<int>             pos;
		Buffer<int>             width;
		Buffer<HeightInfo>      height;
		Buffer<const CharFormat*> format;
		Vector<Line>            line;           // at least one
		int                     first_indent = 0;
		int                     next_indent = 0;
		int                     number_len = 0; // leading characters of the number text
		bool                    incache = false;
		bool                    justified = false;
		int64                   cacheid = 0;

		// Widens the inner spaces of every line but the last when f is justified; once.
		void Justify(const Format& f);
		int  GetCount() const                { return line.GetCount(); }
		const Line& operator[](int i) const  { return line[i]; }
		// The sum of the line heights.
		int  GetHeight() const;

		Lines() = default;
		Lines(Lines&& b) noexcept;
		Lines& operator=(Lines&& b) noexcept;
		~Lines();

	private:
		friend class RichPara;
		struct Flattener;

		Array<CharFormat> formats; // what format points to
		Array<RichObject> objects; // what height[].object points to
		WString           number;  // the number text, part of the cache key

		void Take(Lines& b);
		// The lines cache: Park hands this layout over; Unpark moves the one cached for the
		// paragraph, width and number text into l.
		void Park();
		static bool Unpark(Lines& l, int64 cacheid, int cx, const WString& number);
	};

	// Lines for the layout width cx, with n the numbering counters before this paragraph.
	// A width of 2147483647 is unbounded: lines are not aligned and nothing reaches the right
	// edge.
	Lines FormatLines(int cx, const Number& n) const;

	// Paints characters i .. i + n - 1 of a laid-out line (text and dx are the line's arrays,
	// dx in device units; format points at the run's first format) from x to xend, baseline y,
	// on a line at top of height and ascent ascent, all in text units.
	static void PaintRun(Draw& w, const RichPaintInfo& pi, const wchar* text, const CharFormat* const* format,
	                     const int* dx, int i, int n, int x, int xend, int y, int top, int height, int ascent,
	                     Zoom z, bool highlight);
	// Paints the paragraph from rc's position and leaves rc after it, with the page breaks of
	// layout. spelling holds a bit per text position; base_level shows the header/footer mark.
	void Paint(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi, const Bits& spelling,
	           bool base_level) const;

	// The caret of text position pos and the position under (x, y), the paragraph laid out from
	// rc's position with the page breaks of painting; rc moves over the lines passed. A point
	// inside a character gives the position before it.
	RichCaret GetCaret(int pos, RichPageContext& rc) const;
	int       GetPos(int x, PagePos y, RichPageContext& rc) const;
	// Fills the paragraph's share of out: the formats, the character, object or field at pos.
	void      GetRichPos(RichPos& out, int pos) const;
	// Rescales the format, the text heights and the object sizes; a divisor of 0 changes nothing.
	void      ApplyZoom(Zoom z);

	int64       cacheid = 0;     // the stored paragraph's serial; 0: not cached
	bool        incache = false; // content handed to the cache
	Array<Part> part;
	Format      format;

	// Each edit makes the paragraph uncacheable: the cache must not take the edited content
	// under the stored paragraph's id.
	void Cat(const WString& text, const CharFormat& f);
	void Cat(const RichObject& o, const CharFormat& f);
	// A field part, evaluated at once (with no variables) when its type is registered.
	void Cat(const TextId& field, const String& param, const CharFormat& f);
	// Evaluates every field of a registered type; true when there was one.
	bool EvaluateFields(VectorMap<String, Value>& vars);
	int  GetLength() const;

	// The packed form against a style; objects go to obj in the order of the stream. With
	// aside, long links and index entries go there, and the form names them.
	String Pack(const Format& style, Array<RichObject>& obj, Aside* aside = nullptr) const;
	// Rebuilds the paragraph from its packed form and objects; with a cache id (set before the
	// call) the content parked in the cache under that id is taken instead, if there is one.
	// Damaged data ends the parts where it stops making sense; it never fails.
	void   Unpack(const String& data, const Array<RichObject>& obj, const Format& style);
	// The same for a packed form kept in two pieces: head (the paragraph-format fields, none
	// when empty) and the rest. Unpacking the same long head again takes its texts and tab
	// stops as read the last time: the texts share their storage. aside (none when null)
	// holds what the form names; the formats get copies that share its texts.
	void   Unpack(const String& head, const String& data, const Array<RichObject>& obj, const Format& style);
	void   Unpack(const String& head, const String& data, const Array<RichObject>& obj, const Aside* aside,
	              const Format& style);

	// The halves for parts streams. cf is the running format, updated as parts are written;
	// Unpack runs with this paragraph's format as the running one. What the stream sets aside
	// is added to aside and taken from it from its start.
	static void PackParts(Stream& out, const CharFormat& chrstyle, const Array<Part>& part,
	                      CharFormat& cf, Array<RichObject>& obj, Aside* aside = nullptr);
	void        UnpackParts(const char* s, const char* e, const CharFormat& chrstyle,
	                        Array<Part>& part, const Array<RichObject>& obj, int& oi,
	                        const Aside* aside = nullptr);
	// The head of the packed form: the paragraph-format fields of f that differ from style.
	static void PackFormat(Stream& out, const Format& f, const Format& style);
	// The codes that turn the running format o into n, against the style's format s; with
	// aside, a long new link or index entry is added there instead of to out.
	static void PackCharFormat(Stream& out, const CharFormat& o, const CharFormat& n,
	                           const CharFormat& s, Aside* aside = nullptr);

	// Field types by id, registered at start-up; an id registered twice keeps its first type.
	static void       Register(const TextId& id, FieldType& type);
	static FieldType* GetFieldType(const TextId& id);

	RichPara() = default;
	// A copy is not cacheable (cacheid 0): it may be edited apart from the stored paragraph.
	RichPara(const RichPara& p);
	RichPara& operator=(const RichPara& p);
	RichPara(RichPara&& p) noexcept;
	RichPara& operator=(RichPara&& p) noexcept;
	~RichPara();

private:
	// Text positions of the parts as Unpack made them (or took them from the cache); -1 when
	// not known. Saves the cache a walk over the parts when the paragraph is parked.
	int64 unpacked_length = -1;

	friend bool detail::TakeFromParaCache(RichPara& p);
	friend void detail::PutToParaCache(RichPara& p);

	// length, when not null, counts the positions of the parts made at this level.
	void UnpackPartsAt(const char* s, const char* e, const CharFormat& chrstyle, Array<Part>& part,
	                   const Array<RichObject>& obj, int& oi, detail::AsideReader& aside, int depth,
	                   int64* length);
};

// Rescales the lengths of a paragraph format: font height (rounded, at least 1), spaces,
// margins, tab stops (a stop counted from the right edge stays so) and the ruler (a ruler does
// not vanish). A divisor of 0 changes nothing.
void ApplyZoom(RichPara::Format& f, Zoom z);

} // namespace Qel
