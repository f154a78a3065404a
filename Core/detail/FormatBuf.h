// Internal: a growable character buffer with a stack area, used to build texts of the format,
// scanning and parsing code before they become one String.
#pragma once

#include <Core/base/Defs.h>

#include <Core/base/Heap.h>

namespace Qel::detail {

class FormatBuf {
public:
	FormatBuf() = default;
	FormatBuf(const FormatBuf&) = delete;
	FormatBuf& operator=(const FormatBuf&) = delete;
	~FormatBuf()                           { if(begin != local) MemoryFree(begin); }

	QEL_FORCE_INLINE void Cat(char c)      { if(QEL_UNLIKELY(end == limit)) Grow(1); *end++ = c; }
	QEL_FORCE_INLINE void Cat(const char* s, size_t n)
	{
		if(QEL_UNLIKELY(size_t(limit - end) < n))
			Grow(n);
		std::memcpy(end, s, n);
		end += n;
	}
	void Cat(const char* s)                { Cat(s, std::strlen(s)); }
	void Cat(char c, size_t n)             { if(size_t(limit - end) < n) Grow(n); std::memset(end, c, n); end += n; }
	// Room for n more characters; the caller writes them and calls Advance.
	char* Reserve(size_t n)                { if(size_t(limit - end) < n) Grow(n); return end; }
	void  Advance(size_t n)                { end += n; }

	const char* Begin() const              { return begin; }
	char*       Begin()                    { return begin; }
	int         GetLength() const          { return int(end - begin); }
	void        SetLength(int n)           { end = begin + n; }

private:
	char  local[248];
	char* begin = local;
	char* end = local;
	char* limit = local + sizeof(local);

	void Grow(size_t n);
};

inline void FormatBuf::Grow(size_t n)
{
	size_t len = end - begin;
	size_t cap = limit - begin;
	size_t ncap = len + n > cap + cap / 2 ? len + n : cap + cap / 2;
	char* p = (char*)MemoryAlloc(ncap);
	std::memcpy(p, begin, len);
	if(begin != local)
		MemoryFree(begin);
	begin = p;
	end = p + len;
	limit = p + ncap;
}

} // namespace Qel::detail
