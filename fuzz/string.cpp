// Differential fuzzing of String and StringBuffer: the input is a program of operations run on
// a few String slots and one StringBuffer, each mirrored on std::string; after every step the
// texts, the storage invariants, equality, ordering and hashing must agree.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Qel;

namespace {

struct Input {
	const uint8_t* p;
	size_t n;

	bool More() const { return n > 0; }
	int Byte()
	{
		if(!n)
			return 0;
		n--;
		return *p++;
	}
	int Int(int limit) { return limit > 0 ? (Byte() | Byte() << 8) % limit : 0; }
	std::string Text()
	{
		int len = Byte();
		len = len < 200 ? len % 40 : (len - 200) * 8; // mostly short, sometimes a few hundred
		std::string s;
		for(int i = 0; i < len; i++)
			s += (char)("ab\xe9 \t\0xyz"[Byte() & 7]);
		return s;
	}
};

void Fail(const char* what, int slot)
{
	fprintf(stderr, "mismatch: %s (slot %d)\n", what, slot);
	abort();
}

std::string Std(const String& s)
{
	return std::string(s.Begin(), (size_t)s.GetLength());
}

void Check(const String& s, const std::string& r, int slot)
{
	if(s.GetLength() != (int)r.size() || Std(s) != r)
		Fail("text", slot);
	if(s.Begin()[s.GetLength()] != 0)
		Fail("terminator", slot);
	byte raw[16];
	memcpy(raw, (const void*)&s, 16);
	if(raw[14] == 0) {
		if(raw[15] != r.size())
			Fail("small length", slot);
		for(size_t i = r.size(); i < 15; i++)
			if(raw[i])
				Fail("zero fill", slot);
	}
	else if(raw[15] != 15 || s.GetAlloc() < s.GetLength())
		Fail("out-of-line form", slot);
	hash_t h = s.GetHashValue();
	if(r.size() > 14 ? h != MemoryHash(r.data(), r.size()) : h != String(r.data(), (int)r.size()).GetHashValue())
		Fail("hash", slot);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	const int N = 4;
	String s[N];
	std::string r[N];
	StringBuffer b;
	std::string rb;
	Input in{data, size};
	while(in.More()) {
		int op = in.Byte();
		int i = op % N, j = (op >> 2) % N;
		int len = (int)r[i].size();
		switch(in.Byte() % 20) {
		case 0: {
			int c = in.Byte();
			s[i].Cat(c);
			r[i] += (char)c;
			break;
		}
		case 1: {
			std::string t = in.Text();
			s[i].Cat(t.data(), (int)t.size());
			r[i] += t;
			break;
		}
		case 2: // j may be i: appending a String to itself
			s[i].Cat(s[j]);
			r[i] += std::string(r[j]);
			break;
		case 3: {
			int pos = in.Int(len + 1);
			std::string t = in.Text();
			if(in.Byte() & 1) { // insert a piece of the String's own text
				int from = in.Int(len + 1);
				int cnt = in.Int(len - from + 1);
				t = r[i].substr(from, cnt);
				s[i].Insert(pos, s[i].Begin() + from, cnt);
			}
			else
				s[i].Insert(pos, t.data(), (int)t.size());
			r[i].insert(pos, t);
			break;
		}
		case 4: {
			int pos = in.Int(len + 1);
			int cnt = in.Int(len - pos + 1);
			s[i].Remove(pos, cnt);
			r[i].erase(pos, cnt);
			break;
		}
		case 5: {
			int n = in.Int(len + 1);
			s[i].Trim(n);
			r[i].resize(n);
			break;
		}
		case 6: {
			int from = in.Int(len + 1);
			int cnt = in.Int(len - from + 1);
			s[i].Set(s[i].Begin() + from, cnt); // assign a part of its own text
			r[i] = r[i].substr(from, cnt);
			break;
		}
		case 7:
			s[i] = s[j];
			r[i] = r[j];
			break;
		case 8: {
			int pos = in.Int(len + 8) - 4;
			int cnt = in.Int(len + 8) - 4;
			String m = s[i].Mid(pos, cnt);
			int p = pos < 0 ? 0 : pos > len ? len : pos;
			int c = cnt < 0 ? 0 : cnt > len - p ? len - p : cnt;
			Check(m, r[i].substr(p, c), i);
			break;
		}
		case 9: {
			std::string pat = in.Text().substr(0, 3), rep = in.Text();
			s[i].Replace(String(pat.data(), (int)pat.size()), String(rep.data(), (int)rep.size()));
			if(!pat.empty()) {
				std::string out;
				size_t from = 0, q;
				while((q = r[i].find(pat, from)) != std::string::npos) {
					out.append(r[i], from, q - from);
					out += rep;
					from = q + pat.size();
				}
				out.append(r[i], from, std::string::npos);
				r[i] = out;
			}
			break;
		}
		case 10:
			switch(in.Byte() % 4) {
			case 0: s[i].Reserve(in.Int(300)); break;
			case 1: s[i].Shrink(); break;
			case 2: s[i].SetVoid(); r[i].clear(); break;
			default: s[i].Clear(); r[i].clear(); break;
			}
			break;
		case 11:
			if(len) {
				int k = in.Int(len), c = in.Byte();
				s[i].Set(k, c);
				r[i][k] = (char)c;
			}
			break;
		case 12: {
			std::string t = in.Text();
			b.Cat(t.data(), (int)t.size());
			rb += t;
			int c = in.Byte();
			int count = in.Byte() % 3 ? 1 : 300;
			b.Cat(c, count);
			rb.append(count, (char)c);
			break;
		}
		case 13:
			if(in.Byte() & 1) { // buffer into a String
				s[i] = b;
				r[i] = rb;
				rb.clear();
			}
			else {
				StringBuffer t(s[i]); // a String into a buffer and back
				t.Cat(r[j].data(), (int)r[j].size());
				r[i] += r[j];
				s[i] = t;
			}
			break;
		case 14: {
			int n = in.Int(600);
			int old = b.GetLength();
			b.SetLength(n);
			if(n > old)
				memset(b.Begin() + old, 'k', n - old);
			rb.resize(n, 'k');
			break;
		}
		case 15: {
			int c = in.Byte(), count = in.Int(40);
			if(in.Byte() & 1) {
				s[i].Cat(c, count);
				r[i].append(count, (char)c);
			}
			else {
				int pos = in.Int(len + 1);
				s[i].Insert(pos, c);
				r[i].insert(r[i].begin() + pos, (char)c);
			}
			break;
		}
		case 16: {
			std::string t = in.Text().substr(0, 2);
			size_t q = r[i].rfind(t);
			if(s[i].ReverseFind(String(t.data(), (int)t.size())) != (q == std::string::npos ? -1 : (int)q))
				Fail("ReverseFind", i);
			int c = t.empty() ? 'a' : t[0];
			q = r[i].rfind((char)c);
			if(s[i].ReverseFind(c) != (q == std::string::npos ? -1 : (int)q))
				Fail("ReverseFind char", i);
			bool ew = r[i].size() >= t.size() && r[i].compare(r[i].size() - t.size(), t.size(), t) == 0;
			if(s[i].EndsWith(t.data(), (int)t.size()) != ew)
				Fail("EndsWith", i);
			break;
		}
		case 17: {
			auto white = [](char c) { return c == ' ' || (c >= 9 && c <= 13); };
			size_t b = 0, e = r[i].size();
			while(b < e && white(r[i][b]))
				b++;
			while(e > b && white(r[i][e - 1]))
				e--;
			size_t e2 = r[i].size();
			while(e2 > 0 && white(r[i][e2 - 1]))
				e2--;
			Check(TrimBoth(s[i]), r[i].substr(b, e - b), i);
			Check(TrimLeft(s[i]), r[i].substr(b), i);
			Check(TrimRight(s[i]), r[i].substr(0, e2), i);
			break;
		}
		case 18:
			Check(s[i] + s[j], r[i] + r[j], i);
			s[i] = s[i] + s[j];
			r[i] += std::string(r[j]);
			break;
		default: {
			std::string t = in.Text().substr(0, 2);
			int from = in.Int(len + 2);
			size_t q = r[i].find(t, from);
			int want = q == std::string::npos ? -1 : (int)q;
			if(from > len)
				want = -1;
			if(s[i].Find(t.c_str(), (int)t.size(), from) != want)
				Fail("Find", i);
			bool sw = r[i].compare(0, t.size(), t) == 0 && r[i].size() >= t.size();
			if(s[i].StartsWith(t.data(), (int)t.size()) != sw)
				Fail("StartsWith", i);
			break;
		}
		}
		for(int k = 0; k < N; k++) {
			Check(s[k], r[k], k);
			if(r[k].size() > 20000) { // self-appends double the text: keep the run quick
				s[k].Clear();
				r[k].clear();
			}
		}
		if(b.GetLength() != (int)rb.size() || std::string(b.Begin(), rb.size()) != rb)
			Fail("buffer", -1);
		if(rb.size() > 20000) {
			b.Clear();
			rb.clear();
		}
		int c = s[i].Compare(s[j]), rc = r[i].compare(r[j]);
		if(c != (rc < 0 ? -1 : rc > 0 ? 1 : 0))
			Fail("Compare", i);
		if((s[i] == s[j]) != (r[i] == r[j]) || s[i].IsEqual(s[j]) != (r[i] == r[j]))
			Fail("equality", i);
	}
	return 0;
}
