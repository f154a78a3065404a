// What the QTF writer's two halves share: the comparisons of run formats, and the fast path
// that writes a paragraph from its packed form with the scratch it keeps between paragraphs.
#pragma once

#include <richtext/document/RichTable.h>
#include <richtext/document/RichTxt.h>
#include <richtext/para/detail/PackedParaCursor.h>

namespace Qel::detail {

// Everything QtfCharFormat writes depends on.
inline bool SameCharFormatButLanguage(const RichPara::CharFormat& a, const RichPara::CharFormat& b)
{
	return a.AsInt64() == b.AsInt64() && a.ink == b.ink && a.paper == b.paper && a.sscript == b.sscript &&
	       a.capitals == b.capitals && a.dashed == b.dashed && a.link == b.link && a.indexentry == b.indexentry;
}

inline bool SameCharFormat(const RichPara::CharFormat& a, const RichPara::CharFormat& b)
{
	return a.language == b.language && SameCharFormatButLanguage(a, b);
}

// Whether a and b, with language blang, read back alike: as SameCharFormat, languages by their
// written forms.
bool SameReadFormat(const RichPara::CharFormat& a, const RichPara::CharFormat& b, int blang);
inline bool SameReadFormat(const RichPara::CharFormat& a, const RichPara::CharFormat& b)
{
	return SameReadFormat(a, b, b.language);
}

// What ends a paragraph written: "&", or the end of its part list, where the reader takes the
// format of its last run for its mark; either, when the caller may put it anywhere.
enum class QtfParaEnd { AMPERSAND, LAST, EITHER };

inline bool SameLink(const RichPara::CharFormat& a, const RichPara::CharFormat& b)
{
	return a.link == b.link && a.indexentry == b.indexentry;
}

inline bool HasLink(const RichPara::CharFormat& f)
{
	return !f.link.IsEmpty() || !f.indexentry.IsEmpty();
}

// A link and index entry as one key, as long as restating them is: the paragraph writer weighs
// the links of its stretches of runs by their count times this length.
inline String LinkKey(const RichPara::CharFormat& f)
{
	String key = ToUtf8(f.indexentry);
	key.Cat('\0');
	key.Cat(f.link);
	return key;
}

inline bool QtfEndsInDigit(const String& out)
{
	int n = out.GetLength();
	return n && out[n - 1] >= '0' && out[n - 1] <= '9';
}

// A run format met in the packed form with its commands against a base (languages left out),
// and the code sequences seen to lead from it to others under a style: a text has few run
// formats and few ways between them, so most runs take a known sequence to a known format.
struct PackedRunFormat {
	struct Step {
		const RichPara::Format* style = nullptr; // null: unused
		PackedCodes             codes;
		int                     to = 0;
	};

	const RichPara::Format* base = nullptr;
	RichPara::CharFormat    cf;
	String                  fmt;
	Step                    step[6];
	int                     next_step = 0; // the step to replace next
	bool                    ref = false;   // used since the replacing hand last passed
	bool                    link = false;  // a link or index entry of its own: runs share it
};

// The head of a packed paragraph (its paragraph-format fields) met under a style and base,
// with what QtfParaFormat writes for it and the run format it starts in.
struct PackedParaHead {
	const RichPara::Format* style = nullptr; // null: unused
	const RichPara::Format* base = nullptr;
	int                     group = 0;       // the paragraph fields written against: 0 base's
	bool                    apart = false;   // the paragraph's head is kept apart, all of head
	String                  head;
	String                  prefix;
	String                  full;            // adding stops to parabase's: prefix restating them
	int                     copies = 0;      // the stops reading prefix copies to add to
	int                     start = 0;
};

// What writing paragraphs from their packed form keeps from one paragraph to the next.
struct PackedWriteScratch {
	RichPara::Format  f;
	PackedRunFormat           fmts[16];
	int               used = 0;       // formats filled
	int               hand = 0;       // where the search for a format to replace goes on
	int               gone = -1;      // the format replaced last, -1 after none
	PackedParaHead         heads[4];
	int               next_head = 0;
	String            open;           // the format block open
	int               open_fmt = -1;  // the run format whose commands it holds, if without a language
	String            lang;           // scratch for a run of another language
	Vector<String>    links;          // the links of the paragraph's stretches of runs so far
	Vector<WString>   indexes;        // with their index entries
	String            link_last;      // of the last run with a link
	WString           index_last;
	SizedBuffer<char> buf;
};

// What the blocks of a text written so far may add to the tab stops they inherit. A reader
// copies the stops in force for each block that adds to them, and drops stops past four a byte
// it has read: blocks add to stops copied no more than three times the bytes written of the
// text (and a first 65,536), which stops written in full (two bytes each at least) leave room
// for. Line breaks are left out, so a text is written alike with them and without.
struct QtfStopBudget {
	int   start;       // where the text begins in the string written
	int   scanned;     // up to where it was looked at for line breaks
	int64 breaks = 0;
	int64 copied = 0;  // the stops a reader copies for the blocks that added some

	explicit QtfStopBudget(const String& out) : start(out.GetLength()), scanned(start) {}
	// Whether a block written next in out may add to stops, a reader copying that many first;
	// they are tallied when it may.
	bool Take(const String& out, int64 stops);
};

// Whether n's tab stops are o's, some, and more after them.
bool TabsAdded(const RichPara::Format& o, const RichPara::Format& n);

// QtfParaFormat, with n's stops written as those added to o's (TabsAdded) when add_stops.
void WriteParaFormat(String& out, const RichPara::Format& o, const RichPara::Format& n, bool add_stops);

// Whether a block writing n against o adds to o's stops, stops allowing (none: it may not).
inline bool AddStops(QtfStopBudget* stops, const String& out, const RichPara::Format& o, const RichPara::Format& n)
{
	return stops && TabsAdded(o, n) && stops->Take(out, o.tab.GetCount());
}

// Paragraph p: its paragraph format against parabase, its runs against base; stops as above.
// Its mark is written where the reader would not take it from what the paragraph holds.
void WriteParagraph(String& out, const RichPara& p, const RichPara::Format& parabase, const RichPara::Format& base,
                    int language, int charset, int options, QtfParaEnd end, QtfStopBudget* stops = nullptr);

// A tab stop as QtfParaFormat writes it, "~" and all: read, it adds the stop to those in force.
void WriteTabStop(String& out, const RichPara::Tab& t);

// Paragraphs of a part list written in blocks of the part list around it: those of style gid
// (the style index written, 0 without styles) take format as it stands there (none: null);
// the others set their style. The budget of stops is the text's.
struct QtfOuterFormat {
	const RichPara::Format* format;
	int                     gid;
	QtfStopBudget*          stops;
};

// A part list (QtfParts) and a table written within outer, the blocks around them, or as a text
// of their own (null).
void WriteParts(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
                const Index<Uuid>& style_index, int language, int charset, int options,
                const QtfOuterFormat* outer);
void WriteTable(String& out, const RichTable& t, const ArrayMap<Uuid, RichStyle>& styles,
                const Index<Uuid>& style_index, int language, int charset, int options,
                const QtfOuterFormat* outer);

// Paragraph pp (stored against style) written as QtfParagraph writes it unpacked, in one pass
// over its packed form; false, with nothing written, when it holds objects or fields, when it
// is damaged, when its last run is not in the language of its first or when its mark is to be
// written (WriteParagraph does that).
bool WritePackedParagraph(String& out, const RichTxt::Para& pp, const RichPara::Format& style,
                          const RichPara::Format& base, const RichPara::Format& parabase, int group,
                          int language, QtfParaEnd end, PackedWriteScratch& sc, QtfStopBudget* stops = nullptr);

// The run formats and heads kept against base go: a new base is about to take its place.
void ForgetPackedBase(PackedWriteScratch& sc, const RichPara::Format& base);

} // namespace Qel::detail
