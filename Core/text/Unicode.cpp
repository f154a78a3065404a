#include "Unicode.h"
#include <Core/base/Panic.h>

#include <zlib.h>

#include <vector>

namespace Qel {

namespace {

// The one place that unpacks the compressed table.
bool sInflate(const byte* src, int len, byte* dst, int dstlen)
{
	// straight through the system zlib: the text stage sits below the streams
	uLongf n = uLongf(dstlen);
	return uncompress(dst, &n, src, uLong(len)) == Z_OK && n == uLongf(dstlen);
}

// Open-addressing map of code points to 32-bit values; the first insertion of a key wins.
class sCodeMap {
	std::vector<uint64> slot; // key << 32 | value, EMPTY when unused
	uint32 mask = 0;
	static constexpr uint64 EMPTY = ~uint64(0);

	static uint32 Hash(uint32 k) { return (k * 0x9E3779B1u) ^ (k >> 15); }

public:
	void Reserve(int n)
	{
		uint32 sz = 16;
		while(sz < uint32(n) * 2)
			sz <<= 1;
		slot.assign(sz, EMPTY);
		mask = sz - 1;
	}
	void Add(uint32 k, uint32 v)
	{
		for(uint32 i = Hash(k) & mask;; i = (i + 1) & mask)
			if(slot[i] == EMPTY) {
				slot[i] = uint64(k) << 32 | v;
				return;
			}
			else if(uint32(slot[i] >> 32) == k)
				return;
	}
	bool Find(uint32 k, uint32& v) const
	{
		if(slot.empty())
			return false;
		for(uint32 i = Hash(k) & mask;; i = (i + 1) & mask) {
			uint64 s = slot[i];
			if(s == EMPTY)
				return false;
			if(uint32(s >> 32) == k) {
				v = uint32(s);
				return true;
			}
		}
	}
};

// Sparse bitmap: one 128-byte page per block of 1024 code points, absent pages are empty.
class sCodeSet {
	std::vector<byte*> page;

public:
	~sCodeSet()
	{
		for(byte* p : page)
			delete[] p;
	}
	void Add(uint32 c)
	{
		uint32 pg = c >> 10;
		if(pg >= page.size())
			page.resize(pg + 1, nullptr);
		if(!page[pg])
			page[pg] = new byte[128]();
		page[pg][(c >> 3) & 127] |= 1 << (c & 7);
	}
	bool Has(int c) const
	{
		uint32 pg = uint32(c) >> 10;
		return c >= 0 && pg < page.size() && page[pg] && (page[pg][(c >> 3) & 127] & (1 << (c & 7)));
	}
};

struct sUnicodeTable {
	sCodeMap decomp;                 // code point -> index into decomp_at
	std::vector<uint32> decomp_at;   // start of each decomposition in chars, then one past the last
	std::vector<wchar>  chars;
	sCodeMap to_upper, to_lower;
	sCodeSet has_upper, has_lower;   // quick misses for the case maps (most text has no case)
	sCodeSet set[5];                 // right-to-left, letters, lower without upper, upper without lower, marks

	sUnicodeTable();
	int Decomposition(int c, const wchar*& s) const;
};

class sReader {
	const byte* p;
	const byte* e;
	uint32 run = 0;

public:
	sReader(const byte* p, const byte* e) : p(p), e(e) {}
	uint32 Get()
	{
		if(p >= e)
			Panic("Unicode table is damaged!");
		uint32 d = *p++;
		if(d == 255) {
			if(e - p < 4)
				Panic("Unicode table is damaged!");
			memcpy(&d, p, 4);
			p += 4;
		}
		return run = run + d - 127;
	}
};

sUnicodeTable::sUnicodeTable()
{
	std::vector<byte> raw(detail::UnicodeDataRawSize);
	if(!sInflate(detail::UnicodeData, detail::UnicodeDataSize, raw.data(), (int)raw.size()))
		Panic("Unicode table is damaged!");
	sReader r(raw.data(), raw.data() + raw.size());
	int a = r.Get();
	int b = r.Get();
	int e = a + b;
	std::vector<uint32> n(4 * size_t(e));
	for(uint32& x : n)
		x = r.Get();
	// Extension records lengthen some decompositions: gather them first, lay out the text once.
	std::vector<std::vector<wchar>> ext(e);
	decomp.Reserve(e);
	for(int i = 0; i < e; i++)
		decomp.Add(n[i], i);
	for(uint32 c; (c = r.Get()) != 0;) {
		uint32 i = 0;
		bool known = decomp.Find(c, i);
		for(uint32 x; (x = r.Get()) != 0;)
			if(known)
				ext[i].push_back(x);
	}
	decomp_at.reserve(e + 1);
	for(int i = 0; i < e; i++) {
		decomp_at.push_back((uint32)chars.size());
		for(int k = 1; k <= 3; k++)
			if(uint32 x = n[size_t(k) * e + i])
				chars.push_back(x);
		chars.insert(chars.end(), ext[i].begin(), ext[i].end());
	}
	decomp_at.push_back((uint32)chars.size());
	int pairs = r.Get();
	std::vector<uint32> lower(pairs);
	for(uint32& x : lower)
		x = r.Get();
	to_upper.Reserve(pairs);
	to_lower.Reserve(pairs);
	for(int i = 0; i < pairs; i++) {
		uint32 up = r.Get();
		to_upper.Add(lower[i], up);
		to_lower.Add(up, lower[i]);
		has_upper.Add(lower[i]);
		has_lower.Add(up);
	}
	for(sCodeSet& s : set)
		for(int k = r.Get(); k > 0; k--)
			s.Add(r.Get());
}

int sUnicodeTable::Decomposition(int c, const wchar*& s) const
{
	uint32 i;
	if(!decomp.Find(c, i))
		return 0;
	s = chars.data() + decomp_at[i];
	return int(decomp_at[i + 1] - decomp_at[i]);
}

const sUnicodeTable& sTable()
{
	static sUnicodeTable t;
	return t;
}

} // namespace

int detail::UnicodeToUpperHi(int c)
{
	const sUnicodeTable& t = sTable();
	uint32 v;
	return t.has_upper.Has(c) && t.to_upper.Find(c, v) ? int(v) : c;
}

int detail::UnicodeToLowerHi(int c)
{
	switch(c) { // upper-case letters that share their lower case with another upper-case letter
	case 0x1E9E: return 0xDF;
	case 0x2126: return 0x3C9;
	case 0x212A: return 0x6B;
	case 0x212B: return 0xE5;
	case 0xA64A: return 0xA64B;
	}
	const sUnicodeTable& t = sTable();
	uint32 v;
	return t.has_lower.Has(c) && t.to_lower.Find(c, v) ? int(v) : c;
}

int detail::UnicodeToAsciiHi(int c)
{
	// Follow the first character down the decomposition chain, so that a letter with two
	// accents (U+1EBF: U+00EA U+0301) still reaches its base letter.
	const sUnicodeTable& t = sTable();
	for(int depth = 0; depth < 8; depth++) {
		if(c >= 32 && c < 128)
			return c;
		if((unsigned)c < 2048)
			return detail::UnicodeAscii800[c];
		const wchar* s;
		if(t.Decomposition(c, s) == 0)
			break;
		c = s[0];
	}
	return 32;
}

bool detail::UnicodeIsLetterHi(int c)
{
	return sTable().set[1].Has(c);
}

bool detail::UnicodeIsLowerHi(int c)
{
	return UnicodeToUpperHi(c) != c || sTable().set[2].Has(c);
}

} // namespace Qel
