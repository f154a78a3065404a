// Value: the 16-byte dynamic value. It overlays the String body: texts are stored exactly as a
// String, small scalars inline from byte 0 with their type in byte 13, everything else as a
// pointer to a shared, reference-counted representation object.
#pragma once

#include <Core/text/String.h>
#include <Core/text/Exc.h>
#include <Core/types/TimeDate.h>
#include <Core/types/Gtypes.h>
#include <Core/stream/Stream.h>

#include <concepts>
#include <cstdint>
#include <type_traits>
#include <typeinfo>

namespace Qel {

class WString;
class ValueArray;
class ValueMap;
class Stream;
class XmlIO;
class JsonIO;
class Value;
class Color;

// Containers nested deeper than this do not load: a damaged or hostile stored form must not
// recurse until the stack runs out.
constexpr int VALUE_NESTING_LIMIT = 512;

// Type numbers; they are part of the stored forms and never change.
enum : dword {
	VOID_V       = 0,
	INT_V        = 1,
	DOUBLE_V     = 2,
	STRING_V     = 3,
	DATE_V       = 4,
	TIME_V       = 5,
	ERROR_V      = 6,
	WSTRING_V    = 8,
	VALUEARRAY_V = 9,
	INT64_V      = 10,
	BOOL_V       = 11,
	VALUEMAP_V   = 12,
	FLOAT_V      = 13,
	COMPLEX_V    = 20,
	COLOR_V      = 39,
	FONT_V       = 40,
	PAINTING_V   = 48,
	DRAWING_V    = 49,
	UUID_V       = 50,
	SIZE_V       = 70,
	SIZEF_V      = 72,
	POINT_V      = 73,
	POINTF_V     = 75,
	RECT_V       = 76,
	RECTF_V      = 78,
	SIZE64_V     = 79,
	POINT64_V    = 80,
	RECT64_V     = 81,
	IMAGE_V      = 150,
};

// Null: each scalar type has one value that stands for none, and a comment that says "Null"
// means that value. It is written as INT_NULL or INT64_NULL for the integers, any non-finite
// double or float, and for the other types their default: Color(), Date(), Time(), an empty
// String or WString, a void Value(). IsNull(x) tests any of them:
//     Color paper = Color();        // Null: nothing painted under the text
//     if(IsNull(v)) ...
inline bool IsNull(int x)    { return x == INT_NULL; }
inline bool IsNull(int64 x)  { return x == INT64_NULL; }
inline bool IsNull(double x) { return !__builtin_isfinite(x); }
inline bool IsNull(float x)  { return !__builtin_isfinite(x); }
// Every type with its own Null test (String, Date, Color...).
template <class T>
	requires requires(const T& x) { { x.IsNull() } -> std::convertible_to<bool>; }
bool IsNull(const T& x) { return x.IsNull(); }

namespace detail {
dword NewValueTypeNo(); // numbers for carried types that nobody registered
} // namespace detail

// Type number of a C++ type inside a Value. Registered types specialise it.
template <class T> dword ValueTypeNo() { static const dword n = detail::NewValueTypeNo(); return n; }
template <> inline dword ValueTypeNo<int>()        { return INT_V; }
template <> inline dword ValueTypeNo<double>()     { return DOUBLE_V; }
template <> inline dword ValueTypeNo<String>()     { return STRING_V; }
template <> inline dword ValueTypeNo<Date>()       { return DATE_V; }
template <> inline dword ValueTypeNo<Time>()       { return TIME_V; }
template <> inline dword ValueTypeNo<WString>()    { return WSTRING_V; }
template <> inline dword ValueTypeNo<ValueArray>() { return VALUEARRAY_V; }
template <> inline dword ValueTypeNo<int64>()      { return INT64_V; }
template <> inline dword ValueTypeNo<bool>()       { return BOOL_V; }
template <> inline dword ValueTypeNo<ValueMap>()   { return VALUEMAP_V; }
template <> inline dword ValueTypeNo<float>()      { return FLOAT_V; }
template <> inline dword ValueTypeNo<Rect>()       { return RECT_V; }
template <> inline dword ValueTypeNo<Color>()      { return COLOR_V; }
template <> inline dword ValueTypeNo<Size>()       { return SIZE_V; }
template <> inline dword ValueTypeNo<Sizef>()      { return SIZEF_V; }
template <> inline dword ValueTypeNo<Size64>()     { return SIZE64_V; }
template <> inline dword ValueTypeNo<Point>()      { return POINT_V; }
template <> inline dword ValueTypeNo<Pointf>()     { return POINTF_V; }
template <> inline dword ValueTypeNo<Point64>()    { return POINT64_V; }
template <> inline dword ValueTypeNo<Rectf>()      { return RECTF_V; }
template <> inline dword ValueTypeNo<Rect64>()     { return RECT64_V; }

// Types held inline (their payload fits in bytes 0-11). Small types of other modules specialise it.
template <class T> inline constexpr bool IsSmallValue = false;
template <> inline constexpr bool IsSmallValue<int>    = true;
template <> inline constexpr bool IsSmallValue<double> = true;
template <> inline constexpr bool IsSmallValue<Date>   = true;
template <> inline constexpr bool IsSmallValue<Time>   = true;
template <> inline constexpr bool IsSmallValue<int64>  = true;
template <> inline constexpr bool IsSmallValue<bool>   = true;
template <> inline constexpr bool IsSmallValue<float>  = true;
template <> inline constexpr bool IsSmallValue<Color>  = true;
template <> inline constexpr bool IsSmallValue<Size>   = true;
template <> inline constexpr bool IsSmallValue<Point>  = true;

class Value {
public:
	using Relocatable = void; // moved as raw bytes by the containers
	// Base of every heap representation; immutable once shared.
	class Void {
		friend class Value;
		int32 refcount = 1;

	public:
		virtual bool   IsNull() const                { return false; }
		virtual void   Serialize(Stream&)            {}
		virtual void   Xmlize(XmlIO&)                {}
		virtual void   Jsonize(JsonIO&)              {}
		virtual hash_t GetHashValue() const          { return 0; }
		virtual bool   IsEqual(const Void*) const    { return false; }
		virtual bool   IsPolyEqual(const Value&) const { return false; }
		virtual String AsString() const              { return String(); }
		virtual int    Compare(const Void*) const    { return 0; }
		virtual int    PolyCompare(const Value&) const { return 0; }
		virtual ~Void() {}

		void Retain()            { __atomic_fetch_add(&refcount, 1, __ATOMIC_RELAXED); }
		void Release()           { if(__atomic_sub_fetch(&refcount, 1, __ATOMIC_ACQ_REL) == 0) delete this; }
		int  GetRefCount() const { return __atomic_load_n(&refcount, __ATOMIC_ACQUIRE); }
	};

	// Operations of a small type; each takes the Value body that holds the payload.
	struct SmallValueOpsRec {
		bool   (*IsNull)(const void* p);
		void   (*Serialize)(void* p, Stream& s);
		void   (*Xmlize)(void* p, XmlIO& xio);
		void   (*Jsonize)(void* p, JsonIO& jio);
		hash_t (*GetHashValue)(const void* p);
		bool   (*IsEqual)(const void* p1, const void* p2);
		bool   (*IsPolyEqual)(const void* p, const Value& v);
		String (*AsString)(const void* p);
		int    (*Compare)(const void* p1, const void* p2);
		int    (*PolyCompare)(const void* p, const Value& v);
	};

	// Indexed by the small-type byte; entry 0 serves Strings. Constant-initialised, so values
	// built during other modules' start-up find the core's records already in place.
	struct SmallValueOpsTable {
		const SmallValueOpsRec* rec[256];

		const SmallValueOpsRec*  operator[](dword i) const { return rec[i]; }
		const SmallValueOpsRec*& operator[](dword i)       { return rec[i]; }
	};
	static SmallValueOpsTable SmallValueOps;

	using Factory = Void* (*)();

	static void   Register(dword type, Factory factory, const char* name);
	static void   AddTypeName(dword type, const char* name);
	static int    GetTypeByName(const char* name);
	static String GetRegisteredName(dword type);
	static Factory GetFactory(dword type); // null when the number has none
	static void   RegisterStd();

	Value()                              { SetVoidRaw(); }
	Value(const String& s) : data(s)     {}
	Value(const char* s) : data(s)       {}
	Value(int x)                         { InitSmall(x); }
	Value(int64 x)                       { InitSmall(x); }
	Value(double x)                      { InitSmall(x); }
	Value(float x)                       { InitSmall(x); }
	Value(bool x)                        { data.w[0] = x; data.w[3] = BOOL_V << 8; }
	Value(Date x)                        { InitSmall(x); }
	Value(Time x)                        { InitSmall(x); }
	// Integers that are neither int nor int64 (unsigned, long long, size_t...) keep their value:
	// as int64, or, for unsigned values beyond its range, as the nearest double.
	template <class T>
		requires std::is_integral_v<T> && (sizeof(T) > 4 || std::is_same_v<T, unsigned>) && (!std::is_same_v<T, int64>)
	Value(T x)
	{
		if(std::is_unsigned_v<T> && uint64(x) > uint64(INT64_MAX))
			InitSmall(double(x));
		else
			InitSmall(int64(x));
	}
	// Any other pointer would silently become the bool true.
	template <class T> Value(const T*) = delete;
	Value(const wchar* s);
	Value(const WString& s);
	Value(Size x)                        { InitSmall(x); }
	Value(Point x)                       { InitSmall(x); }
	Value(const Size64& x);
	Value(const Sizef& x);
	Value(const Point64& x);
	Value(const Pointf& x);
	Value(const Rect& x);
	Value(const Rect64& x);
	Value(const Rectf& x);
	Value(const ValueArray& a);
	Value(const ValueMap& m);
	// Takes over one reference to rep and stores it under the type number.
	Value(Void* rep, dword type)         { InitRef(rep, type); }

	Value(const Value& v) : data(v.data) { if(IsRef()) GetVoidPtr()->Retain(); }
	Value(Value&& v) noexcept            { data.SetRaw(v.data); v.SetVoidRaw(); }
	~Value()                             { if(IsRef()) ReleaseRep(); }

	Value& operator=(const Value& v);
	Value& operator=(Value&& v) noexcept;

	template <class T> static Value MakeSmall(const T& x) { static_assert(sizeof(T) <= 12); Value v; v.InitSmall(x); return v; }
	template <class T> static Value MakeRaw(const T& x);
	template <class T> static Value MakeRich(const T& x);

	dword GetType() const
	{
		dword t = Tag();
		return IsString() ? STRING_V : t == REF_TAG ? data.w[2] : t == VOID_TAG ? VOID_V : t >> 8;
	}
	bool IsNull() const
	{
		if(IsString())
			return data.IsEmpty();
		return Tag() == VOID_TAG || IsNullSlow();
	}
	bool   IsVoid() const                 { return Tag() == VOID_TAG; }
	hash_t GetHashValue() const;
	bool   IsPolyEqual(const Value& b) const;
	int Compare(const Value& b) const
	{
		dword t = Tag();
		if(t == b.Tag()) { // the int Null is the smallest int, so it sorts first here too
			if(t == INT_V << 8)
				return (int(data.w[0]) > int(b.data.w[0])) - (int(data.w[0]) < int(b.data.w[0]));
			if(t == DOUBLE_V << 8) {
				double x = Peek<double>(), y = b.Peek<double>();
				if(__builtin_isfinite(x) && __builtin_isfinite(y))
					return (x > y) - (x < y);
			}
		}
		return CompareSlow(b);
	}
	String GetTypeName() const;
	String ToText() const;

	bool operator==(const Value& b) const
	{
		// Identical bodies are equal unless they point to a representation (carried types never are).
		if(data.q[0] == b.data.q[0] && data.q[1] == b.data.q[1] && !IsRef())
			return true;
		dword t = Tag();
		if(t == b.Tag()) {
			if(t == INT_V << 8 || t == INT64_V << 8 || t == BOOL_V << 8)
				return false; // their unused bytes are zero, so the bodies told it all
			if(t == DOUBLE_V << 8) {
				double x = Peek<double>(), y = b.Peek<double>();
				if(x == y || (__builtin_isfinite(x) && __builtin_isfinite(y)))
					return x == y;
			}
		}
		if(IsString() && b.IsString())
			return data.IsSame(b.data);
		return IsEqualSlow(b);
	}
	bool operator!=(const Value& b) const { return !(*this == b); }

	// Exact accessors: the payload when the Value holds exactly T, else ValueTypeError.
	template <class T> const T& To() const;

	int     ToInt() const          { return Tag() == INT_V << 8 ? data.w[0] : ToIntSlow(); }
	int64   ToInt64() const        { return Tag() == INT64_V << 8 ? int64(data.q[0]) : ToInt64Slow(); }
	double  ToDouble() const       { return Tag() == DOUBLE_V << 8 ? Peek<double>() : ToDoubleSlow(); }
	float   ToFloat() const        { return Tag() == FLOAT_V << 8 ? Peek<float>() : ToFloatSlow(); }
	bool    ToBool() const         { return Tag() == BOOL_V << 8 ? data.chr[0] : ToBoolSlow(); }
	String  ToString() const       { return IsString() ? static_cast<const String&>(data) : ToStringSlow(); }
	WString ToWString() const;
	Date    ToDate() const;
	Time    ToTime() const;
	Rect    ToRect() const;
	Size    ToSize() const;
	Point   ToPoint() const;

	operator int() const           { return ToInt(); }
	operator int64() const         { return ToInt64(); }
	operator double() const        { return ToDouble(); }
	operator float() const         { return ToFloat(); }
	// No operator bool: with it, if(v) would silently convert (and throw for a text). ToBool says
	// what it does; if(v) does not compile.
	operator String() const        { return ToString(); }
	operator WString() const;
	operator Date() const          { return ToDate(); }
	operator Time() const          { return ToTime(); }
	operator Rect() const          { return ToRect(); }
	operator Size() const          { return ToSize(); }
	operator Point() const         { return ToPoint(); }

	// Elements of a held ValueArray or ValueMap (the shared error value otherwise).
	const Value& operator[](int i) const;
	const Value& operator[](const Value& key) const;
	const Value& operator[](const char* key) const { return (*this)[Value(key)]; }
	void Add(const Value& v);

	// The stored forms; each loads or stores by the mode of its stream or exchange.
	void Serialize(Stream& s);
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

	Void* GetVoidPtr() const       { return reinterpret_cast<Void*>(data.ptr); }
	bool  IsRef() const            { return Tag() == REF_TAG; }

	void Swap(Value& b) noexcept   { String0 t; t.SetRaw(data); data.SetRaw(b.data); b.data.SetRaw(t); }

private:
	enum : dword { VOID_TAG = 0x300, REF_TAG = 0xFF00 }; // void is small-type byte 3 but type number 0

	String data;

	friend struct ValueStdOps;
	friend class ValueArray;
	friend class ValueMap;

	dword Tag() const              { return data.w[3]; }
	void  SetVoidRaw()             { data.q[0] = 0x80000000; data.q[1] = 0; data.w[3] = VOID_TAG; }
	// W14 non-zero, or all of bytes 12-15 zero (the empty String).
	bool  IsString() const         { dword t = data.w[3]; return (t >> 16) || !t; }
	template <class T> T Peek() const { T x; std::memcpy(&x, data.chr, sizeof(T)); return x; }
	template <class T> void InitSmall(const T& x)
	{
		std::memcpy(data.chr, &x, sizeof(T));
		data.w[3] = ValueTypeNo<T>() << 8;
	}
	void InitRef(Void* p, dword type)
	{
		data.ptr = reinterpret_cast<char*>(p);
		data.w[2] = type;
		data.w[3] = REF_TAG;
	}
	// Makes this the zeroed payload of small type number type; null when type is not small.
	const SmallValueOpsRec* SetSmallMarker(dword type);
	// Drops this value's reference; the last one deletes the representation.
	void ReleaseRep()              { GetVoidPtr()->Release(); }
	void Free()                    { if(IsRef()) ReleaseRep(); else data.Free(); }
	// The payload of T held small or in a representation of T; null otherwise.
	template <class T> const T* GetPtr() const;

	bool    IsNullSlow() const;
	bool    IsEqualSlow(const Value& b) const;
	int     CompareSlow(const Value& b) const;
	int     ToIntSlow() const;
	int64   ToInt64Slow() const;
	double  ToDoubleSlow() const;
	float   ToFloatSlow() const;
	bool    ToBoolSlow() const;
	String  ToStringSlow() const;
	[[noreturn]] void ThrowTypeError(const char* target, dword type) const;
};

static_assert(sizeof(Value) == 16);

inline bool IsNull(const Value& v) { return v.IsNull(); }

// The JSON form of a Value as a JSON tree, and back.
Value ValueToJson(const Value& v);
void  ValueFromJson(Value& v, const Value& json);

// A representation that carries a payload and nothing more.
template <class T>
class RawValueRep : public Value::Void {
public:
	T v;

	RawValueRep() = default;
	explicit RawValueRep(const T& x) : v(x) {}
	const T& Get() const { return v; }
};

// Per-type operations behind a RichValueRep; a type specialises what differs.
// The stored forms a rich type brings itself: its own Serialize, Xmlize and Jsonize when it has
// them, nothing otherwise. (Templates, so Value.h needs neither streams nor XML.)
struct RichValueForms {
	template <class S, class T> static void Serialize(S& s, T& x)
	{
		if constexpr(requires { x.Serialize(s); })
			x.Serialize(s);
		else if constexpr(requires { s.Serialize(x); })
			s.Serialize(x);
	}
	template <class X, class T> static void Xmlize(X& xio, T& x)
	{
		if constexpr(requires { x.Xmlize(xio); })
			x.Xmlize(xio);
	}
	template <class J, class T> static void Jsonize(J& jio, T& x)
	{
		if constexpr(requires { x.Jsonize(jio); })
			x.Jsonize(jio);
	}
};

template <class T>
struct RichValueTraits : RichValueForms {
	static bool   IsNull(const T& x)                    { return x.IsNull(); }
	static hash_t Hash(const T& x)                      { return x.GetHashValue(); }
	static bool   Equal(const T& a, const T& b)         { return a == b; }
	static bool   PolyEqual(const T&, const Value&)     { return false; }
	static String Text(const T& x)                      { return x.ToString(); }
	static int    Compare(const T& a, const T& b)       { return a.Compare(b); }
	static int    PolyCompare(const T&, const Value&)   { return 0; }
};

template <>
struct RichValueTraits<String> : RichValueForms {
	static bool   IsNull(const String& x)                     { return x.IsEmpty(); }
	static hash_t Hash(const String& x)                       { return x.GetHashValue(); }
	static bool   Equal(const String& a, const String& b)     { return a == b; }
	static bool   PolyEqual(const String&, const Value&)      { return false; }
	static String Text(const String& x)                       { return x; }
	static int    Compare(const String& a, const String& b)   { return a.Compare(b); }
	static int    PolyCompare(const String&, const Value&)    { return 0; }
};

// A WString equals a String of the same characters, and orders against one by code points.
template <>
struct RichValueTraits<WString> : RichValueForms {
	static bool   IsNull(const WString& x);
	static hash_t Hash(const WString& x);
	static bool   Equal(const WString& a, const WString& b);
	static bool   PolyEqual(const WString& a, const Value& b);
	static String Text(const WString& x);
	static int    Compare(const WString& a, const WString& b);
	static int    PolyCompare(const WString& a, const Value& b);
	static void   Xmlize(XmlIO& xio, WString& x);
	static void   Jsonize(JsonIO& jio, WString& x);
};

template <class T>
class RichValueRep : public RawValueRep<T> {
	using Tr = RichValueTraits<T>;
	static const T& Of(const Value::Void* p) { return static_cast<const RawValueRep<T>*>(p)->v; }

public:
	RichValueRep() = default;
	explicit RichValueRep(const T& x) : RawValueRep<T>(x) {}

	bool   IsNull() const override                       { return Tr::IsNull(this->v); }
	void   Serialize(Stream& s) override                 { Tr::Serialize(s, this->v); }
	void   Xmlize(XmlIO& xio) override                   { Tr::Xmlize(xio, this->v); }
	void   Jsonize(JsonIO& jio) override                 { Tr::Jsonize(jio, this->v); }
	hash_t GetHashValue() const override                 { return Tr::Hash(this->v); }
	bool   IsEqual(const Value::Void* p) const override  { return Tr::Equal(this->v, Of(p)); }
	bool   IsPolyEqual(const Value& b) const override    { return Tr::PolyEqual(this->v, b); }
	String AsString() const override                     { return Tr::Text(this->v); }
	int    Compare(const Value::Void* p) const override  { return Tr::Compare(this->v, Of(p)); }
	int    PolyCompare(const Value& b) const override    { return Tr::PolyCompare(this->v, b); }
};

template <class T> Value Value::MakeRaw(const T& x)  { return Value(new RawValueRep<T>(x), ValueTypeNo<T>()); }
template <class T> Value Value::MakeRich(const T& x) { return Value(new RichValueRep<T>(x), ValueTypeNo<T>()); }

// The error value: a Null value that carries a text (type 6).
class ValueErrorCls : public RichValueRep<String> {
public:
	explicit ValueErrorCls(const String& text) : RichValueRep<String>(text) {}

	bool   IsNull() const override                       { return true; }
	void   Serialize(Stream&) override                   {} // an error value has no payload
	void   Xmlize(XmlIO&) override                       {}
	void   Jsonize(JsonIO&) override                     {}
	bool   IsPolyEqual(const Value&) const override      { return false; }
	String AsString() const override;
	int    PolyCompare(const Value& b) const override;
	virtual dword GetErrorType() const                   { return ERROR_V; }
};

Value  ErrorValue(const String& text);
Value  ErrorValue(const char* text);
String GetErrorText(const Value& v);
const Value& SharedErrorValue();
const Rect&  GetNullRect(); // what a Null converts to: all four coordinates the int Null

// A conversion that the held value does not allow. The message names both types.
class ValueTypeError : public Exc {
public:
	Value src;
	int   target;

	ValueTypeError(const String& text, const Value& src, int target) : Exc(text), src(src), target(target) {}
};

template <class T>
const T* Value::GetPtr() const
{
	if constexpr(IsSmallValue<T>)
		if(Tag() == ValueTypeNo<T>() << 8)
			return reinterpret_cast<const T*>(data.chr);
	if(IsRef())
		if(auto* r = dynamic_cast<const RawValueRep<T>*>(GetVoidPtr()))
			return &r->v;
	return nullptr;
}

template <class T>
const T& Value::To() const
{
	if constexpr(std::is_same_v<T, String>) {
		if(IsString())
			return data;
		if(IsRef() && data.w[2] == STRING_V)
			return static_cast<const RawValueRep<String>*>(GetVoidPtr())->v;
	}
	else if constexpr(std::is_arithmetic_v<T> || std::is_same_v<T, Date> || std::is_same_v<T, Time>) {
		if(Tag() == ValueTypeNo<T>() << 8)
			return *reinterpret_cast<const T*>(data.chr);
	}
	else if(const T* p = GetPtr<T>())
		return *p;
	// int64 is spelled as the 64-bit integer type of the stored forms, whatever the platform calls it
	ThrowTypeError(std::is_same_v<T, int64> ? "x" : typeid(T).name(), ValueTypeNo<T>());
}

} // namespace Qel
