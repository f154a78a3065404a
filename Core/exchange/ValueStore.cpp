// The stored forms of Value and of the containers' data: binary, XML and JSON.
#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/text/WString.h>
#include <Core/text/Utf.h>
#include <Core/xml/XmlParser.h>
#include "Xmlize.h"
#include "Jsonize.h"
#include "Store.h"
#include <Core/container/Sort.h>

namespace Qel {

namespace {

// Nesting of containers being loaded on this thread; damaged or hostile input must not recurse
// until the stack runs out.
thread_local int tLoadDepth;

struct LoadDepth {
	LoadDepth()  { tLoadDepth++; }
	~LoadDepth() { tLoadDepth--; }
	bool TooDeep() const { return tLoadDepth > VALUE_NESTING_LIMIT; }
};

const char sSerializedBinary[] = "serialized_binary";

// Two lowercase hex digits per byte, no separators.
String sHexText(const String& data)
{
	static const char digit[] = "0123456789abcdef";
	StringBuffer r;
	r.SetCount(2 * data.GetLength());
	char* t = r.Begin();
	for(char c : data) {
		*t++ = digit[byte(c) >> 4];
		*t++ = digit[byte(c) & 15];
	}
	return String(r);
}

int sHexDigit(char c)
{
	return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Pairs of hex digits into bytes; any other character is skipped.
String sScanHex(const String& text)
{
	StringBuffer r;
	int high = -1;
	for(char c : text) {
		int d = sHexDigit(c);
		if(d < 0)
			continue;
		if(high < 0)
			high = d;
		else {
			r.Cat(char(high << 4 | d));
			high = -1;
		}
	}
	return String(r);
}

bool sIsText(const Value& v)
{
	dword t = v.GetType();
	return t == STRING_V || t == WSTRING_V;
}


} // namespace

const Value::SmallValueOpsRec* Value::SetSmallMarker(dword type)
{
	if(type > 254 || type == STRING_V || !SmallValueOps[type])
		return nullptr;
	Free();
	data.q[0] = data.q[1] = 0;
	data.w[3] = type << 8;
	return SmallValueOps[type];
}

void Value::Serialize(Stream& s)
{
	RegisterStd();
	if(s.IsStoring()) {
		dword type = GetType();
		dword t = type + 1;
		s.PackValue(t);
		if(type == STRING_V) {
			String x = To<String>();
			s % x;
		}
		else if(IsRef())
			GetVoidPtr()->Serialize(s);
		else if(auto* r = SmallValueOps[Tag() >> 8]; r && r->Serialize)
			r->Serialize(data.chr, s);
		return;
	}
	dword t;
	s.PackValue(t);
	dword type = t - 1;
	if(type >= 0x8000000) {
		*this = Value();
		s.LoadError();
		return;
	}
	if(type == STRING_V) {
		String x;
		s % x;
		*this = Value(x);
		return;
	}
	if(type == VOID_V) {
		*this = Value();
		return;
	}
	if(const SmallValueOpsRec* r = SetSmallMarker(type)) {
		r->Serialize(data.chr, s);
		return;
	}
	Factory f = GetFactory(type);
	if(!f) {
		*this = Value();
		if(type != ERROR_V) // an error value stores no payload and reads back as void
			s.LoadError();
		return;
	}
	LoadDepth depth;
	if(depth.TooDeep()) {
		*this = Value();
		s.LoadError();
		return;
	}
	Value v(f(), type); // owned before it loads, so a throw cannot leak it
	v.GetVoidPtr()->Serialize(s);
	*this = static_cast<Value&&>(v);
}

namespace detail {

// Elements: the count + 1 packed, then each element's form. A damaged count costs memory only as
// far as data arrives.
void SerializeValues(Stream& s, Vector<Value>& v)
{
	int count = v.GetCount();
	s.PackNullable(count);
	if(s.IsStoring()) {
		for(Value& x : v)
			x.Serialize(s);
		return;
	}
	if(count < 0) {
		s.LoadError();
		return;
	}
	v.Clear();
	v.Reserve(min(count, 16384));
	for(int i = 0; i < count && !s.IsError(); i++)
		v.Add().Serialize(s);
}

} // namespace detail

void ValueArray::Data::Serialize(Stream& s)
{
	detail::SerializeValues(s, data);
}

void ValueArray::Serialize(Stream& s)
{
	if(s.IsLoading()) {
		Data* d = new Data;
		data->Release();
		data = d;
	}
	data->Serialize(s);
}

// Keys: their elements, a format number (2), then the positions of unlinked keys. Format 1, an
// older one, lists a hash word per key instead, bit 31 marking the unlinked ones.
void SerializeKeys(Stream& s, Index<Value>& index)
{
	if(s.IsStoring()) {
		Vector<Value> keys = index.GetKeys();
		detail::SerializeValues(s, keys);
		dword format = 2;
		s.PackValue(format);
		Vector<int> unlinked = index.GetUnlinked();
		Sort(unlinked); // in position order, so the form does not depend on the order of removal
		Qel::Serialize(s, unlinked);
		return;
	}
	Vector<Value> keys;
	detail::SerializeValues(s, keys);
	dword format = 0;
	s.PackValue(format);
	if(s.IsError())
		return;
	Index<Value> loaded(static_cast<Vector<Value>&&>(keys));
	if(format == 2) {
		Vector<int> unlinked;
		Qel::Serialize(s, unlinked);
		for(int i : unlinked) {
			if(i < 0 || i >= loaded.GetCount()) {
				s.LoadError();
				return;
			}
			if(!loaded.IsUnlinked(i))
				loaded.Unlink(i);
		}
	}
	else if(format == 1) {
		Vector<dword> hashes;
		Qel::Serialize(s, hashes);
		for(int i = 0; i < hashes.GetCount() && i < loaded.GetCount(); i++)
			if(hashes[i] & 0x80000000)
				loaded.Unlink(i);
	}
	else {
		s.LoadError();
		return;
	}
	index = static_cast<Index<Value>&&>(loaded);
}

void ValueMap::Data::Serialize(Stream& s)
{
	SerializeKeys(s, key);
	if(s.IsLoading())
		value = ValueArray();
	value.Serialize(s);
	if(s.IsLoading() && key.GetCount() != value.GetCount())
		s.LoadError();
}

void ValueMap::Serialize(Stream& s)
{
	if(s.IsLoading()) {
		Data* d = new Data;
		data->Release();
		data = d;
	}
	data->Serialize(s);
}

// XML: the attribute "type" names the type; the content is the type's own. Types without a name
// travel as the hex text of their binary envelope.
void Value::Xmlize(XmlIO& xio)
{
	RegisterStd();
	if(xio.IsStoring()) {
		Value v = GetType() == ERROR_V ? Value(INT_NULL) : *this;
		dword type = v.GetType();
		String name = GetRegisteredName(type);
		if(name.IsEmpty()) {
			xio.SetAttr("type", sSerializedBinary);
			String hex = sHexText(StoreAsString(v));
			XmlizeText(xio, hex);
			return;
		}
		xio.SetAttr("type", name);
		if(type == STRING_V) {
			String text = v.To<String>();
			XmlizeText(xio, text);
		}
		else if(v.IsRef())
			v.GetVoidPtr()->Xmlize(xio);
		else if(auto* r = SmallValueOps[v.Tag() >> 8]; r && r->Xmlize)
			r->Xmlize(v.data.chr, xio);
		return;
	}
	String name = xio.GetAttr("type");
	if(name.IsEmpty()) {
		*this = Value();
		return;
	}
	if(name == sSerializedBinary) {
		String hex;
		XmlizeText(xio, hex);
		try {
			LoadFromString(*this, sScanHex(hex));
		}
		catch(LoadingError&) {
			throw XmlError("xmlize serialized_binary Error");
		}
		return;
	}
	int type = GetTypeByName(name);
	if(type == INT_NULL)
		throw XmlError("invalid Value type");
	if(type == STRING_V) {
		String text;
		XmlizeText(xio, text);
		*this = text;
		return;
	}
	if(type == VOID_V) {
		*this = Value();
		return;
	}
	if(const SmallValueOpsRec* r = SetSmallMarker(type)) {
		if(r->Xmlize)
			r->Xmlize(data.chr, xio);
		return;
	}
	Factory f = GetFactory(type);
	if(!f)
		throw XmlError("invalid Value type");
	LoadDepth depth;
	if(depth.TooDeep())
		throw XmlError("Value nesting too deep");
	Value v(f(), type);
	v.GetVoidPtr()->Xmlize(xio);
	*this = static_cast<Value&&>(v);
}

// JSON: Null is the JSON null; any other value an object with "type" and "value".
void Value::Jsonize(JsonIO& jio)
{
	RegisterStd();
	if(jio.IsStoring()) {
		if(IsNull()) {
			jio.Set(Value(INT_NULL));
			return;
		}
		dword type = GetType();
		String name = GetRegisteredName(type);
		ValueMap m;
		if(name.IsEmpty()) {
			m.Add("type", sSerializedBinary);
			m.Add("value", sHexText(StoreAsString(*this)));
			jio.Set(m);
			return;
		}
		JsonIO payload;
		if(type == STRING_V) {
			String text = To<String>();
			JsonizeText(payload, text);
		}
		else if(IsRef())
			GetVoidPtr()->Jsonize(payload);
		else if(auto* r = SmallValueOps[Tag() >> 8]; r && r->Jsonize) {
			Value v = *this; // the record exchanges in place
			r->Jsonize(v.data.chr, payload);
		}
		m.Add("type", name);
		m.Add("value", payload.GetResult());
		jio.Set(m);
		return;
	}
	const Value& src = jio.Get();
	if(src.IsNull()) {
		*this = Value(INT_NULL);
		return;
	}
	const Value& tv = src["type"];
	String name = sIsText(tv) ? tv.ToString() : String();
	const Value& payload = src["value"];
	if(name == sSerializedBinary) {
		if(!sIsText(payload))
			throw JsonizeError("serialized_binary Error");
		try {
			LoadFromString(*this, sScanHex(payload.ToString()));
		}
		catch(LoadingError&) {
			throw JsonizeError("serialized_binary Error");
		}
		return;
	}
	int type = GetTypeByName(name);
	if(type == INT_NULL)
		throw JsonizeError("invalid Value type");
	if(type == STRING_V) {
		if(!sIsText(payload))
			throw JsonizeError("serialized_binary Error");
		*this = payload.ToString();
		return;
	}
	if(type == VOID_V) {
		*this = Value();
		return;
	}
	JsonIO in(payload);
	if(const SmallValueOpsRec* r = SetSmallMarker(type)) {
		if(r->Jsonize)
			r->Jsonize(data.chr, in);
		return;
	}
	Factory f = GetFactory(type);
	if(!f)
		throw JsonizeError("invalid Value type");
	LoadDepth depth;
	if(depth.TooDeep())
		throw JsonizeError("Value nesting too deep");
	Value v(f(), type);
	v.GetVoidPtr()->Jsonize(in);
	*this = static_cast<Value&&>(v);
}

Value ValueToJson(const Value& v)
{
	JsonIO io;
	const_cast<Value&>(v).Jsonize(io); // storing leaves the value as it is
	return io.GetResult();
}

void ValueFromJson(Value& v, const Value& json)
{
	JsonIO io(json);
	v.Jsonize(io);
}

void ValueArray::Data::Xmlize(XmlIO& xio)
{
	if(xio.IsStoring()) {
		for(const Value& x : data) {
			XmlIO n = xio.Add("item");
			Value(x).Xmlize(n);
		}
		return;
	}
	data.Clear();
	XmlNode& node = xio.Node();
	for(int i = 0; i < node.GetCount(); i++)
		if(node.Node(i).IsTag("item")) {
			XmlIO n = xio.At(i);
			data.Add().Xmlize(n);
		}
}

void ValueArray::Data::Jsonize(JsonIO& jio)
{
	if(jio.IsStoring()) {
		ValueArray r;
		Vector<Value>& v = r.Clone();
		v.Reserve(data.GetCount());
		for(const Value& x : data)
			v.Add(ValueToJson(x));
		jio.Set(r);
		return;
	}
	const Vector<Value>& src = detail::JsonElements(jio.Get());
	data.SetCount(src.GetCount());
	for(int i = 0; i < src.GetCount(); i++)
		ValueFromJson(data[i], src[i]);
}

void ValueArray::Xmlize(XmlIO& xio)
{
	if(xio.IsLoading()) {
		Data* d = new Data;
		data->Release();
		data = d;
	}
	data->Xmlize(xio);
}

void ValueArray::Jsonize(JsonIO& jio)
{
	if(jio.IsLoading()) {
		Data* d = new Data;
		data->Release();
		data = d;
	}
	data->Jsonize(jio);
}

// Keys as children "key" (unlinked ones left out); loading stops at the first other child.
void XmlizeKeys(XmlIO& xio, Index<Value>& index)
{
	if(xio.IsStoring()) {
		for(int i = 0; i < index.GetCount(); i++)
			if(!index.IsUnlinked(i)) {
				XmlIO n = xio.Add("key");
				Value(index[i]).Xmlize(n);
			}
		return;
	}
	index.Clear();
	XmlNode& node = xio.Node();
	for(int i = 0; i < node.GetCount() && node.Node(i).IsTag("key"); i++) {
		XmlIO n = xio.At(i);
		Value k;
		k.Xmlize(n);
		index.Add(k);
	}
}

void ValueMap::Data::Xmlize(XmlIO& xio)
{
	XmlizeKeys(xio, key);
	value.Xmlize(xio);
}

void ValueMap::Data::Jsonize(JsonIO& jio)
{
	if(jio.IsStoring()) {
		ValueArray r;
		int n = min(key.GetCount(), value.GetCount());
		for(int i = 0; i < n; i++) {
			ValueMap m;
			m.Add("key", ValueToJson(key[i]));
			m.Add("value", ValueToJson(value[i]));
			r.Add(m);
		}
		jio.Set(r);
		return;
	}
	key.Clear();
	value = ValueArray();
	for(const Value& e : detail::JsonElements(jio.Get())) {
		Value k, v;
		ValueFromJson(k, e["key"]);
		ValueFromJson(v, e["value"]);
		key.Add(k);
		value.Add(v);
	}
}

void ValueMap::Xmlize(XmlIO& xio)
{
	if(xio.IsLoading()) {
		Data* d = new Data;
		data->Release();
		data = d;
	}
	data->Xmlize(xio);
}

void ValueMap::Jsonize(JsonIO& jio)
{
	if(jio.IsLoading()) {
		Data* d = new Data;
		data->Release();
		data = d;
	}
	data->Jsonize(jio);
}

// The text as UTF-8 in the node; JSON as a WString value.
void RichValueTraits<WString>::Xmlize(XmlIO& xio, WString& x)
{
	Qel::Xmlize(xio, x);
}

void RichValueTraits<WString>::Jsonize(JsonIO& jio, WString& x)
{
	Qel::Jsonize(jio, x);
}

} // namespace Qel
