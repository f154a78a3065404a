// WString: text of 32-bit characters; WStringBuffer: its growable builder.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class String;
class WStringBuffer;

int WStrLen(const wchar* s);

namespace detail {
// The shared empty text, in read-only memory: a write would fault.
extern const wchar wstring_zero[4];
} // namespace detail

// Storage by `alloc`: below 1 no buffer (points at a shared zero), 1..23 an exclusively owned
// 96-byte block, 24 and more a reference-counted block (count word in front of `ptr`), copied on write.
class WString {
	wchar* ptr    = Zero();
	int    length = 0;
	int    alloc  = 0;

	friend class WStringBuffer;

	// Inline, as formats and other records copy and move many empty texts.
	static wchar* Zero()                                { return const_cast<wchar*>(detail::wstring_zero); }
	static bool   IsShared(int alloc, const wchar* p) { return alloc >= 24 && RefCount(p) > 1; }
	static int    RefCount(const wchar* p)             { return __atomic_load_n((const int*)p - 1, __ATOMIC_ACQUIRE); }
	static wchar* Alloc(int& cap);
	static void   FreeBlock(wchar* p, int alloc);

	void Free()                                         { if(alloc > 0) FreeBlock(ptr, alloc); }
	void Init(const wchar* s, int len);
	void CopyBlock(const WString& s);
	void Assign(const WString& s);
	void Take(wchar* p, int len, int a)                 { ptr = p; length = len; alloc = a; }
	void SetEmpty()                                     { ptr = Zero(); length = alloc = 0; }

public:
	using Relocatable = void; // moved as raw bytes by the containers
	WString() = default;
	WString(const wchar* s, int len)                    { Init(s, len); }
	WString(const wchar* s)                             { Init(s, WStrLen(s)); }
	WString(const char* s);
	WString(const char* s, int len);
	WString(const String& s);
	WString(int chr, int count);
	WString(const WString& s)                           { if(s.alloc > 0) CopyBlock(s); else alloc = s.alloc; }
	WString(WString&& s) noexcept                       { Take(s.ptr, s.length, s.alloc); s.SetEmpty(); }
	WString(WStringBuffer& b);
	~WString()                                          { Free(); }

	WString& operator=(const WString& s)
	{
		if(s.alloc > 0)
			Assign(s);
		else {
			Free();
			SetEmpty();
			alloc = s.alloc;
		}
		return *this;
	}
	WString& operator=(WString&& s) noexcept
	{
		if(this != &s) {
			Free();
			Take(s.ptr, s.length, s.alloc);
			s.SetEmpty();
		}
		return *this;
	}
	WString& operator=(const wchar* s)                  { return *this = WString(s); }
	WString& operator=(WStringBuffer& b)                { return *this = WString(b); }

	const wchar* Begin() const                          { return ptr; }
	const wchar* End() const                            { return ptr + length; }
	const wchar* begin() const                          { return ptr; }
	const wchar* end() const                            { return ptr + length; }
	operator const wchar*() const                       { return ptr; }
	wchar operator[](int i) const                       { return ptr[i]; }
	wchar operator*() const                             { return *ptr; }

	int  GetLength() const                              { return length; }
	int  GetCount() const                               { return length; }
	int  GetAlloc() const                               { return alloc; }
	bool IsEmpty() const                                { return length == 0; }

	wchar* Insert(int pos, int count, const wchar* s);
	void   Insert(int pos, int chr)                     { *Insert(pos, 1, nullptr) = chr; }
	void   Insert(int pos, const WString& s)            { Insert(pos, s.length, s.ptr); }
	void   Insert(int pos, const wchar* s, int len)     { Insert(pos, len, s); }
	void   Cat(int c);
	void   Cat(const wchar* s, int len);
	void   Cat(const wchar* s)                          { Cat(s, WStrLen(s)); }
	void   Cat(const WString& s)                        { Cat(s.ptr, s.length); }
	void   Cat(int c, int count);
	void   Remove(int pos, int count = 1);
	void   Trim(int pos);
	void   Set(int i, int chr);
	void   Clear()                                      { Free(); SetEmpty(); }
	void   UnShare();
	void   Shrink()                                     { *this = WString(ptr, length); }
	void   Reserve(int n);

	WString& operator+=(wchar c)                        { Cat(c); return *this; }
	WString& operator+=(const wchar* s)                 { Cat(s); return *this; }
	WString& operator+=(const WString& s)               { Cat(s); return *this; }

	WString Mid(int pos, int count) const;
	WString Mid(int pos) const                          { return Mid(pos, length - pos); }
	WString Left(int count) const                       { return Mid(0, count); }
	WString Right(int count) const                      { return Mid(length - count, count); }

	int  Find(int chr, int from = 0) const;
	int  Find(const wchar* s, int len, int from = 0) const;
	int  Find(const WString& s, int from = 0) const     { return Find(s.ptr, s.length, from); }
	int  ReverseFind(int chr) const;
	int  ReverseFind(int chr, int from) const;
	bool StartsWith(const WString& s) const;
	bool EndsWith(const WString& s) const;
	void Replace(const WString& pattern, const WString& repl);

	bool IsEqual(const WString& s) const;
	bool IsEqual(const wchar* s) const;
	int  Compare(const WString& s) const;
	uint64 GetHashValue() const;

	String ToString() const;

	friend bool operator==(const WString& a, const WString& b) { return a.length == b.length && (a.length == 0 || a.IsEqual(b)); }
	friend bool operator==(const WString& a, const wchar* b)   { return a.IsEqual(b); }
	friend bool operator<(const WString& a, const WString& b)  { return a.Compare(b) < 0; }
	friend bool operator>(const WString& a, const WString& b)  { return a.Compare(b) > 0; }
	friend bool operator<=(const WString& a, const WString& b) { return a.Compare(b) <= 0; }
	friend bool operator>=(const WString& a, const WString& b) { return a.Compare(b) >= 0; }
};

WString operator+(const WString& a, const WString& b);
WString operator+(const WString& a, const wchar* b);
WString operator+(const wchar* a, const WString& b);
WString operator+(const WString& a, wchar c);

WString TrimLeft(const WString& s);
WString TrimRight(const WString& s);
WString TrimBoth(const WString& s);

// Builds a WString in place; the result adopts its block without a copy. Capacity 23 is a
// 96-byte block, a larger one a block with a count word in front of `begin` (always 1 here).
class WStringBuffer {
	wchar* begin = WString::Zero();
	wchar* end   = WString::Zero();
	wchar* limit = WString::Zero();

	friend class WString;

	void Free();
	void Reset()                                        { begin = end = limit = WString::Zero(); }
	QEL_NOINLINE void Grow();

public:
	WStringBuffer() = default;
	explicit WStringBuffer(int len)                     { SetLength(len); }
	WStringBuffer(const WString& s)                     { Cat(s.Begin(), s.GetLength()); }
	WStringBuffer(const WStringBuffer&) = delete;
	WStringBuffer& operator=(const WStringBuffer&) = delete;
	~WStringBuffer()                                    { Free(); }

	void Expand(int n, const wchar* t = nullptr, int k = 0);
	void SetLength(int n);
	void SetCount(int n)                                { SetLength(n); }
	void Reserve(int n)                                 { if(limit - begin < n) Expand(n); }
	void Clear()                                        { Free(); Reset(); }
	void Strlen()                                       { SetLength(WStrLen(begin)); }

	void Cat(int c)                                     { if(QEL_UNLIKELY(end >= limit)) Grow(); *end++ = c; }
	void Cat(const wchar* s, int len);
	void Cat(const wchar* s)                            { Cat(s, WStrLen(s)); }
	void Cat(const WString& s)                          { Cat(s.Begin(), s.GetLength()); }
	void Cat(int c, int count);

	wchar*       Begin()                                { return begin; }
	wchar*       End()                                  { return end; }
	const wchar* Begin() const                          { return begin; }
	const wchar* End() const                            { return end; }
	operator wchar*()                                   { return begin; }
	int  GetLength() const                              { return int(end - begin); }
	int  GetCount() const                               { return int(end - begin); }
	int  GetAlloc() const                               { return int(limit - begin); }
	bool IsEmpty() const                                { return end == begin; }

	WStringBuffer& operator<<(int c)                    { Cat(c); return *this; }
	WStringBuffer& operator<<(const WString& s)         { Cat(s); return *this; }
};

} // namespace Qel
