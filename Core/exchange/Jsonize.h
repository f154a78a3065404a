// Jsonize: one function per type both loads an object from a tree of Values shaped like a JSON
// document (objects are ValueMaps, arrays ValueArrays) and stores it into one, by the direction
// of the JsonIO handle it is given.
#pragma once

#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/text/Exc.h>
#include <Core/container/Array.h>
#include <Core/container/Map.h>

#include <type_traits>

namespace Qel {

class JsonizeError : public Exc {
public:
	JsonizeError(const char* text) : Exc(text) {}
	JsonizeError(const String& text) : Exc(text) {}
};

class JsonIO {
public:
	JsonIO() = default;                          // storing
	explicit JsonIO(const Value& src) : source(&src) {} // loading src, which must outlive the handle
	explicit JsonIO(const Value&& src) = delete;
	JsonIO(const JsonIO&) = delete;
	JsonIO& operator=(const JsonIO&) = delete;
	~JsonIO();

	bool IsLoading() const                   { return source; }
	bool IsStoring() const                   { return !source; }

	// Loading: the source, and one member of it (void when the source is no object or lacks it).
	const Value& Get() const                 { return *source; }
	const Value& Get(const char* key) const  { return (*source)[key]; }
	// Storing: the scalar result, and one member of the object being built.
	void  Set(const Value& v)                { result = v; }
	void  Set(const char* key, const Value& v);
	// What storing produced: the object when members were stored, else the scalar result.
	Value GetResult() const;

	// One member of an object. Loading leaves var unchanged when the member is missing.
	template <class T> JsonIO& operator()(const char* key, T& var);

private:
	const Value* source = nullptr;
	ValueMap*    members = nullptr;
	Value        result;
};

// Text: storing gives a String Value; loading takes a String or WString, Null giving an empty
// text; any other source is the error "string expected".
void JsonizeText(JsonIO& io, String& var);

// Structures provide their own Jsonize member.
template <class T>
void Jsonize(JsonIO& io, T& var)                  { var.Jsonize(io); }

void Jsonize(JsonIO& io, String& var);
void Jsonize(JsonIO& io, WString& var);
void Jsonize(JsonIO& io, double& var);
void Jsonize(JsonIO& io, float& var);
void Jsonize(JsonIO& io, int& var);
void Jsonize(JsonIO& io, int16& var);
void Jsonize(JsonIO& io, int64& var);
void Jsonize(JsonIO& io, bool& var);
void Jsonize(JsonIO& io, Date& var);
void Jsonize(JsonIO& io, Time& var);

template <class T>
JsonIO& JsonIO::operator()(const char* key, T& var)
{
	if(source) {
		const Value& v = (*source)[key];
		if(v.IsVoid() || v.GetType() == ERROR_V)
			return *this;
		JsonIO io(v);
		Jsonize(io, var);
	}
	else {
		JsonIO io;
		Jsonize(io, var);
		Set(key, io.GetResult());
	}
	return *this;
}

namespace detail {
// The elements of an array source, the values of an object source, none otherwise.
const Vector<Value>& JsonElements(const Value& v);
} // namespace detail

// A sequence as a JSON array; loading replaces the content with the array's elements.
template <class C>
void JsonizeArray(JsonIO& io, C& data)
{
	if(io.IsStoring()) {
		ValueArray a;
		for(auto& x : data) {
			JsonIO e;
			Jsonize(e, const_cast<std::remove_const_t<std::remove_reference_t<decltype(x)>>&>(x));
			a.Add(e.GetResult());
		}
		io.Set(Value(a));
		return;
	}
	const Vector<Value>& src = detail::JsonElements(io.Get());
	C r;
	for(const Value& v : src) {
		JsonIO e(v);
		if constexpr(requires { r.Add(); }) {
			Jsonize(e, r.Add());
		}
		else {
			std::remove_cvref_t<decltype(*r.begin())> x;
			Jsonize(e, x);
			r.Add(std::move(x));
		}
	}
	data = std::move(r);
}

// A map with text keys as a JSON object; with other keys, as an array of objects holding "key"
// and "value".
template <class M>
void JsonizeMap(JsonIO& io, M& data)
{
	using K = std::remove_cvref_t<decltype(data.GetKey(0))>;
	if(io.IsStoring()) {
		if constexpr(std::is_same_v<K, String>) {
			for(int i = 0; i < data.GetCount(); i++)
				io(~data.GetKey(i), data[i]);
		}
		else {
			ValueArray a;
			for(int i = 0; i < data.GetCount(); i++) {
				JsonIO e;
				K k = data.GetKey(i);
				e("key", k)("value", data[i]);
				a.Add(e.GetResult());
			}
			io.Set(Value(a));
		}
		return;
	}
	M r;
	const Value& src = io.Get();
	if constexpr(std::is_same_v<K, String>) {
		if(src.GetType() == VALUEMAP_V) {
			const auto* m = static_cast<const ValueMap::Data*>(src.GetVoidPtr());
			for(int i = 0; i < m->key.GetCount() && i < m->value.GetCount(); i++) {
				JsonIO e(m->value[i]);
				Jsonize(e, r.Add(m->key[i].ToString()));
			}
		}
	}
	else
		for(const Value& v : detail::JsonElements(src)) {
			K k;
			JsonIO e(v);
			e("key", k);
			e("value", r.Add(k));
		}
	data = std::move(r);
}

template <class T> void Jsonize(JsonIO& io, Vector<T>& data) { JsonizeArray(io, data); }
template <class T> void Jsonize(JsonIO& io, Array<T>& data)  { JsonizeArray(io, data); }
template <class T> void Jsonize(JsonIO& io, Index<T>& data)  { JsonizeArray(io, data); }
template <class K, class V>
void Jsonize(JsonIO& io, VectorMap<K, V>& data)              { JsonizeMap(io, data); }
template <class K, class V>
void Jsonize(JsonIO& io, ArrayMap<K, V>& data)               { JsonizeMap(io, data); }

} // namespace Qel
