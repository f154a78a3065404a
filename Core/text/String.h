// String: the 16-byte 8-bit text value (UTF-8 by default). Up to 14 characters live inline (no
// allocation), up to 31 in an exclusively owned 32-byte block, longer texts in a reference-counted
// block that copies share and that is copied on write, so a copy costs one atomic increment.
// StringBuffer builds a String in place and hands its block over without copying.
#pragma once

#include <Core/base/Defs.h>
#include <Core/base/Heap.h>
#include <Core/base/Mem.h>

namespace Qel {

class String;
class WString;
class StringBuffer;

namespace detail {

// In front of the text of a shared String block and of a StringBuffer block above 31 characters.
struct StringHeader {
	int refcount;
	int capacity;
};

// Shared empty buffer behind the void String: a header nobody counts (its count is never 1, so
// nothing writes into it) followed by zero bytes.
extern qword string_void_block[4];

QEL_FORCE_INLINE char* StringVoidPtr() { return (char*)(string_void_block + 1); }

[[noreturn]] void StringTooBig();

} // namespace detail

// The storage and the operations that work on it. Value overlays this body, so its layout is a
// storage format: see the byte map in the comments of the members below.
class String0 {
protected:
	enum : int {
		KIND   = 14, // byte 14: 0 small, 31 medium, 32..255 shared (capacity, 255 = in the header)
		SLEN   = 15, // byte 15: small length 0..14, 15 for every out-of-line form
		LLEN   = 2,  // w[2] (bytes 8-11): length of an out-of-line text
		MEDIUM = 31,
		VOIDKIND = 50,
	};

	union {
		char  chr[16]; // small form: text, zero fill up to byte 14
		char* ptr;     // out-of-line form: bytes 0-7
		dword w[4];
		qword q[2];
	};

	friend class Value;
	friend class String;
	friend class StringBuffer;

	QEL_FORCE_INLINE byte Kind() const            { return (byte)chr[KIND]; }
	QEL_FORCE_INLINE bool IsSmall() const         { return chr[KIND] == 0; }
	QEL_FORCE_INLINE detail::StringHeader* Header() const { return (detail::StringHeader*)ptr - 1; }
	QEL_FORCE_INLINE void Zero()                  { q[0] = q[1] = 0; }
	QEL_FORCE_INLINE void SetRaw(const String0& s) { q[0] = s.q[0]; q[1] = s.q[1]; }
	QEL_FORCE_INLINE void SetLarge(char* p, int len, int kind)
	{
		ptr = p;
		w[LLEN] = (dword)len;
		w[3] = (15u << 24) | ((dword)kind << 16);
	}

	void LargeCopy(const String0& s)
	{
		SetRaw(s);
		if(Kind() == MEDIUM)
			MediumCopy();
		else if(ptr != detail::StringVoidPtr())
			__atomic_fetch_add(&Header()->refcount, 1, __ATOMIC_RELAXED);
	}
	void LargeFree()
	{
		if(Kind() == MEDIUM)
			MemoryFree32(ptr);
		else if(ptr != detail::StringVoidPtr()) {
			// A count of 1 means no other String can reach the block, so nobody can raise it
			// meanwhile: the sole owner frees without the atomic decrement.
			int* count = &Header()->refcount;
			if(__atomic_load_n(count, __ATOMIC_ACQUIRE) == 1 || __atomic_sub_fetch(count, 1, __ATOMIC_ACQ_REL) == 0)
				MemoryFree(Header());
		}
	}
	QEL_FORCE_INLINE void Free()                  { if(!IsSmall()) LargeFree(); }
	QEL_FORCE_INLINE void Copy(const String0& s)  { if(s.IsSmall()) SetRaw(s); else LargeCopy(s); }
	QEL_FORCE_INLINE void Pick(String0& s)        { SetRaw(s); s.Zero(); }
	void Assign(const String0& s)
	{
		if(this == &s)
			return;
		Free();
		Copy(s);
	}
	// Builds a value into storage that holds none (constructors).
	QEL_FORCE_INLINE void Init(const char* s, int len)
	{
		if((unsigned)len < 15) {
			Zero();
			MemCopyShort(chr, s, (size_t)len);
			chr[SLEN] = (char)len;
		}
		else
			LargeSet(s, len);
	}

	void MediumCopy();
	void LargeSet(const char* s, int len);
	static char* Alloc(int count, byte& kind);
	void CatSlow(int c);
	// True when a shared block is held by this String alone and has room for need + 1 characters
	// (its zero included). The header's count and capacity are read as one word and folded into a
	// single sign test, as this guards every append to a long text.
	static QEL_FORCE_INLINE bool SoleWithRoom(const char* p, dword need)
	{
		uint64 h = detail::Peek64(p - sizeof(detail::StringHeader)); // count low, capacity high
		int64 room = (int64)(h >> 32) - (int64)need - 1;
		return (room | -(int64)((uint32)h ^ 1)) >= 0;
	}
	// The same for any out-of-line form: a medium block is always this String's own.
	QEL_FORCE_INLINE bool OutOfLineWithRoom(dword need) const
	{
		return Kind() == MEDIUM ? need < 31 : SoleWithRoom(ptr, need);
	}
	// Append of one character to an out-of-line text: the shared block with room inline, the rest
	// (medium, full, copied on write) out of line.
	QEL_FORCE_INLINE void CatOut(int c)
	{
		char* p = ptr;
		dword len = w[LLEN];
		if(Kind() > MEDIUM && SoleWithRoom(p, len)) {
			p[len] = (char)c;
			p[len + 1] = 0;
			w[LLEN] = len + 1;
		}
		else
			CatSlow(c);
	}
	void LCat(const char* s, int len);
	bool LEqual(const String0& s) const;
	hash_t LHashValue() const;
	bool ShrinkInPlace(int cap);
	void SetFromBuffer(StringBuffer& b);

public:
	QEL_FORCE_INLINE int GetLength() const        { return IsSmall() ? chr[SLEN] : (int)w[LLEN]; }
	QEL_FORCE_INLINE int GetCount() const         { return GetLength(); }
	QEL_FORCE_INLINE bool IsEmpty() const         { return GetLength() == 0; }
	QEL_FORCE_INLINE const char* Begin() const    { return IsSmall() ? chr : ptr; }
	QEL_FORCE_INLINE const char* End() const      { return Begin() + GetLength(); }
	const char* begin() const                     { return Begin(); }
	const char* end() const                       { return End(); }
	const char* operator~() const                 { return Begin(); }
	operator const char*() const                  { return Begin(); }
	// Characters read as unsigned bytes (0..255).
	int operator[](int i) const                   { return (byte)Begin()[i]; }
	int operator[](size_t i) const                { return (byte)Begin()[i]; }

	// Capacity: the longest text that fits before the terminating zero.
	int GetAlloc() const;
	bool IsVoid() const { return Kind() >= 32 && ptr == detail::StringVoidPtr(); }
	void SetVoid()      { Free(); SetLarge(detail::StringVoidPtr(), 0, VOIDKIND); }

	hash_t GetHashValue() const
	{
		if(IsSmall())
			return detail::HASH_K + detail::HASH_M * q[0] + q[1];
		return LHashValue();
	}
	// Raw-body comparison first: identical bodies are equal, differing small bodies are unequal.
	QEL_FORCE_INLINE bool IsSame(const String0& s) const
	{
		if(q[0] == s.q[0] && q[1] == s.q[1])
			return true;
		if((chr[KIND] | s.chr[KIND]) == 0)
			return false;
		return LEqual(s);
	}
	bool IsEqual(const String0& s) const;
	bool IsEqual(const char* s) const;
	int Compare(const String0& s) const;
	int Compare(const char* s) const;

	void Set(const char* s, int len);
	void Clear()                                  { Free(); Zero(); }

	QEL_FORCE_INLINE void Cat(int c)
	{
		byte l = (byte)chr[SLEN];
		if(l <= 13) { // small with room; every out-of-line form has 15 here
			chr[l] = (char)c;
			chr[SLEN] = (char)(l + 1);
		}
		else
			CatOut(c);
	}
	QEL_FORCE_INLINE void Cat(const char* s, int len)
	{
		if(IsSmall()) {
			int l = chr[SLEN];
			if((unsigned)len < (unsigned)(14 - l)) {
				MemCopyShort(chr + l, s, (size_t)len);
				chr[SLEN] = (char)(l + len);
				return;
			}
		}
		else if(len >= 0 && Kind() > MEDIUM) {
			char* p = ptr;
			dword l = w[LLEN];
			dword newlen = l + (dword)len;
			if(SoleWithRoom(p, newlen)) { // the source may be our own text: it lies wholly before the target
				MemCopySmall(p + l, s, (size_t)len);
				p[newlen] = 0;
				w[LLEN] = newlen;
				return;
			}
		}
		LCat(s, len);
	}
	void Cat(const char* s)                       { Cat(s, (int)strlen(s)); }
	void Cat(const char* b, const char* e)        { Cat(b, (int)(e - b)); }
	void Cat(const String0& s)                    { Cat(s.Begin(), s.GetLength()); }
	void Cat(int c, int count);

	// Opens count characters at pos, copying them from s unless s is null, and returns the gap.
	char* Insert(int pos, int count, const char* s);
	void Insert(int pos, const char* s, int count) { Insert(pos, count, s); }
	void Insert(int pos, const char* s)           { Insert(pos, (int)strlen(s), s); }
	void Insert(int pos, const String0& s)        { Insert(pos, s.GetLength(), s.Begin()); }
	void Insert(int pos, int c)                   { char h = (char)c; Insert(pos, 1, &h); }
	void Remove(int pos, int count = 1);
	void Set(int i, int c);                       // replaces the character at i
	void Trim(int n);                             // cuts to n characters
	void Reserve(int n);                          // room for n more characters, length unchanged
	void UnShare();
	void Shrink();                                // storage at exactly the length
};

class String : public String0 {
public:
	using Relocatable = void; // moved as raw bytes by the containers
	String()                                      { Zero(); }
	String(const char* s)                         { if(s) Init(s, (int)strlen(s)); else Zero(); }
	String(const char* s, int len)                { Init(s, len); }
	String(const char* b, const char* e)          { Init(b, (int)(e - b)); }
	String(int c, int count);
	String(const String& s)                       { Copy(s); }
	String(String&& s) noexcept                   { Pick(s); }
	String(StringBuffer& b)                       { SetFromBuffer(b); }
	~String()                                     { Free(); }

	String& operator=(const String& s)            { Assign(s); return *this; }
	String& operator=(String&& s) noexcept        { if(this != &s) { Free(); Pick(s); } return *this; }
	String& operator=(const char* s)              { if(s) Set(s, (int)strlen(s)); else Clear(); return *this; }
	String& operator=(StringBuffer& b)            { Free(); SetFromBuffer(b); return *this; }

	String& operator+=(const char* s)             { Cat(s); return *this; }
	String& operator+=(const String& s)           { Cat(s); return *this; }
	String& operator+=(char c)                    { Cat(c); return *this; }

	static String GetVoid()                       { String s; s.SetVoid(); return s; }
	const String& ToString() const                { return *this; }

	String Mid(int pos, int count) const;
	String Mid(int pos) const                     { return Mid(pos, GetLength() - pos); }
	String Left(int count) const                  { return Mid(0, count); }
	String Right(int count) const                 { return Mid(GetLength() - count, count); }

	int Find(int c, int from = 0) const;
	int Find(const char* s, int len, int from) const;
	int Find(const char* s, int from = 0) const   { return Find(s, (int)strlen(s), from); }
	int Find(const String& s, int from = 0) const { return Find(s.Begin(), s.GetLength(), from); }
	int ReverseFind(int c) const                  { return ReverseFind(c, GetLength() - 1); }
	int ReverseFind(int c, int from) const;
	int ReverseFind(const char* s, int len, int from) const;
	int ReverseFind(const char* s) const;
	int ReverseFind(const String& s) const;
	bool StartsWith(const char* s, int len) const;
	bool StartsWith(const char* s) const          { return StartsWith(s, (int)strlen(s)); }
	bool StartsWith(const String& s) const        { return StartsWith(s.Begin(), s.GetLength()); }
	bool EndsWith(const char* s, int len) const;
	bool EndsWith(const char* s) const            { return EndsWith(s, (int)strlen(s)); }
	bool EndsWith(const String& s) const          { return EndsWith(s.Begin(), s.GetLength()); }

	// Replaces every non-overlapping occurrence of the pattern, left to right.
	void Replace(const char* pattern, int plen, const char* repl, int rlen);
	void Replace(const String& pattern, const String& repl);
	void Replace(const char* pattern, const char* repl);

	WString ToWString() const;
	int GetCharCount() const;                     // code points of UTF-8 text
};

QEL_FORCE_INLINE bool operator==(const String& a, const String& b) { return a.IsSame(b); }
QEL_FORCE_INLINE bool operator!=(const String& a, const String& b) { return !a.IsSame(b); }
inline bool operator==(const String& a, const char* b)   { return a.IsEqual(b); }
inline bool operator==(const char* a, const String& b)   { return b.IsEqual(a); }
inline bool operator!=(const String& a, const char* b)   { return !a.IsEqual(b); }
inline bool operator!=(const char* a, const String& b)   { return !b.IsEqual(a); }
inline bool operator<(const String& a, const String& b)  { return a.Compare(b) < 0; }
inline bool operator>(const String& a, const String& b)  { return a.Compare(b) > 0; }
inline bool operator<=(const String& a, const String& b) { return a.Compare(b) <= 0; }
inline bool operator>=(const String& a, const String& b) { return a.Compare(b) >= 0; }
inline bool operator<(const String& a, const char* b)    { return a.Compare(b) < 0; }
inline bool operator>(const String& a, const char* b)    { return a.Compare(b) > 0; }
inline bool operator<(const char* a, const String& b)    { return b.Compare(a) > 0; }
inline bool operator>(const char* a, const String& b)    { return b.Compare(a) < 0; }

inline String operator+(const String& a, const String& b) { String r(a); r.Cat(b); return r; }
inline String operator+(const String& a, const char* b)   { String r(a); r.Cat(b); return r; }
inline String operator+(const String& a, char b)          { String r(a); r.Cat(b); return r; }
inline String operator+(String&& a, const String& b)      { String r(static_cast<String&&>(a)); r.Cat(b); return r; }
inline String operator+(String&& a, const char* b)        { String r(static_cast<String&&>(a)); r.Cat(b); return r; }
inline String operator+(String&& a, char b)               { String r(static_cast<String&&>(a)); r.Cat(b); return r; }
inline String operator+(const char* a, const String& b)   { String r(a); r.Cat(b); return r; }
inline String operator+(char a, const String& b)          { String r(a, 1); r.Cat(b); return r; }

inline String& operator<<(String& s, const char* x)       { s.Cat(x); return s; }
inline String& operator<<(String& s, const String& x)     { s.Cat(x); return s; }
inline String& operator<<(String& s, char x)              { s.Cat(x); return s; }
String& operator<<(String& s, int x);                     // decimal; the int Null appends nothing
inline String&& operator<<(String&& s, const char* x)     { s.Cat(x); return static_cast<String&&>(s); }
inline String&& operator<<(String&& s, const String& x)   { s.Cat(x); return static_cast<String&&>(s); }
inline String&& operator<<(String&& s, char x)            { s.Cat(x); return static_cast<String&&>(s); }
inline String&& operator<<(String&& s, int x)             { s << x; return static_cast<String&&>(s); }

// Copies without leading, trailing or both white space (bytes 9..13 and the blank).
String TrimLeft(const String& s);
String TrimRight(const String& s);
String TrimBoth(const String& s);
// A literal is a String here, not a WString.
inline String TrimLeft(const char* s)  { return TrimLeft(String(s)); }
inline String TrimRight(const char* s) { return TrimRight(String(s)); }
inline String TrimBoth(const char* s)  { return TrimBoth(String(s)); }

// Growable text buffer: fills in place and hands its block to a String without copying.
class StringBuffer {
	char* pbegin;
	char* pend;
	char* limit;
	char  buffer[256]; // 255 characters and a terminating zero before anything is allocated

	friend class String0;

	static char* Alloc(int count, int& capacity);
	void Free();
	void Reset()                     { pbegin = pend = buffer; limit = buffer + 255; }
	void Realloc(uint64 newcap, const char* cat = nullptr, int n = 0);
	void Expand();
	void CatSlow(const char* s, int n);

public:
	StringBuffer()                   { Reset(); }
	explicit StringBuffer(int len)   { Reset(); SetLength(len); }
	explicit StringBuffer(String& s);
	~StringBuffer()                  { Free(); }

	StringBuffer(const StringBuffer&) = delete;
	StringBuffer& operator=(const StringBuffer&) = delete;

	char* Begin()                    { *pend = 0; return pbegin; }
	char* End()                      { *pend = 0; return pend; }
	const char* Begin() const        { *pend = 0; return pbegin; }
	const char* End() const          { *pend = 0; return pend; }
	char* begin()                    { return Begin(); }
	char* end()                      { return End(); }
	operator char*()                 { return Begin(); }
	char* operator~()                { return Begin(); }

	int  GetLength() const           { return (int)(pend - pbegin); }
	int  GetCount() const            { return GetLength(); }
	bool IsEmpty() const             { return pend == pbegin; }
	int  GetAlloc() const            { return (int)(limit - pbegin); }
	void SetLength(int n);
	void SetCount(int n)             { SetLength(n); }
	void Clear()                     { Free(); Reset(); }
	void Reserve(int n)              { if(n > GetAlloc()) Realloc((uint64)n); }

	QEL_FORCE_INLINE void Cat(int c)
	{
		if(pend >= limit)
			Expand();
		*pend++ = (char)c;
	}
	QEL_FORCE_INLINE void Cat(const char* s, int n)
	{
		if((size_t)n <= (size_t)(limit - pend)) {
			MemCopySmall(pend, s, (size_t)n);
			pend += n;
		}
		else
			CatSlow(s, n);
	}
	void Cat(const char* s)          { Cat(s, (int)strlen(s)); }
	void Cat(const String& s)        { Cat(s.Begin(), s.GetLength()); }
	void Cat(int c, int count);
};

} // namespace Qel
