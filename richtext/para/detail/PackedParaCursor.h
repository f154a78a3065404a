// A stored paragraph read in its packed form, item by item, for writers that turn it into
// another form without unpacking it: its head, then runs of text, character-format changes,
// fields and objects. Heads and format changes can be compared as they stand, so a writer may
// remember what one met before came to and skip reading it again.
#pragma once

#include <richtext/para/detail/PackedForm.h>

namespace Qel::detail {

// A short sequence of character-format codes kept as it stands, to know it again.
struct PackedCodes {
	uint64 codes = 1; // its bytes as a number, the first byte lowest
	uint64 mask = 0;  // with codes 1 and mask 0 nothing matches
	int    len = 0;   // 0: too long to keep
};

class PackedParaCursor {
public:
	enum Item { END, TEXT, CODES, FIELD, OBJECT };

	// head: a head stored apart, or empty when content starts with it; aside: what the content
	// names set aside (none when null).
	PackedParaCursor(const String& head, const String& content, const RichPara::Aside* aside)
	:	head(head), content(content), in(content.Begin(), content.End()), aside(aside) {}

	// Whether the head holds a field of any length (StoresLongFields), without reading it.
	bool HeadStoresLongFields() const { return StoresLongFields(head.IsEmpty() ? content : head); }

	// The head is head_key (a HeadKey of a paragraph before): the cursor moves past it.
	bool SkipHead(const String& head_key)
	{
		if(!head.IsEmpty())
			return head == head_key;
		int n = head_key.GetLength();
		if(in.Left() < n || !SameBytes(in.s, head_key.Begin(), n))
			return false;
		in.s += n;
		return true;
	}
	// The head read into f, which holds the style's format; false when it is damaged.
	bool ReadHead(RichParaFormats::Format& f)
	{
		if(!head.IsEmpty()) {
			UnpackParaHead(head, f);
			return true;
		}
		UnpackParaFormat(in, f);
		return !in.error;
	}
	// The head skipped or read, to know it again by SkipHead.
	String HeadKey() const { return head.IsEmpty() ? String(content.Begin(), int(in.s - content.Begin())) : head; }

	// What comes next. The cursor goes neither into nor past a field or an object: a writer
	// of those unpacks the paragraph.
	Item Peek() const
	{
		if(in.IsEof())
			return END;
		byte c = byte(*in.s);
		return IsPackedText(c) ? TEXT : c == PACKED_FIELD ? FIELD : c == PACKED_OBJECT ? OBJECT : CODES;
	}

	// At TEXT: the run of text is UTF-8 (a damaged sequence, which DecodePackedChar reads as
	// U+FFFD, stands for that character) from TextBegin() on, never empty, and goes on while
	// TextGoesOn is true at the first byte of the next character. Printable ASCII and whole
	// well-formed characters are always text, so a copier may take them in blocks, reading up to
	// Limit(), and ask only at other bytes: finding the end as the text is copied spares a pass
	// over it. EndText moves the cursor to the end of the run.
	const char* TextBegin() const                { return in.s; }
	bool        TextGoesOn(const char* p) const  { return p < in.e && IsPackedText(byte(*p)); }
	void        EndText(const char* p)           { in.s = p; }
	const char* Limit() const                    { return in.e; }

	// At CODES: the codes as they stand, to try against those kept (MatchCodes).
	uint64 PeekCodes() const
	{
		uint64 v = 0;
		int n = in.Left();
		if(n >= 8)
			memcpy(&v, in.s, 8);
		else
			for(int i = 0; i < n; i++)
				v |= uint64(byte(in.s[i])) << 8 * i;
		return v;
	}
	// Whether the codes, as PeekCodes gave them, are those of k, all of them: the cursor moves
	// past them.
	bool MatchCodes(uint64 peek, const PackedCodes& k)
	{
		int n = k.len;
		int avail = in.Left();
		if((peek & k.mask) != k.codes || n > avail || (n < avail && !EndsCharCodes(byte(in.s[n]))))
			return false;
		in.s += n;
		return true;
	}
	// At CODES: reads them into the running format cf (chrstyle is the style's, which some
	// codes restore), and keeps them in key when they are short and name nothing set aside (the
	// same bytes name the next one); false when they are damaged.
	bool ReadCodes(RichParaFormats::CharFormat& cf, const RichParaFormats::CharFormat& chrstyle, PackedCodes& key)
	{
		const char* b = in.s;
		int named = aside.Named();
		UnpackCharCodes(in, cf, chrstyle, &aside);
		if(in.error)
			return false;
		int n = int(in.s - b);
		key = PackedCodes();
		if(n <= 8 && aside.Named() == named) {
			key.len = n;
			key.mask = n == 8 ? ~uint64(0) : (uint64(1) << 8 * n) - 1;
			key.codes = 0;
			for(int i = 0; i < n; i++)
				key.codes |= uint64(byte(b[i])) << 8 * i;
		}
		return true;
	}

private:
	const String& head;
	const String& content;
	PackedReader  in;
	AsideReader   aside;

	static bool SameBytes(const char* a, const char* b, int n)
	{
		for(int i = 0; i < n; i++)
			if(a[i] != b[i])
				return false;
		return true;
	}
};

} // namespace Qel::detail
