// The pieces of the packed paragraph form: a bounds-checked reader over its bytes and the one
// UTF-8 encoder and decoder pair of its text. The parts stream tells text from codes by byte
// value alone, so text must never hold a byte below 32 other than the tab, and every character
// must come back as itself: the codec is strict UTF-8 with no escapes for stray bytes.
#pragma once

#include <richtext/para/RichPara.h>

#include <cstring>

namespace Qel::detail {

constexpr wchar PACK_REPLACEMENT = 0xFFFD;

// The packed form of one character of 32 and above or the tab: code points UTF-8 cannot hold
// (surrogates, past 0x10FFFF) become U+FFFD. Writes at most 4 bytes at t; returns their end.
QEL_FORCE_INLINE char* PutPackedChar(char* t, wchar c)
{
	if(c < 0x80)
		*t++ = char(c);
	else if(c < 0x800) {
		*t++ = char(0xC0 | (c >> 6));
		*t++ = char(0x80 | (c & 0x3F));
	}
	else {
		if((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
			c = PACK_REPLACEMENT;
		if(c < 0x10000) {
			*t++ = char(0xE0 | (c >> 12));
			*t++ = char(0x80 | ((c >> 6) & 0x3F));
			*t++ = char(0x80 | (c & 0x3F));
		}
		else {
			*t++ = char(0xF0 | (c >> 18));
			*t++ = char(0x80 | ((c >> 12) & 0x3F));
			*t++ = char(0x80 | ((c >> 6) & 0x3F));
			*t++ = char(0x80 | (c & 0x3F));
		}
	}
	return t;
}

// Appends the packed text of a run: characters below 32 other than the tab are dropped (the
// form cannot carry them), code points UTF-8 cannot hold (surrogates, past 0x10FFFF) become
// U+FFFD.
void PackText(StringBuffer& out, const wchar* s, int len);

// Bytes of text in the parts stream; every other byte is a code.
QEL_FORCE_INLINE bool IsPackedText(byte c) { return c >= 32 || c == 9; }

// The codes of the parts stream that change no character format: a field, followed by its own
// nested stream, and an object, numbered in stream order.
inline constexpr int PACKED_FIELD  = 3;
inline constexpr int PACKED_OBJECT = 31;

// The codes that set a link and an index entry, their value in the stream. In a form with a
// list set aside (RichPara::Aside), after PACKED_ASIDE they take the next value of their kind
// from there instead; otherwise, and alone, that byte is read and ignored, as 0 is.
inline constexpr int PACKED_INDEX = 2;
inline constexpr int PACKED_LINK  = 10;
inline constexpr int PACKED_ASIDE = 1;
// Links and index entries longer than this are set aside when the packer may: most are shorter
// and keep their place in the stream.
inline constexpr int PACK_ASIDE_LONGER = 64;

// Whether byte c ends a sequence of character-format codes: text, a field or an object.
QEL_FORCE_INLINE bool EndsCharCodes(byte c)
{
	return c == PACKED_FIELD || c == PACKED_OBJECT || IsPackedText(c);
}

// Whether a stored paragraph's head (kept apart, or at the start of its content) holds a field
// of any length: a label, numbering texts, tab stops or page header and footer texts.
bool StoresLongFields(const String& head);

// Decodes the run of text bytes that starts at s and appends it to out: strict UTF-8 (no
// overlong forms, surrogates or values past 0x10FFFF), each maximal invalid sequence one
// U+FFFD. Returns the end of the run (the first code byte, or e); count gets the characters.
const char* UnpackTextRun(WString& out, const char* s, const char* e, int& count);

// A byte buffer written through Stream that keeps its block when cleared: the packers write
// codes through Stream, and a reader packing paragraph after paragraph reuses one buffer. The
// first bytes are held in place, so a short text is read without allocating for them.
class PackStream : public Stream {
	byte* block = nullptr;
	byte  first[256];

protected:
	void PutSlow(int w) override;
	void PutSlow(const void* data, dword size) override;

public:
	bool IsOpen() const override   { return true; }

	const char* Begin() const      { return (const char*)windowStart; }
	int         GetLength() const  { return int(cursor - windowStart); }
	bool        IsEmpty() const    { return cursor == windowStart; }
	void        Clear()            { cursor = windowStart; }
	String      GetResult() const  { return String(Begin(), GetLength()); }

	PackStream()                   { windowStart = cursor = readLimit = first; writeLimit = first + sizeof(first); }
	PackStream(const PackStream&) = delete;
	PackStream& operator=(const PackStream&) = delete;
	~PackStream() override;
};

// One character of more than one byte at s (s < e, *s >= 0x80), decoded as UnpackTextRun does:
// its code point, or U+FFFD for a maximal invalid sequence. s moves past what was read.
wchar DecodePackedChar(const char*& s, const char* e);

// Reads the packed form; every read past the end sets the error flag and gives 0 or empty.
struct PackedReader {
	const char* s;
	const char* e;
	bool        error = false;

	PackedReader(const char* s, const char* e) : s(s), e(e) {}

	bool IsEof() const         { return s >= e; }
	int  Left() const          { return int(e - s); }
	int  Peek() const          { return s < e ? byte(*s) : -1; }
	bool Need(int n)
	{
		if(n <= Left())
			return true;
		error = true;
		s = e;
		return false;
	}
	int Get8()
	{
		if(!Need(1))
			return 0;
		return byte(*s++);
	}
	int Get16()
	{
		if(!Need(2))
			return 0;
		int w = byte(s[0]) | byte(s[1]) << 8;
		s += 2;
		return w;
	}
	int Get32()
	{
		if(!Need(4))
			return 0;
		dword w = dword(byte(s[0])) | dword(byte(s[1])) << 8 | dword(byte(s[2])) << 16 | dword(byte(s[3])) << 24;
		s += 4;
		return int(w);
	}
	// The length of a String in Stream's form; -1 on error. Leaves s at the first text byte.
	int StringLength();
	String GetString();
	// The bytes of a String without copying them: [begin, end); false on error.
	bool GetStringRange(const char*& begin, const char*& end);
	WString GetWString();
};

// The head of the packed form, the paragraph-format fields that differ from the style, read
// into f (which holds the style's format).
void UnpackParaFormat(PackedReader& in, RichParaFormats::Format& f);
// The same for a head kept apart (the whole of head). A head met last time on this thread is
// not read again: f gets the texts read then, which share their storage.
void UnpackParaHead(const String& head, RichParaFormats::Format& f);

// What a packed form has set aside, taken in the order of its stream.
struct AsideReader {
	const RichPara::Aside* aside;
	int                    link = 0;  // the number of the next one named of each kind
	int                    index = 0;

	explicit AsideReader(const RichPara::Aside* aside) : aside(aside) {}
	int Named() const { return link + index; } // grows with each one named
};

// A run of character-format codes read into the running format cf; chrstyle is the style's,
// which some codes restore. Stops at text, an object, a field or the end. A link or an index
// entry set aside is taken from aside (none with none left, or no aside).
void UnpackCharCodes(PackedReader& in, RichParaFormats::CharFormat& cf, const RichParaFormats::CharFormat& chrstyle,
                     AsideReader* aside = nullptr);

// The numbering fields of two paragraph formats are the same.
inline bool SameNumbering(const RichParaFormats::Format& a, const RichParaFormats::Format& b)
{
	return a.before_number == b.before_number && a.after_number == b.after_number &&
	       a.reset_number == b.reset_number && memcmp(a.number, b.number, sizeof(a.number)) == 0;
}

} // namespace Qel::detail
