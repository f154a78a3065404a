// The registry of Value types: factories by number, and names paired with numbers.
#include "ValueArray.h"
#include <Core/text/WString.h>

#include <Core/thread/Thread.h>

namespace Qel {

namespace {

struct FactoryMap {
	Index<dword>           types;
	Vector<Value::Factory> factories;
};

FactoryMap& ValueFactoryMap()
{
	static FactoryMap m;
	return m;
}

Index<String>& ValueTypeNames()
{
	static Index<String> x;
	return x;
}

Index<dword>& ValueTypeNumbers()
{
	static Index<dword> x;
	return x;
}

StaticMutex sRegistryMutex;

Value::Void* NewValueArray() { return new ValueArray::Data; }
Value::Void* NewValueMap()   { return new ValueMap::Data; }

int sStdRegistered;

} // namespace

namespace detail {

void RegisterRichValueTypes(); // with their representations

dword NewValueTypeNo()
{
	static dword next = 0x40000000;
	return __atomic_fetch_add(&next, 1, __ATOMIC_RELAXED);
}

} // namespace detail

void Value::Register(dword type, Factory factory, const char* name)
{
	FactoryMap& m = ValueFactoryMap();
	if(m.types.Find(type) < 0) {
		m.types.Add(type);
		m.factories.Add(factory);
	}
	AddTypeName(type, name);
}

void Value::AddTypeName(dword type, const char* name)
{
	ValueTypeNames().Add(String(name));
	ValueTypeNumbers().Add(type);
}

int Value::GetTypeByName(const char* name)
{
	int i = ValueTypeNames().Find(String(name));
	return i < 0 ? INT_NULL : int(ValueTypeNumbers()[i]);
}

String Value::GetRegisteredName(dword type)
{
	int i = ValueTypeNumbers().Find(type);
	return i < 0 ? String() : ValueTypeNames()[i];
}

Value::Factory Value::GetFactory(dword type)
{
	FactoryMap& m = ValueFactoryMap();
	int i = m.types.Find(type);
	return i < 0 ? nullptr : m.factories[i];
}

void Value::RegisterStd()
{
	if(__atomic_load_n(&sStdRegistered, __ATOMIC_ACQUIRE) & 1)
		return;
	Mutex::Lock lock(sRegistryMutex);
	if(sStdRegistered & 1)
		return;
	Register(VALUEARRAY_V, NewValueArray, "ValueArray");
	Register(VALUEMAP_V, NewValueMap, "ValueMap");
	static const struct { dword type; const char* name; } names[] = {
		{ STRING_V, "String" }, { INT_V, "int" }, { DOUBLE_V, "double" }, { FLOAT_V, "float" },
		{ VOID_V, "void" }, { DATE_V, "Date" }, { TIME_V, "Time" }, { INT64_V, "int64" },
		{ BOOL_V, "bool" }, { ERROR_V, "error" },
	};
	for(const auto& n : names)
		AddTypeName(n.type, n.name);
	detail::RegisterRichValueTypes();
	__atomic_store_n(&sStdRegistered, 1, __ATOMIC_RELEASE);
}

namespace {

[[maybe_unused]] const int sInitStd = (Value::RegisterStd(), 0);

} // namespace

} // namespace Qel
