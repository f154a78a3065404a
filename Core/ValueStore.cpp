// The binary stored form of Value, and of the containers' data.
#include "Value.h"
#include "ValueArray.h"

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

} // namespace

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
	if(type <= 254 && SmallValueOps[type]) {
		Free();
		data.q[0] = data.q[1] = 0;
		data.w[3] = type << 8;
		SmallValueOps[type]->Serialize(data.chr, s);
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

void ValueArray::Data::Xmlize(XmlIO&) {}
void ValueArray::Data::Jsonize(JsonIO&) {}
void ValueMap::Data::Xmlize(XmlIO&) {}
void ValueMap::Data::Jsonize(JsonIO&) {}

} // namespace Qel
