// The bytes of a PDF document: numbers in the fixed form every reader takes, strings with their
// escapes, and the numbered objects with the cross-reference table that finds them.
#pragma once

#include <Core/Core.h>

namespace Qel::detail {

// v with at most `decimals` places, trailing zeros dropped; never an exponent. Values that are
// not finite write 0, magnitudes are held within 1e12 and those beyond 32 bits are written as
// reals, so hostile input stays parseable.
void PdfNumber(StringBuffer& out, double v, int decimals = 3);
void PdfInt(StringBuffer& out, int64 v);
// A colour channel 0..255 as 0..1 with four places: enough for every step to come back exact.
void PdfChannel(StringBuffer& out, int c);
// A literal string with ( ) \ escaped and bytes outside printable ASCII in octal.
void PdfLiteral(StringBuffer& out, const char* s, int len);
inline void PdfLiteral(StringBuffer& out, const String& s) { PdfLiteral(out, s.Begin(), s.GetLength()); }

// A small text builder over StringBuffer for dictionaries and content streams.
class PdfText {
public:
	StringBuffer b;

	PdfText& operator<<(const char* s)     { b.Cat(s); return *this; }
	PdfText& operator<<(const String& s)   { b.Cat(s); return *this; }
	PdfText& operator<<(char c)            { b.Cat(c); return *this; }
	PdfText& operator<<(int v)             { PdfInt(b, v); return *this; }
	PdfText& operator<<(int64 v)           { PdfInt(b, v); return *this; }
	PdfText& operator<<(double v)          { PdfNumber(b, v); return *this; }
	// An indirect reference "id 0 R".
	PdfText& Ref(int id)                   { PdfInt(b, id); b.Cat(" 0 R", 4); return *this; }
	PdfText& Num(double v, int decimals)   { PdfNumber(b, v, decimals); return *this; }

	int    GetLength() const               { return b.GetLength(); }
	String Get()                           { return String(b); }
};

// Numbered objects written one after another; the table of their offsets closes the document.
// Documents beyond MAX_BYTES fail instead of growing on: the caller learns it from IsFailed.
class PdfObjects {
public:
	static constexpr int64 MAX_BYTES = 1800000000;

	PdfObjects();

	// A new object number; every number handed out must be written before Finish.
	int  New()                         { offset.Add(-1); return offset.GetCount(); }
	void Begin(int id);
	void End();
	// A whole object: id, then body as it is.
	void Put(int id, const String& body);
	// A stream object: dict holds the entries besides /Length and /Filter. Compressed with
	// Flate unless compress is false or the data is already encoded (filter given).
	void Stream(int id, const String& dict, const String& data, bool compress = true,
	            const char* filter = nullptr);

	// Appends the cross-reference table and trailer; the document, or empty when it failed.
	String Finish(int root, int info, const String& id, bool v16);

	bool IsFailed() const              { return failed; }
	void Fail()                        { failed = true; }
	// Whether adding n more bytes keeps the document within bounds; fails it otherwise.
	bool Room(int64 n);

private:
	StringBuffer out;
	Vector<int64> offset; // by object number - 1; -1: not written yet
	bool failed = false;
};

String PdfCompress(const String& data);

} // namespace Qel::detail
