#include "String.h"
#include "FormatInt.h"
#include <Core/base/Panic.h>
#include "Charset.h"
#include "Utf.h"
#include <Core/detail/SizeClass.h>

#include <cstdlib>

namespace Qel {

namespace detail {

alignas(16) qword string_void_block[4];

void StringTooBig()
{
	Panic("String is too big!");
	abort(); // a nested panic returns; the caller cannot go on
}

} // namespace detail

namespace {

using detail::Peek;
using detail::Peek64;
using detail::StringHeader;

QEL_FORCE_INLINE bool Same16(const char* a, const char* b)
{
	return ((Peek64(a) ^ Peek64(b)) | (Peek64(a + 8) ^ Peek64(b + 8))) == 0;
}

// Byte equality of two runs of n bytes: overlapping head and tail words up to 32 bytes; longer
// runs go to the system routine, whose wide vector loop beats anything portable here.
bool EqualBytes(const char* a, const char* b, size_t n)
{
	if(n < 16) {
		if(n >= 8)
			return Peek64(a) == Peek64(b) && Peek64(a + n - 8) == Peek64(b + n - 8);
		if(n >= 4)
			return Peek<uint32>(a) == Peek<uint32>(b) && Peek<uint32>(a + n - 4) == Peek<uint32>(b + n - 4);
		if(n >= 2)
			return Peek<uint16>(a) == Peek<uint16>(b) && Peek<uint16>(a + n - 2) == Peek<uint16>(b + n - 2);
		return n == 0 || *a == *b;
	}
	if(n <= 32)
		return Same16(a, b) && Same16(a + n - 16, b + n - 16);
	return memcmp(a, b, n) == 0;
}

// Three-way comparison by unsigned bytes; 8-byte words are compared as big-endian numbers.
int CompareBytes(const char* a, int la, const char* b, int lb)
{
	int n = min(la, lb);
	if(n >= 32) { // same order (unsigned bytes), wider vector units
		int c = memcmp(a, b, (size_t)n);
		if(c)
			return c < 0 ? -1 : 1;
		return la < lb ? -1 : la > lb ? 1 : 0;
	}
	for(; n >= 8; n -= 8, a += 8, b += 8) {
		uint64 x = Peek64(a), y = Peek64(b);
		if(x != y)
			return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
	}
	if(n & 4) {
		uint32 x = Peek<uint32>(a), y = Peek<uint32>(b);
		if(x != y)
			return __builtin_bswap32(x) < __builtin_bswap32(y) ? -1 : 1;
		a += 4;
		b += 4;
	}
	if(n & 2) {
		uint16 x = Peek<uint16>(a), y = Peek<uint16>(b);
		if(x != y)
			return __builtin_bswap16(x) < __builtin_bswap16(y) ? -1 : 1;
		a += 2;
		b += 2;
	}
	if((n & 1) && *a != *b)
		return (byte)*a < (byte)*b ? -1 : 1;
	return la < lb ? -1 : la > lb ? 1 : 0;
}

QEL_FORCE_INLINE int RefCount(const StringHeader* h)
{
	return __atomic_load_n(&h->refcount, __ATOMIC_ACQUIRE);
}

QEL_FORCE_INLINE bool IsInside(const char* p, const char* text, int len)
{
	return (uintptr_t)p >= (uintptr_t)text && (uintptr_t)p <= (uintptr_t)(text + len);
}

QEL_FORCE_INLINE bool IsWhite(int c)
{
	return c == ' ' || (c >= 9 && c <= 13);
}

// Kept inline in the text builders below: a fresh long text is allocation plus copy, so the call
// layer shows.
QEL_FORCE_INLINE char* AllocText(int count, byte& kind)
{
	if(count > 31) {
		size_t sz = (size_t)count + 9;
		StringHeader* h = (StringHeader*)MemoryAllocSz(sz);
		size_t cap = min(sz - 9, (size_t)0x7fffffff);
		h->refcount = 1;
		h->capacity = (int)cap;
		kind = (byte)min(cap, (size_t)255);
		return (char*)(h + 1);
	}
	kind = 31; // medium
	return (char*)MemoryAlloc32();
}

} // namespace

char* String0::Alloc(int count, byte& kind)
{
	return AllocText(count, kind);
}

void String0::MediumCopy()
{
	char* p = (char*)MemoryAlloc32();
	memcpy(p, ptr, 32);
	ptr = p;
}

void String0::LargeSet(const char* s, int len)
{
	if(len < 0)
		detail::StringTooBig();
	byte kind;
	char* p = AllocText(len, kind);
	MemCopySmall(p, s, len);
	p[len] = 0;
	SetLarge(p, len, kind);
}

int String0::GetAlloc() const
{
	byte k = Kind();
	if(k == 0)
		return 14;
	if(k == MEDIUM)
		return 31;
	if(ptr == detail::StringVoidPtr())
		return 0;
	return k < 255 ? k : Header()->capacity;
}

void String0::Set(const char* s, int len)
{
	if(IsInside(s, Begin(), GetLength())) { // a part of our own text: build before releasing it
		String0 t;
		t.Init(s, len);
		Free();
		SetRaw(t);
		return;
	}
	Free();
	Init(s, len);
}

void String0::UnShare()
{
	if(Kind() < 32 || RefCount(Header()) == 1)
		return;
	int len = (int)w[LLEN];
	byte kind;
	char* p = Alloc(len, kind);
	memcpy(p, ptr, (size_t)len + 1);
	LargeFree();
	SetLarge(p, len, kind);
}

char* String0::Insert(int pos, int count, const char* s)
{
	int len = GetLength();
	if(count < 0 || (int64)len + count > 0x7fffffff)
		detail::StringTooBig();
	pos = clamp(pos, 0, len);
	int newlen = len + count;
	char* text = (char*)Begin();
	bool fits;
	byte k = Kind();
	if(k == 0)
		fits = newlen < 14;
	else
		fits = OutOfLineWithRoom((dword)newlen);
	if(fits && !(s && IsInside(s, text, len))) {
		memmove(text + pos + count, text + pos, (size_t)(len - pos));
		if(k == 0)
			chr[SLEN] = (char)newlen;
		else
			w[LLEN] = (dword)newlen;
		text[newlen] = 0;
		if(s)
			memcpy(text + pos, s, (size_t)count);
		return text + pos;
	}
	int cap = (int)min<int64>(detail::GrownCapacity(len), 0x7fffffff);
	cap = max(cap, newlen);
	byte kind;
	char* p = AllocText(cap, kind);
	MemCopySmall(p, text, (size_t)pos);
	MemCopySmall(p + pos + count, text + pos, (size_t)(len - pos));
	if(s)
		MemCopySmall(p + pos, s, (size_t)count);
	p[newlen] = 0;
	Free();
	SetLarge(p, newlen, kind);
	return p + pos;
}

void String0::LCat(const char* s, int n)
{
	byte k = Kind();
	if(k && n >= 0) {
		int len = (int)w[LLEN];
		int64 newlen = (int64)len + n;
		if(OutOfLineWithRoom((dword)newlen)) { // the source may be our own text: it lies wholly before the target
			MemCopySmall(ptr + len, s, (size_t)n);
			ptr[newlen] = 0;
			w[LLEN] = (dword)newlen;
			return;
		}
	}
	Insert(GetLength(), n, s);
}

void String0::CatSlow(int c)
{
	if(IsSmall()) { // 14 characters: move to a medium block
		char* p = (char*)MemoryAlloc32();
		memcpy(p, chr, 16);
		p[14] = (char)c;
		p[15] = 0;
		SetLarge(p, 15, MEDIUM);
		return;
	}
	int len = (int)w[LLEN];
	if(OutOfLineWithRoom((dword)len)) {
		ptr[len] = (char)c;
		ptr[len + 1] = 0;
		w[LLEN] = (dword)(len + 1);
		return;
	}
	char h = (char)c;
	Insert(len, 1, &h);
}

void String0::Cat(int c, int count)
{
	if(count > 0)
		memset(Insert(GetLength(), count, nullptr), c, (size_t)count);
}

void String0::Remove(int pos, int count)
{
	int len = GetLength();
	pos = clamp(pos, 0, len);
	count = clamp(count, 0, len - pos);
	if(count == 0)
		return;
	UnShare();
	char* text = (char*)Begin();
	int newlen = len - count;
	memmove(text + pos, text + pos + count, (size_t)(len - pos - count));
	if(IsSmall()) {
		memset(chr + newlen, 0, (size_t)(15 - newlen));
		chr[SLEN] = (char)newlen;
	}
	else {
		ptr[newlen] = 0;
		w[LLEN] = (dword)newlen;
	}
}

void String0::Set(int i, int c)
{
	if(i < 0 || i >= GetLength())
		return;
	UnShare();
	((char*)Begin())[i] = (char)c;
}

void String0::Trim(int n)
{
	int len = GetLength();
	if(n >= len)
		return;
	n = max(n, 0);
	if(IsSmall()) { // keep the zero fill that hashing and equality rely on
		memset(chr + n, 0, (size_t)(15 - n));
		chr[SLEN] = (char)n;
		return;
	}
	UnShare();
	ptr[n] = 0;
	w[LLEN] = (dword)n;
}

void String0::Reserve(int n)
{
	if(n <= 0)
		return;
	int len = GetLength();
	Insert(len, n, nullptr);
	Trim(len);
}

void String0::Shrink()
{
	String0 t;
	t.Init(Begin(), GetLength());
	Free();
	SetRaw(t);
}

bool String0::IsEqual(const String0& s) const
{
	int len = GetLength();
	return len == s.GetLength() && EqualBytes(Begin(), s.Begin(), (size_t)len);
}

bool String0::LEqual(const String0& s) const
{
	int len = GetLength();
	return len == s.GetLength() && EqualBytes(Begin(), s.Begin(), (size_t)len);
}

bool String0::IsEqual(const char* s) const
{
	size_t n = s ? strlen(s) : 0;
	return n == (size_t)GetLength() && EqualBytes(Begin(), s, n);
}

int String0::Compare(const String0& s) const
{
	return CompareBytes(Begin(), GetLength(), s.Begin(), s.GetLength());
}

int String0::Compare(const char* s) const
{
	size_t n = s ? strlen(s) : 0;
	if(n > 0x7fffffff)
		n = 0x7fffffff;
	return CompareBytes(Begin(), GetLength(), s, (int)n);
}

hash_t String0::LHashValue() const
{
	int len = (int)w[LLEN];
	if(len > 14)
		return MemoryHash(ptr, (size_t)len);
	String0 t; // hash as the small form, so equal texts hash equally whatever their storage
	t.Zero();
	memcpy(t.chr, ptr, (size_t)len);
	t.chr[SLEN] = (char)len;
	return t.GetHashValue();
}

// Cuts an adopted large or big block down to the length where it lies, instead of copying the
// text into a fresh block. Only where a fresh block would be of the same sort (large or big) and so
// come out at the very capacity this one is cut to; the heap decides whether it can.
bool String0::ShrinkInPlace(int cap)
{
	size_t want = (size_t)w[LLEN] + 9;
	void* h = Header();
	bool big = (size_t)cap + 9 > detail::LargeMax;
	if(((uintptr_t)h & 16) == 0 || want <= detail::SmallMax || big != (want > detail::LargeMax))
		return false;
	if(!MemoryTryRealloc(h, want))
		return false;
	int c = (int)min(want - 9, (size_t)0x7fffffff);
	Header()->capacity = c;
	chr[KIND] = (char)min(c, 255);
	return true;
}

void String0::SetFromBuffer(StringBuffer& b)
{
	int len = b.GetLength();
	if(b.pbegin == b.buffer)
		Init(b.pbegin, len);
	else if(len < 15) {
		Init(b.pbegin, len);
		b.Free();
	}
	else {
		int cap = b.GetAlloc();
		*b.pend = 0;
		SetLarge(b.pbegin, len, min(cap, 255));
		if(cap != MEDIUM && cap > (int64)len * 4 / 3 && !ShrinkInPlace(cap)) // a medium block would only be rebuilt as is
			Shrink();
	}
	b.Reset();
}

String::String(int c, int count)
{
	Zero();
	Cat(c, count);
}

String String::Mid(int pos, int count) const
{
	int len = GetLength();
	pos = clamp(pos, 0, len);
	count = clamp(count, 0, len - pos);
	return String(Begin() + pos, count);
}

int String::Find(int c, int from) const
{
	int len = GetLength();
	if(from < 0)
		from = 0;
	if(from >= len)
		return -1;
	const char* s = Begin();
	const void* q = memchr(s + from, c, (size_t)(len - from));
	return q ? (int)((const char*)q - s) : -1;
}

int String::Find(const char* p, int plen, int from) const
{
	int len = GetLength();
	from = max(from, 0);
	if(plen <= 0)
		return from <= len ? from : -1;
	const char* s = Begin();
	const char* last = s + len - plen; // the last position a match can start at
	for(const char* q = s + from; q <= last;) {
		q = (const char*)memchr(q, *p, (size_t)(last - q + 1));
		if(!q)
			break;
		if(memcmp(q, p, (size_t)plen) == 0)
			return (int)(q - s);
		q++;
	}
	return -1;
}

int String::ReverseFind(int c, int from) const
{
	const char* s = Begin();
	for(int i = min(from, GetLength() - 1); i >= 0; i--)
		if(s[i] == (char)c)
			return i;
	return -1;
}

int String::ReverseFind(const char* p, int plen, int from) const
{
	int len = GetLength();
	if(plen < 0 || plen > len)
		return -1;
	const char* s = Begin();
	for(int i = min(from, len - plen); i >= 0; i--)
		if(memcmp(s + i, p, (size_t)plen) == 0)
			return i;
	return -1;
}

int String::ReverseFind(const char* s) const
{
	int n = (int)strlen(s);
	return ReverseFind(s, n, GetLength() - n);
}

int String::ReverseFind(const String& s) const
{
	return ReverseFind(s.Begin(), s.GetLength(), GetLength() - s.GetLength());
}

bool String::StartsWith(const char* s, int len) const
{
	return len <= GetLength() && memcmp(Begin(), s, (size_t)len) == 0;
}

bool String::EndsWith(const char* s, int len) const
{
	int l = GetLength();
	return len <= l && memcmp(Begin() + l - len, s, (size_t)len) == 0;
}

void String::Replace(const char* pattern, int plen, const char* repl, int rlen)
{
	if(plen <= 0)
		return;
	int q = Find(pattern, plen, 0);
	if(q < 0)
		return;
	String r;
	const char* s = Begin();
	int from = 0;
	while(q >= 0) {
		r.Cat(s + from, q - from);
		r.Cat(repl, rlen);
		from = q + plen;
		q = Find(pattern, plen, from);
	}
	r.Cat(s + from, GetLength() - from);
	*this = static_cast<String&&>(r);
}

void String::Replace(const String& pattern, const String& repl)
{
	Replace(pattern.Begin(), pattern.GetLength(), repl.Begin(), repl.GetLength());
}

void String::Replace(const char* pattern, const char* repl)
{
	Replace(pattern, (int)strlen(pattern), repl, (int)strlen(repl));
}

int String::GetCharCount() const
{
	// Counts what the UTF-8 decoder makes of the text, so that the count matches ToWString.
	return GetDefaultCharset() == CHARSET_UTF8 ? Utf32Len(Begin(), GetLength()) : GetLength();
}

String& operator<<(String& s, int x)
{
	if(x == INT_NULL) // the int Null
		return s;
	char h[32];
	s.Cat(h, (int)(PutDecimal(h, x) - h));
	return s;
}

String TrimLeft(const String& s)
{
	const char* b = s.Begin();
	const char* e = s.End();
	const char* p = b;
	while(p < e && IsWhite((byte)*p))
		p++;
	return p == b ? s : String(p, e);
}

String TrimRight(const String& s)
{
	const char* b = s.Begin();
	const char* e = s.End();
	const char* p = e;
	while(p > b && IsWhite((byte)p[-1]))
		p--;
	return p == e ? s : String(b, p);
}

String TrimBoth(const String& s)
{
	const char* b = s.Begin();
	const char* e = s.End();
	const char* p = b;
	while(p < e && IsWhite((byte)*p))
		p++;
	while(e > p && IsWhite((byte)e[-1]))
		e--;
	return p == b && e == s.End() ? s : String(p, e);
}

} // namespace Qel
