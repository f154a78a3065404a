#include "Split.h"

namespace Qel {

namespace {

template <class Sep>
Vector<String> sSplit(int maxcount, const char* text, bool ignoreempty, Sep sep)
{
	Vector<String> r;
	if(maxcount <= 0)
		return r;
	r.Reserve(min(maxcount, 8));
	if(!text)
		text = "";
	const char* p = text;
	for(const char* q = text;; q++) {
		int c = (byte)*q;
		if(c == 0) {
			if(!(ignoreempty && q == p) && r.GetCount() < maxcount)
				r.Add(String(p, int(q - p)));
			return r;
		}
		if(r.GetCount() >= maxcount)
			return r;
		if(sep(c)) {
			if(!(ignoreempty && q == p))
				r.Add(String(p, int(q - p)));
			p = q + 1;
		}
	}
}

} // namespace

Vector<String> Split(int maxcount, int (*filter)(int), const char* text, bool ignoreempty)
{
	return sSplit(maxcount, text, ignoreempty, [filter](int c) { return filter(c) != 0; });
}

Vector<String> Split(int maxcount, int chr, const char* text, bool ignoreempty)
{
	// a separator given as a plain char may arrive sign-extended ('\xA0' is -96)
	int sep = byte(chr);
	return sSplit(maxcount, text, ignoreempty, [sep](int c) { return c == sep; });
}

Vector<String> Split(const char* text, int chr, bool ignoreempty)
{
	return Split(0x7fffffff, chr, text, ignoreempty);
}

Vector<String> Split(const char* text, int (*filter)(int), bool ignoreempty)
{
	return Split(0x7fffffff, filter, text, ignoreempty);
}

String Join(const Vector<String>& parts, const String& delim, bool ignoreempty)
{
	StringBuffer r;
	bool first = true;
	for(const String& s : parts) {
		if(ignoreempty && s.IsEmpty())
			continue;
		if(!first)
			r.Cat(delim);
		r.Cat(s);
		first = false;
	}
	return String(r);
}

String Filter(const char* text, int (*filter)(int))
{
	StringBuffer r;
	for(const byte* s = (const byte*)text; s && *s; s++)
		if(int c = filter(*s))
			r.Cat(c);
	return String(r);
}

int CharFilterUnicode(int c)
{
	return c >= 32 && c <= 0x10FFFE ? c : 0;
}

} // namespace Qel
