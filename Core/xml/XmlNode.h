// XmlNode: one node of a parsed XML document, owning its children and its attributes.
#pragma once

#include <Core/text/String.h>
#include <Core/container/Array.h>
#include <Core/container/Index.h>
#include <Core/container/Map.h>

namespace Qel {

class XmlParser;

// Token types of XmlParser, also the types of nodes.
enum {
	XT_DOC,     // document node; also "no node" where a node is read
	XT_START,   // start tag (element node)
	XT_END,     // end tag, also produced for a self-closing tag
	XT_TEXT,
	XT_DECL,    // <!...> other than a comment
	XT_PI,      // <?...?>
	XT_COMMENT,
	XT_EOF,
};

class XmlNode {
public:
	XmlNode() = default;
	XmlNode(const XmlNode& n)                 { CopyFrom(n); }
	XmlNode(XmlNode&& n) noexcept;
	~XmlNode();

	XmlNode& operator=(const XmlNode& n);
	XmlNode& operator=(XmlNode&& n) noexcept;

	int           GetType() const             { return type; }
	void          SetType(int t)              { type = t; }
	const String& GetText() const             { return text; }
	void          SetText(const String& s)    { text = s; }
	void          SetText(String&& s)         { text = std::move(s); }
	// The tag name of an element; empty for other nodes.
	String        GetTag() const              { return type == XT_START ? text : String(); }
	bool          IsTag() const               { return type == XT_START; }
	bool          IsTag(const char* tag) const { return type == XT_START && text == tag; }
	bool          IsText() const              { return type == XT_TEXT; }

	int            GetCount() const           { return node.GetCount(); }
	bool           IsEmpty() const            { return node.IsEmpty(); }
	XmlNode&       At(int i)                  { return node[i]; }
	const XmlNode& Node(int i) const          { return node[i]; }
	const XmlNode& operator[](int i) const    { return node[i]; }
	// Index of the first child element with this tag at or after from, -1 when none.
	int            FindTag(const char* tag, int from = 0) const;
	// The first child element with this tag; a shared empty node when there is none.
	const XmlNode& operator[](const char* tag) const;

	XmlNode&       Add()                      { return node.Add(); }
	XmlNode&       AddTag(const char* tag);
	XmlNode&       AddText(const String& text);
	void           Remove(int i)              { node.Remove(i); }
	void           Clear();
	XmlNode&       GetAdd(const char* tag);   // the first child with the tag, added when missing

	// Attributes, in document order.
	int            GetAttrCount() const       { return attr ? attr->GetCount() : 0; }
	const String&  AttrId(int i) const        { return attr->GetKey(i); }
	const String&  Attr(int i) const          { return (*attr)[i]; }
	String         Attr(const char* id) const;
	XmlNode&       SetAttr(const char* id, const String& value);
	// Takes the keys and values of a; an empty a removes every attribute.
	void           ReplaceAttrs(VectorMap<String, String>&& a);
	const VectorMap<String, String>* GetAttrs() const { return attr; }

	// Drops an empty attribute map and the unused room of the child array.
	void           Compact();
	// The texts of the direct text children, joined.
	String         GatherText() const;

	bool operator==(const XmlNode& b) const;
	bool operator!=(const XmlNode& b) const   { return !(*this == b); }

	static const XmlNode& Void();

private:
	int                        type = XT_DOC;
	String                     text;
	Array<XmlNode>             node;
	VectorMap<String, String>* attr = nullptr;

	void CopyFrom(const XmlNode& n);
	void FreeTree();
	void CopyShallow(const XmlNode& n);
	friend class XmlParser;
	friend XmlNode ParseXmlTree(XmlParser& p, dword style);
};

} // namespace Qel
