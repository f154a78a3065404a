#include "WString.h"
#include <Core/base/Heap.h>
#include <Core/base/Panic.h>

namespace Qel {

namespace {

constexpr int SMALL_ALLOC = 23;          // characters in the 96-byte block, terminator excluded
constexpr int MAX_LENGTH  = 0x7fffffff;

QEL_FORCE_INLINE void CopyChars(wchar* t, const wchar* s, int n)
{
	memcpy(t, s, size_t(n) * sizeof(wchar));
}

int* CountOf(wchar* p) { return (int*)p - 1; }

} // namespace

namespace detail {
alignas(16) const wchar wstring_zero[4] = {};
} // namespace detail

int WStrLen(const wchar* s)
{
	if(!s)
		return 0;
	const wchar* e = s;
	while(*e)
		e++;
	return int(e - s);
}

// cap in: characters wanted (terminator excluded); out: the capacity of the block returned.
wchar* WString::Alloc(int& cap)
{
	if(cap <= SMALL_ALLOC) {
		cap = SMALL_ALLOC;
		return (wchar*)MemoryAlloc(96);
	}
	size_t sz = size_t(cap) * 4 + 8;
	int* block = (int*)MemoryAllocSz(sz);
	*block = 1;
	if(cap != MAX_LENGTH)
		cap = (int)min<size_t>(sz / 4 - 2, MAX_LENGTH);
	return (wchar*)(block + 1);
}

void WString::FreeBlock(wchar* p, int alloc)
{
	if(alloc <= SMALL_ALLOC)
		MemoryFree(p);
	else if(__atomic_sub_fetch(CountOf(p), 1, __ATOMIC_ACQ_REL) == 0)
		MemoryFree(CountOf(p));
}

void WString::Init(const wchar* s, int len)
{
	if(len <= 0) {
		SetEmpty();
		return;
	}
	int cap = len;
	ptr = Alloc(cap);
	alloc = cap;
	length = len;
	CopyChars(ptr, s, len);
	ptr[len] = 0;
}

WString::WString(int chr, int count)
{
	if(count <= 0)
		return;
	Init(nullptr, 0);
	wchar* t = Insert(0, count, nullptr);
	for(int i = 0; i < count; i++)
		t[i] = chr;
}

// s has a block.
void WString::CopyBlock(const WString& s)
{
	if(s.alloc >= 24) {
		__atomic_add_fetch(CountOf(s.ptr), 1, __ATOMIC_RELAXED);
		Take(s.ptr, s.length, s.alloc);
	}
	else if(s.length > 0) {
		ptr = (wchar*)MemoryAlloc(96);
		memcpy(ptr, s.ptr, 96);
		length = s.length;
		alloc = s.alloc;
	}
	else
		alloc = 0;
}

void WString::Assign(const WString& s)
{
	if(this != &s) {
		WString h(s);
		*this = static_cast<WString&&>(h);
	}
}

WString::WString(WStringBuffer& b)
{
	int len = b.GetLength();
	int cap = b.GetAlloc();
	if(len == 0 || cap < SMALL_ALLOC)
		b.Free();
	else {
		Take(b.begin, len, cap);
		ptr[len] = 0;
		if(int64(len) * 4 / 3 < cap)
			Shrink();
	}
	b.Reset();
}

wchar* WString::Insert(int pos, int count, const wchar* s)
{
	if(count < 0 || int64(length) + count > MAX_LENGTH)
		Panic("WString is too big!");
	int newlen = length + count;
	bool self = s && s >= ptr && s <= ptr + length;
	if(newlen < alloc && !IsShared(alloc, ptr) && !self) {
		memmove(ptr + pos + count, ptr + pos, size_t(length - pos) * sizeof(wchar));
		length = newlen;
		ptr[newlen] = 0;
		if(s)
			CopyChars(ptr + pos, s, count);
		return ptr + pos;
	}
	int cap = length >= 0x55555554 ? MAX_LENGTH : length + length / 2;
	cap = max(cap, newlen);
	wchar* p = Alloc(cap);
	CopyChars(p, ptr, pos);
	CopyChars(p + pos + count, ptr + pos, length - pos);
	if(s)
		CopyChars(p + pos, s, count);
	p[newlen] = 0;
	Free();
	Take(p, newlen, cap);
	return ptr + pos;
}

void WString::Cat(int c)
{
	if(length + 1 < alloc && !IsShared(alloc, ptr)) {
		ptr[length++] = c;
		ptr[length] = 0;
	}
	else
		*Insert(length, 1, nullptr) = c;
}

void WString::Cat(const wchar* s, int len)
{
	if(len <= 0)
		return;
	if(int64(length) + len < alloc && !IsShared(alloc, ptr)) {
		memmove(ptr + length, s, size_t(len) * sizeof(wchar)); // s may lie in the free tail
		length += len;
		ptr[length] = 0;
	}
	else
		Insert(length, len, s);
}

void WString::Cat(int c, int count)
{
	if(count <= 0)
		return;
	wchar* t = Insert(length, count, nullptr);
	for(int i = 0; i < count; i++)
		t[i] = c;
}

void WString::UnShare()
{
	if(!IsShared(alloc, ptr))
		return;
	int cap = length;
	wchar* p = Alloc(cap);
	CopyChars(p, ptr, length + 1);
	Free();
	Take(p, length, cap);
}

void WString::Remove(int pos, int count)
{
	count = min(count, length - pos);
	if(count <= 0 || pos < 0)
		return;
	UnShare();
	memmove(ptr + pos, ptr + pos + count, size_t(length - pos - count + 1) * sizeof(wchar));
	length -= count;
}

void WString::Trim(int pos)
{
	if(pos >= length)
		return;
	if(pos <= 0) {
		Clear();
		return;
	}
	UnShare();
	length = pos;
	ptr[pos] = 0;
}

void WString::Set(int i, int chr)
{
	UnShare();
	ptr[i] = chr;
}

void WString::Reserve(int n)
{
	if(n <= 0)
		return;
	int len = length;
	Insert(len, n, nullptr);
	length = len;
	ptr[len] = 0;
}

WString WString::Mid(int pos, int count) const
{
	pos = clamp(pos, 0, length);
	count = clamp(count, 0, length - pos);
	return WString(ptr + pos, count);
}

int WString::Find(int chr, int from) const
{
	for(int i = max(from, 0); i < length; i++)
		if(ptr[i] == (wchar)chr)
			return i;
	return -1;
}

int WString::Find(const wchar* s, int len, int from) const
{
	from = max(from, 0);
	if(len == 0)
		return from <= length ? from : -1;
	for(int i = from; i + len <= length; i++)
		if(ptr[i] == s[0] && memcmp(ptr + i, s, size_t(len) * sizeof(wchar)) == 0)
			return i;
	return -1;
}

int WString::ReverseFind(int chr, int from) const
{
	for(int i = min(from, length - 1); i >= 0; i--)
		if(ptr[i] == (wchar)chr)
			return i;
	return -1;
}

int WString::ReverseFind(int chr) const
{
	return ReverseFind(chr, length - 1);
}

bool WString::StartsWith(const WString& s) const
{
	return s.length <= length && memcmp(ptr, s.ptr, size_t(s.length) * sizeof(wchar)) == 0;
}

bool WString::EndsWith(const WString& s) const
{
	return s.length <= length && memcmp(ptr + length - s.length, s.ptr, size_t(s.length) * sizeof(wchar)) == 0;
}

void WString::Replace(const WString& pattern, const WString& repl)
{
	if(pattern.IsEmpty())
		return;
	WStringBuffer r;
	int done = 0;
	for(int q; (q = Find(pattern, done)) >= 0; done = q + pattern.length) {
		r.Cat(ptr + done, q - done);
		r.Cat(repl);
	}
	if(done == 0)
		return;
	r.Cat(ptr + done, length - done);
	*this = WString(r);
}

bool WString::IsEqual(const WString& s) const
{
	return length == s.length && memcmp(ptr, s.ptr, size_t(length) * sizeof(wchar)) == 0;
}

bool WString::IsEqual(const wchar* s) const
{
	int n = WStrLen(s);
	return n == length && memcmp(ptr, s, size_t(n) * sizeof(wchar)) == 0;
}

int WString::Compare(const WString& s) const
{
	int n = min(length, s.length);
	for(int i = 0; i < n; i++)
		if(ptr[i] != s.ptr[i])
			return ptr[i] < s.ptr[i] ? -1 : 1;
	return length < s.length ? -1 : length > s.length ? 1 : 0;
}

WString operator+(const WString& a, const WString& b)
{
	WString r = a;
	r.Cat(b);
	return r;
}

WString operator+(const WString& a, const wchar* b)
{
	WString r = a;
	r.Cat(b);
	return r;
}

WString operator+(const wchar* a, const WString& b)
{
	WString r(a);
	r.Cat(b);
	return r;
}

WString operator+(const WString& a, wchar c)
{
	WString r = a;
	r.Cat(c);
	return r;
}

namespace {

bool IsWhite(wchar c) { return c == ' ' || (c >= 9 && c <= 13); }

} // namespace

WString TrimLeft(const WString& s)
{
	const wchar* p = s.Begin();
	while(p < s.End() && IsWhite(*p))
		p++;
	return p == s.Begin() ? s : WString(p, int(s.End() - p));
}

WString TrimRight(const WString& s)
{
	const wchar* e = s.End();
	while(e > s.Begin() && IsWhite(e[-1]))
		e--;
	return e == s.End() ? s : WString(s.Begin(), int(e - s.Begin()));
}

WString TrimBoth(const WString& s)
{
	return TrimLeft(TrimRight(s));
}

// WStringBuffer

void WStringBuffer::Free()
{
	int cap = GetAlloc();
	if(cap == SMALL_ALLOC)
		MemoryFree(begin);
	else if(cap > SMALL_ALLOC)
		MemoryFree(CountOf(begin));
}

void WStringBuffer::Expand(int n, const wchar* t, int k)
{
	int len = GetLength();
	int64 newlen = int64(len) + (t ? k : 0);
	if(newlen > MAX_LENGTH)
		Panic("WStringBuffer is too big!");
	wchar* p;
	int cap;
	if(n > SMALL_ALLOC) {
		cap = n;
		int* block = (int*)MemoryAlloc(size_t(cap) * 4 + 8);
		*block = 1;
		p = (wchar*)(block + 1);
	}
	else {
		cap = SMALL_ALLOC;
		p = (wchar*)MemoryAlloc(96);
	}
	CopyChars(p, begin, min(len, cap));
	if(t) {
		if(newlen > cap)
			Panic("WStringBuffer is too big!");
		CopyChars(p + len, t, k);
	}
	Free();
	begin = p;
	end = p + min<int64>(newlen, cap);
	limit = p + cap;
}

void WStringBuffer::Grow()
{
	int len = GetLength();
	int n = len >= MAX_LENGTH / 2 ? MAX_LENGTH : 2 * len;
	if(len < MAX_LENGTH)
		Expand(n);
	if(end >= limit)
		Panic("WStringBuffer is too big!");
}

void WStringBuffer::SetLength(int n)
{
	if(n < 0)
		n = 0;
	if(GetAlloc() < n)
		Expand(n);
	if(begin != WString::Zero())
		end = begin + n;
}

void WStringBuffer::Cat(const wchar* s, int len)
{
	if(len <= 0)
		return;
	if(limit - end >= len) {
		CopyChars(end, s, len);
		end += len;
		return;
	}
	int cur = GetLength();
	int64 want = max<int64>(int64(cur) * 2, int64(cur) + len);
	Expand((int)min<int64>(want, MAX_LENGTH), s, len);
}

void WStringBuffer::Cat(int c, int count)
{
	if(count <= 0)
		return;
	if(limit - end < count) {
		int cur = GetLength();
		int64 want = max<int64>(int64(cur) * 2, int64(cur) + count);
		if(int64(cur) + count > MAX_LENGTH)
			Panic("WStringBuffer is too big!");
		Expand((int)min<int64>(want, MAX_LENGTH));
	}
	for(int i = 0; i < count; i++)
		*end++ = c;
}

} // namespace Qel
