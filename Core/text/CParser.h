// CParser: a small lexer for C-like text over a zero-terminated buffer that the caller keeps
// alive. Errors throw CParser::Error with "(line,col): " in front of the message.
#pragma once

#include <Core/base/Defs.h>
#include "String.h"
#include "Exc.h"

#include <climits>

namespace Qel {

class CParser {
public:
	struct Error : Exc {
		Error(const char* s) : Exc(s) {}
		Error(const String& s) : Exc(s) {}
	};

	CParser() = default;
	explicit CParser(const char* s)         { Set(s); }

	void        Set(const char* s);

	bool        Spaces();
	bool        Char(int c);
	bool        Id(const char* s);
	void        PassId(const char* s);
	void        PassChar(int c);

	bool        IsInt() const;
	bool        IsDouble() const;
	bool        IsId() const;
	int         ReadInt();
	double      ReadDouble();
	String      ReadId();

	int         GetChar();
	int         PeekChar() const              { return (byte)*term; }
	bool        IsChar(int c) const           { return (byte)*term == c; }
	bool        IsEof() const                 { return *term == '\0'; }

	String      ReadOneString(int delim = '\"', bool chkend = true);
	String      ReadString(int delim, bool chkend);
	String      ReadString(bool chkend = true) { return ReadString('\"', chkend); }

	void        SkipTerm();

	[[noreturn]] void ThrowError(const char* message) const;
	[[noreturn]] void ThrowError(const String& message) const { ThrowError(~message); }

	const char* GetPtr() const                { return term; }
	const char* GetSpacePtr() const           { return wspc; }
	int         GetLine() const               { return line; }
	int         GetColumn() const;
	const String& GetFileName() const         { return fn; }

	void        SkipSpaces(bool b = true)     { skipspaces = b; }
	void        SkipComments(bool b = true)   { skipcomments = b; }
	void        NestComments(bool b = true)   { nestcomments = b; }
	void        UnicodeEscape(bool b = true)  { uescape = b; }

private:
	const char* term = "";
	const char* wspc = term;
	const char* lineptr = term;
	int         line = 1;
	String      fn;
	bool        skipspaces = true;
	bool        skipcomments = true;
	bool        nestcomments = false;
	bool        uescape = true;

	void        DoSpaces();
	void        NewLine(const char* at)       { line += line < INT_MAX; lineptr = at + 1; } // a marker may set INT_MAX
	void        Marker();
	[[noreturn]] void ThrowMissing(const char* what) const;
};

enum {
	ASCSTRING_SMART = 0x01, // break lines only after a blank or a "\n" escape
	ASCSTRING_OCTALHI = 0x02, // bytes 128..254 as octal escapes too
	// Escapes a JSON reader takes: "\b", "\f", "\n", "\r", "\t" and "\u" for the other controls
	// and for characters beyond U+FFFF (as surrogate pairs).
	ASCSTRING_JSON = 0x04,
};

String AsCString(const char* s, const char* end, int linemax = INT_MAX, const char* linepfx = nullptr,
                 int flags = 0);
String AsCString(const String& s, int linemax = INT_MAX, const char* linepfx = nullptr, int flags = 0);

} // namespace Qel
