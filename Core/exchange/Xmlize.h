// Xmlize: one function per type both loads an object from an XmlNode and stores it into one,
// by the direction of the XmlIO handle it is given.
#pragma once

#include <Core/xml/XmlNode.h>
#include <Core/value/Value.h>
#include <Core/container/Vector.h>

namespace Qel {

class XmlIO {
public:
	XmlIO(XmlNode& node, bool loading, const Value& userdata = Value())
	:	node(&node), loading(loading), userdata(userdata) {}
	// A handle on another node, in the same direction and with the same user data.
	XmlIO(const XmlIO& xml, XmlNode& node)
	:	node(&node), loading(xml.loading), userdata(xml.userdata) {}

	bool     IsLoading() const                       { return loading; }
	bool     IsStoring() const                       { return !loading; }
	XmlNode& Node() const                            { return *node; }
	XmlNode* operator->() const                      { return node; }

	String   GetAttr(const char* id) const           { return node->Attr(id); }
	void     SetAttr(const char* id, const String& v) { node->SetAttr(id, v); }

	// One attribute through the text forms of AttrTextLoad and AttrTextStore.
	template <class T> XmlIO Attr(const char* id, T& var);
	// One child element holding var; loading leaves var alone when there is no such child.
	template <class T> XmlIO operator()(const char* tag, T& var);

	XmlIO At(int i) const                            { return XmlIO(*this, node->At(i)); }
	XmlIO Add() const                                { return XmlIO(*this, node->Add()); }
	XmlIO Add(const char* tag) const                 { return XmlIO(*this, node->AddTag(tag)); }
	XmlIO GetAdd(const char* tag) const              { return XmlIO(*this, node->GetAdd(tag)); }

	const Value& GetUserData() const                 { return userdata; }
	void         SetUserData(const Value& v)         { userdata = v; }

private:
	XmlNode* node;
	bool     loading;
	Value    userdata;
};

// Text forms of scalars in attributes. Loading never fails: text that does not read gives Null.
void AttrTextLoad(String& var, const String& text);
void AttrTextLoad(WString& var, const String& text);
void AttrTextLoad(int& var, const String& text);
void AttrTextLoad(int16& var, const String& text);
void AttrTextLoad(int64& var, const String& text);
void AttrTextLoad(float& var, const String& text);
void AttrTextLoad(double& var, const String& text);
void AttrTextLoad(bool& var, const String& text);
void AttrTextLoad(Date& var, const String& text);
void AttrTextLoad(Time& var, const String& text);

String AttrTextStore(const String& var);
String AttrTextStore(const WString& var);
String AttrTextStore(int var);
String AttrTextStore(int16 var);
String AttrTextStore(int64 var);
String AttrTextStore(float var);
String AttrTextStore(double var);
String AttrTextStore(bool var);
String AttrTextStore(Date var);
String AttrTextStore(Time var);

template <class T>
XmlIO XmlIO::Attr(const char* id, T& var)
{
	if(loading)
		AttrTextLoad(var, node->Attr(id));
	else
		node->SetAttr(id, AttrTextStore(var));
	return *this;
}

// The text of the node's first text child (one is added when storing and there is none).
void XmlizeText(XmlIO& xml, String& text);

// Structures provide their own Xmlize member.
template <class T>
void Xmlize(XmlIO& xml, T& var)                     { var.Xmlize(xml); }

// A scalar as an element: its text form in the attribute "value"; a text as the element's text.
void Xmlize(XmlIO& xml, String& var);
void Xmlize(XmlIO& xml, WString& var);
void Xmlize(XmlIO& xml, int& var);
void Xmlize(XmlIO& xml, int16& var);
void Xmlize(XmlIO& xml, int64& var);
void Xmlize(XmlIO& xml, float& var);
void Xmlize(XmlIO& xml, double& var);
void Xmlize(XmlIO& xml, bool& var);
void Xmlize(XmlIO& xml, Date& var);
void Xmlize(XmlIO& xml, Time& var);

template <class T>
XmlIO XmlIO::operator()(const char* tag, T& var)
{
	if(loading) {
		int i = node->FindTag(tag);
		if(i >= 0) {
			XmlIO n(*this, node->At(i));
			Xmlize(n, var);
		}
	}
	else {
		XmlIO n(*this, node->AddTag(tag));
		Xmlize(n, var);
	}
	return *this;
}

// A sequence as one child element per item; loading takes every child with the tag, in order.
template <class C>
void XmlizeContainer(XmlIO& xml, const char* tag, C& data)
{
	if(xml.IsStoring()) {
		for(auto& x : data) {
			XmlIO n = xml.Add(tag);
			Xmlize(n, const_cast<std::remove_const_t<std::remove_reference_t<decltype(x)>>&>(x));
		}
		return;
	}
	data.Clear();
	XmlNode& node = xml.Node();
	for(int i = 0; i < node.GetCount(); i++)
		if(node.Node(i).IsTag(tag)) {
			XmlIO n = xml.At(i);
			if constexpr(requires { data.Add(); }) {
				Xmlize(n, data.Add());
			}
			else {
				typename std::remove_cvref_t<decltype(*data.begin())> x;
				Xmlize(n, x);
				data.Add(std::move(x));
			}
		}
}

// A map as pairs of child elements, each key element followed by its value element.
template <class M>
void XmlizeMap(XmlIO& xml, const char* keytag, const char* valuetag, M& data)
{
	if(xml.IsStoring()) {
		for(int i = 0; i < data.GetCount(); i++) {
			auto k = data.GetKey(i);
			XmlIO kn = xml.Add(keytag);
			Xmlize(kn, k);
			XmlIO vn = xml.Add(valuetag);
			Xmlize(vn, data[i]);
		}
		return;
	}
	data.Clear();
	XmlNode& node = xml.Node();
	for(int i = 0; i < node.GetCount(); i++)
		if(node.Node(i).IsTag(keytag)) {
			int j = node.FindTag(valuetag, i + 1);
			if(j < 0)
				break;
			std::remove_cvref_t<decltype(data.GetKey(0))> k;
			XmlIO kn = xml.At(i);
			Xmlize(kn, k);
			XmlIO vn = xml.At(j);
			Xmlize(vn, data.Add(k));
			i = j;
		}
}

template <class T> void Xmlize(XmlIO& xml, Vector<T>& data) { XmlizeContainer(xml, "item", data); }
template <class T> void Xmlize(XmlIO& xml, Array<T>& data)  { XmlizeContainer(xml, "item", data); }
template <class T> void Xmlize(XmlIO& xml, Index<T>& data)  { XmlizeContainer(xml, "key", data); }
template <class K, class V>
void Xmlize(XmlIO& xml, VectorMap<K, V>& data)              { XmlizeMap(xml, "key", "value", data); }
template <class K, class V>
void Xmlize(XmlIO& xml, ArrayMap<K, V>& data)               { XmlizeMap(xml, "key", "value", data); }

} // namespace Qel
