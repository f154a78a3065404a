// QTF, the markup of rich text: ParseQtf reads it into a RichText, AsQTF writes a RichText back
// so that reading it again gives an equal document. The writer's pieces are public for callers
// that build QTF of their own (a colour, a format change, an escaped argument).
#pragma once

#include <richtext/document/RichTable.h>

namespace Qel {

// Options of AsQTF (bits).
enum : int {
	QTF_OPT_BODY        = 1,  // the document body (without it only styles and headers)
	QTF_OPT_NO_STYLES   = 4,  // no style definitions or references; formats against the default
	QTF_OPT_LINE_BREAKS = 8,  // "\r\n" between parts and within long text, for people to read
	QTF_OPT_NO_CHARSET  = 16, // no charset code in the body
	QTF_OPT_NO_LANGUAGE = 32, // no document language in the body
};

// Reads QTF. It never fails outward: an error ends the document with a visible error paragraph.
// What was completed before it stays: paragraphs, closed tables, styles, the header and footer;
// a table still open is dropped with all its cells. Of the paragraph the error cuts short, the
// runs ended before it (at a "[" or "]", an object or a field) begin the error paragraph, and
// the text read since the last of them is dropped. The first character folded to accesskey (an
// upper-case ASCII letter, 0 for none) is underlined. The context goes to the object types that
// read embedded objects.
// A field of a type the program has not registered (RichPara::Register) is read as nothing,
// though AsQTF writes every field a document holds: "a{:DATE:x:}b" reads back as "ab", one
// position shorter. A table cell whose margins and borders leave no room for its text keeps the
// text, but shows none of it on screen or paper.
// Tables nest up to QTF_MAX_TABLE_DEPTH deep ("++" tables counted like "{{" ones). The cells of a
// table opened deeper are read as paragraphs of the cell around it: each of its cells ends a
// paragraph there, so no text is lost.
RichText ParseQtf(const char* qtf, int accesskey = 0, void* context = nullptr);

// Laying out, painting, the position queries and the writer recurse once per nested table; at
// this depth they stay far within the stack of a worker thread, also in a sanitizer build.
inline constexpr int QTF_MAX_TABLE_DEPTH = 128;

// The document as QTF in the charset (CHARSET_UTF8 or an 8-bit set).
String AsQTF(const RichText& text, int charset = CHARSET_UTF8, int options = QTF_OPT_BODY);

// Objects QTF text may name by number ("@@#" and the number), for text built and parsed within
// this process. A copy of the object stays registered until it is released; numbers are never
// reused, and a number that names no registered object adds nothing.
int  RegisterQtfObject(const RichObject& object);
void UnregisterQtfObject(int id);

// The writer's pieces. Each appends to out.
// A colour: "N" for Null, a digit, "(grey)" or "(r.g.b)".
void QtfColor(String& out, Color c);
// A change of language from old to lang; nothing when they read back alike. A code is written by
// its letters, without the charset it may hold (text here is Unicode), and reads back so; a code
// QTF has no form for (letters other than four or two from A to Z) is written as none. The
// document language AsQTF writes is counted by these written forms too.
void QtfLanguage(String& out, int lang, int old);
// Format-block commands that turn the character format o into n (not the language).
void QtfCharFormat(String& out, const RichPara::CharFormat& o, const RichPara::CharFormat& n);
// Format-block commands that turn the paragraph format o into n (paragraph fields only).
void QtfParaFormat(String& out, const RichPara::Format& o, const RichPara::Format& n);
// letter, n and ";" when n differs from old.
void QtfNumberCommand(String& out, int letter, int old, int n);
// UTF-8 text as QTF text that reads back as it: a backtick before every ASCII character other
// than a blank, a digit or a letter, "-|" for a tab, "&" (a paragraph end) for a line feed; other
// control bytes are left out, as the reader would drop them, and a byte that is no part of UTF-8
// goes as the character that stands for it ("@$EExx;"). Nothing of it changes how the text after
// it is read. Arguments (a link, an index entry, a style name) take it when they hold neither
// control bytes nor broken UTF-8.
void QtfEscape(String& out, const char* s, int len);
inline void QtfEscape(String& out, const String& s) { QtfEscape(out, s.Begin(), s.GetLength()); }
inline String QtfEscape(const String& s) { String r; QtfEscape(r, s); return r; }
// One paragraph against the base format: its format block content, a blank, its parts.
void QtfParagraph(String& out, const RichPara& p, const RichPara::Format& base, int language,
                  int charset, int options);
// A part list, tables and their cells included, as "[" part "&][" part ... "]".
void QtfParts(String& out, const RichTxt& txt, const ArrayMap<Uuid, RichStyle>& styles,
              const Index<Uuid>& style_index, int language, int charset, int options);

} // namespace Qel
