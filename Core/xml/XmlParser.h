// XmlParser: a pull tokenizer over zero-terminated XML text, and ParseXmlTree, which builds an
// XmlNode tree from it.
#pragma once

#include "XmlNode.h"
#include <Core/text/Exc.h>
#include <Core/container/Vector.h>

namespace Qel {

class XmlError : public Exc {
public:
	XmlError(const char* text) : Exc(text) {}
	XmlError(const String& text) : Exc(text) {}
};

// Style bits of ParseXmlTree: leave these kinds of nodes out of the tree.
enum : dword {
	XT_SKIP_DECLS    = 0x01,
	XT_SKIP_PIS      = 0x02,
	XT_SKIP_COMMENTS = 0x04,
};

class XmlParser {
public:
	// The text must stay alive and unchanged while the parser reads it.
	explicit XmlParser(const char* text);

	// The first token is read on first use, so options set right after construction apply to it.
	void   ReadToken();
	int    GetType()                        { Prime(); return type; }
	bool   AtStartTag()                     { Prime(); return type == XT_START; }
	bool   AtStartTag(const char* tag)      { Prime(); return type == XT_START && tagtext == tag; }
	bool   IsEof()                          { Prime(); return type == XT_EOF; }
	bool   IsText()                         { Prime(); return type == XT_TEXT; }
	bool   IsEnd()                          { Prime(); return type == XT_END; }
	// Name of the start or end tag, or content of the declaration, instruction or comment.
	const String& PeekTag()                 { Prime(); return tagtext; }
	// Character data gathered before the current token.
	const String& PeekText()                { Prime(); return text; }
	// Takes the gathered character data, reading past a text token.
	String ReadText();
	int    GetLine() const                  { return line; }

	String EnterTag(bool advance = true);
	bool   EnterTagIf(const char* tag);
	bool   LeaveTag();
	void   RequireLeave();
	void   SkipElement();

	String TakeDeclaration(bool advance = true);
	String TakeProcessingInfo(bool advance = true);
	String TakeComment(bool advance = true);

	// Attributes of the start tag last entered, in document order.
	int           GetAttrCount() const      { return attr.count; }
	const String& AttrId(int i) const       { return attr.pair[2 * i]; }
	const String& Attr(int i) const         { return attr.pair[2 * i + 1]; }
	String        Attr(const char* id) const;

	void SetLenient(bool b = true)          { lenient = b; }
	void SetFlat(bool b = true)             { flat = b; }
	void SetRetainAllBlanks(bool b = true)  { retain_all = b; }

	int  GetDocumentCharset() const         { return doc_charset; }

private:
	struct OpenTag {
		using Relocatable = void;
		String name;
		bool   preserve;
	};
	// Names and values in turn; the strings stay allocated between tags, so scanning a tag
	// costs no allocation once the parser has warmed up.
	struct Attrs {
		Vector<String> pair;
		int            count = 0;
		void Add(String&& name, String&& value);
		void Clear()                        { count = 0; }
	};

	VectorMap<String, String> entity;
	const char*               term;
	int                       line = 1;
	int                       type = INT_NULL;
	String                    tagtext;
	String                    text;
	Attrs                     scanned;
	Attrs                     attr;
	Vector<OpenTag>           stack;
	bool                      primed = false;
	bool                      pending_end = false;
	bool                      preserve = false;
	bool                      retain_all = false;
	bool                      lenient = false;
	bool                      flat = false;
	bool                      convert = false;
	int                       out_charset;
	int                       doc_charset;

	void Prime()                            { if(!primed) ReadToken(); }
	String TakeTagText(int kind, const char* error, bool advance);
	void Next();
	bool Gather(String& out);
	void Markup();
	void ScanStartTag();
	void ScanAttrValue(String& out);
	void Entity(const char*& s, String& out);
	void AppendCode(uint32 code, String& out);
	void AppendRaw(String& out, const char* b, const char* e);
	void SetCharset(int cs);
	void EncodingFromPI();
	bool KeepsText() const;

	friend XmlNode ParseXmlTree(XmlParser& p, dword style);
};

XmlNode ParseXmlTree(XmlParser& p, dword style = 0);
XmlNode ParseXmlTree(const char* text, dword style = 0);

} // namespace Qel
