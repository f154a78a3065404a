#include "XmlNode.h"

namespace Qel {

// Subtrees are freed and copied with explicit work lists: a parsed document may nest far deeper
// than the stack could recurse.

void XmlNode::FreeTree()
{
	Vector<XmlNode*> work;
	work.Append(node.GetPointers());
	node.GetPointers().Clear();
	while(!work.IsEmpty()) {
		XmlNode* n = work.Pop();
		if(!n->node.IsEmpty()) {
			work.Append(n->node.GetPointers());
			n->node.GetPointers().Clear();
		}
		delete n;
	}
}

XmlNode::~XmlNode()
{
	if(!node.IsEmpty())
		FreeTree();
	delete attr;
}

XmlNode::XmlNode(XmlNode&& n) noexcept
:	type(n.type), text(std::move(n.text)), node(std::move(n.node)), attr(n.attr)
{
	n.attr = nullptr;
}

void XmlNode::CopyShallow(const XmlNode& n)
{
	type = n.type;
	text = n.text;
	if(n.attr && !attr)
		attr = new VectorMap<String, String>(*n.attr);
}

void XmlNode::CopyFrom(const XmlNode& n)
{
	CopyShallow(n);
	struct Job { XmlNode* to; const XmlNode* from; };
	Vector<Job> work;
	work.Add({ this, &n });
	while(!work.IsEmpty()) {
		Job j = work.Pop();
		int count = j.from->GetCount();
		j.to->node.Reserve(count);
		for(int i = 0; i < count; i++) {
			XmlNode& c = j.to->node.Add();
			c.CopyShallow(j.from->node[i]);
			if(!j.from->node[i].IsEmpty())
				work.Add({ &c, &j.from->node[i] });
		}
	}
}

XmlNode& XmlNode::operator=(const XmlNode& n)
{
	if(this != &n) {
		XmlNode tmp(n);
		*this = std::move(tmp);
	}
	return *this;
}

XmlNode& XmlNode::operator=(XmlNode&& n) noexcept
{
	if(this != &n) {
		Clear();
		type = n.type;
		text = std::move(n.text);
		node = std::move(n.node);
		attr = n.attr;
		n.attr = nullptr;
	}
	return *this;
}

void XmlNode::Clear()
{
	if(!node.IsEmpty())
		FreeTree();
	node.Clear();
	delete attr;
	attr = nullptr;
	text.Clear();
	type = XT_DOC;
}

const XmlNode& XmlNode::Void()
{
	static const XmlNode empty;
	return empty;
}

int XmlNode::FindTag(const char* tag, int from) const
{
	for(int i = from; i < node.GetCount(); i++)
		if(node[i].IsTag(tag))
			return i;
	return -1;
}

const XmlNode& XmlNode::operator[](const char* tag) const
{
	int i = FindTag(tag);
	return i < 0 ? Void() : node[i];
}

XmlNode& XmlNode::AddTag(const char* tag)
{
	XmlNode& n = node.Add();
	n.type = XT_START;
	n.text = tag;
	return n;
}

XmlNode& XmlNode::AddText(const String& s)
{
	XmlNode& n = node.Add();
	n.type = XT_TEXT;
	n.text = s;
	return n;
}

XmlNode& XmlNode::GetAdd(const char* tag)
{
	int i = FindTag(tag);
	return i < 0 ? AddTag(tag) : node[i];
}

String XmlNode::Attr(const char* id) const
{
	if(!attr)
		return String();
	int i = attr->Find(id);
	return i < 0 ? String() : (*attr)[i];
}

XmlNode& XmlNode::SetAttr(const char* id, const String& value)
{
	if(!attr)
		attr = new VectorMap<String, String>;
	String key(id);
	int i = attr->Find(key);
	if(i < 0)
		attr->Add(std::move(key), value);
	else
		(*attr)[i] = value;
	return *this;
}

void XmlNode::ReplaceAttrs(VectorMap<String, String>&& a)
{
	if(a.IsEmpty()) {
		delete attr;
		attr = nullptr;
		return;
	}
	if(!attr)
		attr = new VectorMap<String, String>;
	*attr = std::move(a);
}

void XmlNode::Compact()
{
	if(attr && attr->IsEmpty()) {
		delete attr;
		attr = nullptr;
	}
	if(node.GetPointers().GetAlloc() > node.GetCount())
		node.Shrink();
}

String XmlNode::GatherText() const
{
	String r;
	for(const XmlNode& n : node)
		if(n.type == XT_TEXT)
			r.Cat(n.text);
	return r;
}

bool XmlNode::operator==(const XmlNode& b) const
{
	struct Job { const XmlNode* a; const XmlNode* b; };
	Vector<Job> work;
	work.Add({ this, &b });
	while(!work.IsEmpty()) {
		Job j = work.Pop();
		const XmlNode& x = *j.a;
		const XmlNode& y = *j.b;
		if(x.type != y.type || x.text != y.text || x.GetCount() != y.GetCount())
			return false;
		int na = x.GetAttrCount();
		if(na != y.GetAttrCount())
			return false;
		for(int i = 0; i < na; i++)
			if(x.AttrId(i) != y.AttrId(i) || x.Attr(i) != y.Attr(i))
				return false;
		for(int i = 0; i < x.GetCount(); i++)
			work.Add({ &x.node[i], &y.node[i] });
	}
	return true;
}

} // namespace Qel
