// ValueArray and ValueMap: handles to shared, copy-on-write data objects that a Value can hold.
#pragma once

#include "Value.h"
#include <Core/container/Vector.h>
#include <Core/container/Index.h>

namespace Qel {

class ValueArray {
public:
	struct Data : Value::Void {
		Vector<Value> data;

		~Data() override;
		bool   IsNull() const override                   { return data.IsEmpty(); }
		void   Serialize(Stream& s) override;
		void   Xmlize(XmlIO& xio) override;
		void   Jsonize(JsonIO& jio) override;
		hash_t GetHashValue() const override;
		bool   IsEqual(const Value::Void* p) const override;
		String AsString() const override;
		int    Compare(const Value::Void* p) const override;
	};
	// The shared empty data; it holds a reference of its own, so nothing ever writes into it.
	struct NullData : Data {};

	ValueArray();
	ValueArray(const ValueArray& a) : data(a.data) { data->Retain(); }
	ValueArray(ValueArray&& a) noexcept;
	~ValueArray()                                    { data->Release(); }

	ValueArray& operator=(const ValueArray& a);
	ValueArray& operator=(ValueArray&& a) noexcept;

	// The element vector, copied first while another handle shares it.
	Vector<Value>& Clone();

	void Add(const Value& v)                         { Clone().Add(v); }
	void Clear()                                     { Clone().Clear(); }

	int  GetCount() const                            { return data->data.GetCount(); }
	bool IsEmpty() const                             { return data->data.IsEmpty(); }
	const Value& operator[](int i) const             { return data->data[i]; }
	const Vector<Value>& Get() const                 { return data->data; }

	// Loading starts from fresh data of its own.
	void Serialize(Stream& s);
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

private:
	Data* data;

	// Drops the representations of n values without recursion: a tree of any depth is released
	// in a loop by the outermost call on the thread.
	static void ReleaseElements(const Value* v, int n);

	friend class Value;
	friend class ValueMap;
};

class ValueMap {
public:
	struct Data : Value::Void {
		Index<Value> key;
		ValueArray   value;

		~Data() override;
		bool   IsNull() const override;
		void   Serialize(Stream& s) override;
		void   Xmlize(XmlIO& xio) override;
		void   Jsonize(JsonIO& jio) override;
		hash_t GetHashValue() const override;
		bool   IsEqual(const Value::Void* p) const override;
		String AsString() const override;
		int    Compare(const Value::Void* p) const override;
	};
	struct NullData : Data {};

	ValueMap();
	ValueMap(const ValueMap& m) : data(m.data)       { data->Retain(); }
	ValueMap(ValueMap&& m) noexcept;
	~ValueMap()                                      { data->Release(); }

	ValueMap& operator=(const ValueMap& m);
	ValueMap& operator=(ValueMap&& m) noexcept;

	// Appends the pair even when an equal key is present already.
	void Add(const Value& key, const Value& value);
	void Add(const char* key, const Value& value)    { Add(Value(String(key)), value); }
	void Add(const String& key, const Value& value)  { Add(Value(key), value); }

	int  GetCount() const                            { return data->key.GetCount(); }
	bool IsEmpty() const                             { return data->key.IsEmpty(); }
	int  Find(const Value& key) const                { return data->key.Find(key); }
	const Index<Value>& GetKeys() const              { return data->key; }
	const ValueArray& GetValues() const              { return data->value; }

	void Serialize(Stream& s);
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

private:
	Data* data;

	Data& Clone();

	friend class Value;
};

} // namespace Qel
