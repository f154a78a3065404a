#include "ValueArray.h"

namespace Qel {

namespace {

// The empty instances live in static storage and are never destroyed: handles in other statics
// may still release them during exit.
template <class T>
T& Immortal()
{
	alignas(T) static byte buffer[sizeof(T)];
	static T* p = new(buffer) T;
	return *p;
}

int CompareElements(const Value& a, const Value& b)
{
	dword t = a.GetType();
	if(t == b.GetType() && !a.IsRef() && !b.IsRef()) { // plain numbers directly
		if(t == DOUBLE_V || t == FLOAT_V) {
			double x = a.ToDouble(), y = b.ToDouble();
			return (x > y) - (x < y);
		}
		if(t == INT_V) {
			int x = a.ToInt(), y = b.ToInt();
			return (x > y) - (x < y);
		}
	}
	return a.Compare(b);
}

// While a tree of values is released, the representations its containers held wait here; the
// outermost release on the thread empties the list, so the depth of the tree costs no stack.
thread_local Vector<Value::Void*>* tPending;

String JoinTexts(const Vector<Value>& v)
{
	String s;
	for(int i = 0; i < v.GetCount(); i++) {
		if(i)
			s << ", ";
		s << v[i].ToText();
	}
	return s;
}

} // namespace

hash_t ValueArray::Data::GetHashValue() const
{
	hash_t h = data.GetCount() + detail::HASH_SM;
	for(const Value& v : data)
		h = h * detail::HASH_M + v.GetHashValue();
	return h;
}

bool ValueArray::Data::IsEqual(const Value::Void* p) const
{
	return data == static_cast<const Data*>(p)->data;
}

String ValueArray::Data::AsString() const
{
	return "[" + JoinTexts(data) + "]";
}

int ValueArray::Data::Compare(const Value::Void* p) const
{
	const Vector<Value>& b = static_cast<const Data*>(p)->data;
	int n = min(data.GetCount(), b.GetCount());
	for(int i = 0; i < n; i++)
		if(int q = CompareElements(data[i], b[i]))
			return q;
	return (data.GetCount() > b.GetCount()) - (data.GetCount() < b.GetCount());
}

ValueArray::ValueArray()
:	data(&Immortal<NullData>())
{
	data->Retain();
}

ValueArray::ValueArray(ValueArray&& a) noexcept
:	data(a.data)
{
	a.data = &Immortal<NullData>();
	a.data->Retain();
}

ValueArray& ValueArray::operator=(const ValueArray& a)
{
	a.data->Retain();
	data->Release();
	data = a.data;
	return *this;
}

ValueArray& ValueArray::operator=(ValueArray&& a) noexcept
{
	if(this != &a) {
		Data* d = a.data;
		a.data = &Immortal<NullData>();
		a.data->Retain();
		data->Release();
		data = d;
	}
	return *this;
}

void ValueArray::ReleaseElements(const Value* v, int n)
{
	Vector<Value::Void*> own;
	bool outer = !tPending;
	if(outer)
		tPending = &own;
	for(int i = 0; i < n; i++) {
		// the values go with their container: taking their references away is safe
		Value& x = const_cast<Value&>(v[i]);
		if(x.IsRef()) {
			tPending->Add(x.GetVoidPtr());
			x.SetVoidRaw();
		}
	}
	if(!outer)
		return;
	while(own.GetCount())
		own.Pop()->Release();
	tPending = nullptr;
}

ValueArray::Data::~Data()
{
	ReleaseElements(data.begin(), data.GetCount());
}

Vector<Value>& ValueArray::Clone()
{
	if(data->GetRefCount() != 1) {
		Data* d = new Data;
		d->data = data->data;
		data->Release();
		data = d;
	}
	return data->data;
}

ValueMap::Data::~Data()
{
	// the values go with the ValueArray member, whose data releases them the same way
	ValueArray::ReleaseElements(key.begin(), key.GetCount());
}

bool ValueMap::Data::IsNull() const
{
	return this == &Immortal<NullData>();
}

hash_t ValueMap::Data::GetHashValue() const
{
	hash_t h = key.GetCount() + detail::HASH_SM;
	for(const Value& k : key)
		h = h * detail::HASH_M + k.GetHashValue();
	return value.data->GetHashValue() + h * detail::HASH_M;
}

bool ValueMap::Data::IsEqual(const Value::Void* p) const
{
	const Data& b = *static_cast<const Data*>(p);
	if(this != &b && !(key.GetKeys() == b.key.GetKeys()))
		return false;
	return value.data->data == b.value.data->data;
}

String ValueMap::Data::AsString() const
{
	String s = "{ ";
	for(int i = 0; i < key.GetCount(); i++) {
		if(i)
			s << ", ";
		s << key[i].ToText() << ": " << (i < value.GetCount() ? value[i].ToText() : String());
	}
	s << " }";
	return s;
}

int ValueMap::Data::Compare(const Value::Void* p) const
{
	const Data& b = *static_cast<const Data*>(p);
	int n = min(key.GetCount(), b.key.GetCount());
	for(int i = 0; i < n; i++) {
		if(int q = CompareElements(key[i], b.key[i]))
			return q;
		if(i < value.GetCount() && i < b.value.GetCount())
			if(int q = CompareElements(value[i], b.value[i]))
				return q;
	}
	return (key.GetCount() > b.key.GetCount()) - (key.GetCount() < b.key.GetCount());
}

ValueMap::ValueMap()
:	data(&Immortal<NullData>())
{
	data->Retain();
}

ValueMap::ValueMap(ValueMap&& m) noexcept
:	data(m.data)
{
	m.data = &Immortal<NullData>();
	m.data->Retain();
}

ValueMap& ValueMap::operator=(const ValueMap& m)
{
	m.data->Retain();
	data->Release();
	data = m.data;
	return *this;
}

ValueMap& ValueMap::operator=(ValueMap&& m) noexcept
{
	if(this != &m) {
		Data* d = m.data;
		m.data = &Immortal<NullData>();
		m.data->Retain();
		data->Release();
		data = d;
	}
	return *this;
}

ValueMap::Data& ValueMap::Clone()
{
	if(data->GetRefCount() != 1) {
		Data* d = new Data;
		d->key = data->key;
		d->value = data->value; // shared until its next change
		data->Release();
		data = d;
	}
	return *data;
}

void ValueMap::Add(const Value& k, const Value& v)
{
	Data& d = Clone();
	d.key.Add(k);
	d.value.Add(v);
}

Value::Value(const ValueArray& a)
{
	a.data->Retain();
	InitRef(a.data, VALUEARRAY_V);
}

Value::Value(const ValueMap& m)
{
	m.data->Retain();
	InitRef(m.data, VALUEMAP_V);
}

const Value& Value::operator[](int i) const
{
	// An index outside the container gives the error value rather than reading past the end.
	const Vector<Value>* v = nullptr;
	if(IsRef()) {
		if(data.w[2] == VALUEARRAY_V)
			v = &static_cast<const ValueArray::Data*>(GetVoidPtr())->data;
		else if(data.w[2] == VALUEMAP_V)
			v = &static_cast<const ValueMap::Data*>(GetVoidPtr())->value.Get();
	}
	return v && i >= 0 && i < v->GetCount() ? (*v)[i] : SharedErrorValue();
}

const Value& Value::operator[](const Value& key) const
{
	if(IsRef() && data.w[2] == VALUEMAP_V) {
		const ValueMap::Data* m = static_cast<const ValueMap::Data*>(GetVoidPtr());
		int i = m->key.Find(key);
		if(i >= 0 && i < m->value.GetCount())
			return m->value[i];
	}
	return SharedErrorValue();
}

void Value::Add(const Value& v)
{
	if(IsRef() && data.w[2] == VALUEARRAY_V) {
		ValueArray::Data* d = static_cast<ValueArray::Data*>(GetVoidPtr());
		if(d->GetRefCount() != 1) {
			ValueArray::Data* c = new ValueArray::Data;
			c->data = d->data;
			d->Release();
			data.ptr = reinterpret_cast<char*>(c);
			d = c;
		}
		d->data.Add(v);
		return;
	}
	if(!IsNull())
		ThrowTypeError(typeid(ValueArray).name(), VALUEARRAY_V);
	ValueArray a;
	a.Add(v); // v may live inside this value: add before releasing it
	*this = a;
}

} // namespace Qel
