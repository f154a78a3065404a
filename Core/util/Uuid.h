// Uuid: 128 random bits with a 32-digit upper-case hexadecimal text form.
#pragma once

#include <Core/container/Hash.h>
#include <Core/value/Value.h>

namespace Qel {

struct Uuid {
	qword a = 0;
	qword b = 0;

	// Fills both words with random bits; never all zero.
	void New();
	static Uuid Create() { Uuid id; id.New(); return id; }

	// "%08X%08X%08X%08X" of the low and high halves of a, then of b.
	String ToString() const;
	bool   IsNull() const          { return !(a | b); }
	hash_t GetHashValue() const    { return CombineHash(a, b); }
	// Stored as a 16-bit version (1), then a and b.
	void   Serialize(Stream& s);
	// XML: the text in the attribute "value"; JSON: the text as a String.
	void   Xmlize(XmlIO& xio);
	void   Jsonize(JsonIO& jio);

	bool operator==(const Uuid& u) const { return a == u.a && b == u.b; }
	bool operator!=(const Uuid& u) const { return !(*this == u); }

	operator Value() const;
	Uuid() = default;
	Uuid(const Value& v);
};

// The Uuid of the first 32 hex digits of the text (anything else is skipped); the zero Uuid
// when there are fewer.
Uuid ScanUuid(const char* s);
inline Uuid ScanUuid(const String& s) { return ScanUuid(~s); }

template <> inline dword ValueTypeNo<Uuid>() { return UUID_V; }

template <>
struct RichValueTraits<Uuid> : RichValueForms {
	static bool   IsNull(const Uuid& x)                 { return x.IsNull(); }
	static hash_t Hash(const Uuid& x)                   { return x.GetHashValue(); }
	static bool   Equal(const Uuid& a, const Uuid& b)   { return a == b; }
	static bool   PolyEqual(const Uuid&, const Value&)  { return false; }
	static String Text(const Uuid& x)                   { return x.ToString(); }
	static int    Compare(const Uuid&, const Uuid&)     { return 0; }
	static int    PolyCompare(const Uuid&, const Value&) { return 0; }
};

namespace detail {
// Registers the "Uuid" Value type (number 50) with its loading factory.
void RegisterUuidValue();
} // namespace detail

} // namespace Qel
