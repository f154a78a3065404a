#include <richtext/para/detail/PackedForm.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel::detail {

void PackText(StringBuffer& out, const wchar* s, int len)
{
	const wchar* e = s + len;
	while(s < e) {
		// In slices, so that the worst case (4 bytes a character) never needs more than a slice.
		int n = int(min<int64>(e - s, 4096));
		int at = out.GetLength();
		out.SetLength(at + 4 * n);
		char* t = out.Begin() + at;
		const wchar* se = s + n;
		while(s < se) {
#ifdef __SSE2__
			// eight printable ASCII characters at a time, the usual case
			const __m128i lo = _mm_set1_epi32(31);
			const __m128i hi = _mm_set1_epi32(128);
			while(se - s >= 8) {
				__m128i a = _mm_loadu_si128((const __m128i*)s);
				__m128i b = _mm_loadu_si128((const __m128i*)(s + 4));
				__m128i ok = _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(a, lo), _mm_cmplt_epi32(a, hi)),
				                           _mm_and_si128(_mm_cmpgt_epi32(b, lo), _mm_cmplt_epi32(b, hi)));
				if(_mm_movemask_epi8(ok) != 0xFFFF)
					break;
				__m128i w = _mm_packs_epi32(a, b);
				_mm_storel_epi64((__m128i*)t, _mm_packus_epi16(w, w));
				t += 8;
				s += 8;
			}
			if(s == se)
				break;
#endif
			wchar c = *s++;
			if(c >= 32)
				t = PutPackedChar(t, c);
			else if(c == 9)
				*t++ = 9;
		}
		out.SetLength(int(t - out.Begin()));
	}
}

namespace {

// The valid range of the second byte excludes overlong forms (E0, F0), surrogates (ED) and
// values past 0x10FFFF (F4); s moves at least one byte.
wchar sDecodeMultibyte(const char*& s, const char* e)
{
	byte c = byte(*s);
	int  n = 0;
	byte lo = 0x80, hi = 0xBF;
	wchar u = 0;
	if(c >= 0xC2 && c <= 0xDF) {
		n = 1;
		u = c & 0x1F;
	}
	else if(c >= 0xE0 && c <= 0xEF) {
		n = 2;
		u = c & 0x0F;
		lo = c == 0xE0 ? 0xA0 : 0x80;
		hi = c == 0xED ? 0x9F : 0xBF;
	}
	else if(c >= 0xF0 && c <= 0xF4) {
		n = 3;
		u = c & 0x07;
		lo = c == 0xF0 ? 0x90 : 0x80;
		hi = c == 0xF4 ? 0x8F : 0xBF;
	}
	const char* p = s + 1;
	int k = 0;
	while(k < n && p < e) {
		byte b = byte(*p);
		if(k == 0 ? b < lo || b > hi : (b & 0xC0) != 0x80)
			break;
		u = u << 6 | (b & 0x3F);
		p++;
		k++;
	}
	s = p;
	return n && k == n ? u : PACK_REPLACEMENT;
}

// Characters from 32 to 127, sixteen at a time: the bulk of any text. Copies the leading ones
// of the block, however many (t has room for 16); false when there was none.
QEL_FORCE_INLINE bool sPlainBlock(wchar*& t, const char*& s, const char* e)
{
#ifdef __SSE2__
	if(e - s >= 16) {
		__m128i x = _mm_loadu_si128((const __m128i*)s);
		int plain = _mm_movemask_epi8(_mm_cmpgt_epi8(x, _mm_set1_epi8(31)));
		int n = plain == 0xFFFF ? 16 : __builtin_ctz(~plain);
		if(n == 0)
			return false;
		__m128i z = _mm_setzero_si128();
		__m128i lo = _mm_unpacklo_epi8(x, z);
		__m128i hi = _mm_unpackhi_epi8(x, z);
		_mm_storeu_si128((__m128i*)t, _mm_unpacklo_epi16(lo, z));
		_mm_storeu_si128((__m128i*)(t + 4), _mm_unpackhi_epi16(lo, z));
		_mm_storeu_si128((__m128i*)(t + 8), _mm_unpacklo_epi16(hi, z));
		_mm_storeu_si128((__m128i*)(t + 12), _mm_unpackhi_epi16(hi, z));
		t += n;
		s += n;
		return true;
	}
#else
	if(e - s >= 8) {
		const uint64 b01 = 0x0101010101010101ull, b80 = 0x8080808080808080ull;
		uint64 w;
		memcpy(&w, s, 8);
		if((w & b80) || ((w - 32 * b01) & ~w & b80))
			return false;
		for(int i = 0; i < 8; i++)
			t[i] = wchar((w >> (8 * i)) & 0xFF);
		t += 8;
		s += 8;
		return true;
	}
#endif
	return false;
}

} // namespace

const char* UnpackTextRun(WString& out, const char* s, const char* e, int& count)
{
	wchar buf[512];
	wchar* t = buf;
	count = 0;
	auto flush = [&] {
		int n = int(t - buf);
		if(out.IsEmpty())
			out = WString(buf, n);
		else
			out.Cat(buf, n);
		count += n;
		t = buf;
	};
	for(;;) {
		if(buf + 512 - t < 16)
			flush();
		if(sPlainBlock(t, s, e))
			continue;
		if(s >= e)
			break;
		byte c = byte(*s);
		if(c < 0x80) {
			if(c < 32 && c != 9)
				break; // a code
			*t++ = c;
			s++;
		}
		else
			*t++ = sDecodeMultibyte(s, e);
	}
	if(t > buf)
		flush();
	return s;
}

PackStream::~PackStream()
{
	MemoryFree(block);
}

void PackStream::PutSlow(int w)
{
	byte b = byte(w);
	PutSlow(&b, 1);
}

void PackStream::PutSlow(const void* data, dword size)
{
	int64 len = cursor - windowStart;
	int64 need = len + size;
	if(need > writeLimit - windowStart) {
		if(need >= INT_MAX)
			Panic("2GB PackStream limit exceeded");
		int64 cap = min<int64>(max<int64>(need, 2 * (writeLimit - windowStart)), INT_MAX);
		cap = max<int64>(cap, 256);
		byte* b = (byte*)MemoryAlloc(size_t(cap));
		if(len)
			memcpy(b, windowStart, size_t(len));
		MemoryFree(block);
		block = b;
		windowStart = b;
		cursor = b + len;
		readLimit = b;
		writeLimit = b + cap;
	}
	memcpy(cursor, data, size);
	cursor += size;
}

wchar DecodePackedChar(const char*& s, const char* e)
{
	return sDecodeMultibyte(s, e);
}

int PackedReader::StringLength()
{
	int c = Get8();
	if(error)
		return -1;
	dword len = c;
	bool skip = false; // the high-bit forms carry one byte more
	if(c == 255) {
		len = dword(Get32());
		if(error)
			return -1;
		skip = len & 0x80000000;
		len &= 0x7FFFFFFF;
	}
	else if(c >= 128) {
		len = c - 128;
		skip = true;
	}
	if(skip) {
		Get8();
		if(error)
			return -1;
	}
	if(!Need(int(len)))
		return -1;
	return int(len);
}

bool PackedReader::GetStringRange(const char*& begin, const char*& end)
{
	int len = StringLength();
	if(len < 0)
		return false;
	begin = s;
	end = s += len;
	return true;
}

String PackedReader::GetString()
{
	const char *b, *x;
	return GetStringRange(b, x) ? String(b, int(x - b)) : String();
}

WString PackedReader::GetWString()
{
	int c = Get8();
	if(error)
		return WString();
	int64 n = c;
	if(c == 255) {
		n = dword(Get32());
		if(error)
			return WString();
	}
	if(2 * n > Left()) {
		error = true;
		s = e;
		return WString();
	}
	if(n == 0)
		return WString();
	Vector<char16> u;
	u.SetCount(int(n));
	memcpy(u.begin(), s, size_t(2 * n));
	s += 2 * n;
	return ToUtf32(u);
}

} // namespace Qel::detail
