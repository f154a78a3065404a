// UTF-8 <-> UTF-32, windows-1250 <-> Unicode and case mapping: Qel against glibc iconv and ICU.
#include <Core/Core.h>

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <random>
#include <string>
#include <vector>

using namespace Qel;

namespace {

constexpr int TEXT_SIZE = 64 * 1024;

std::string Repeat(const char* piece)
{
	std::string s;
	while(s.size() < TEXT_SIZE)
		s += piece;
	return s;
}

const std::string& Text(int kind)
{
	static std::string t[5];
	if(t[kind].empty())
		switch(kind) {
		case 0: t[0] = Repeat("The quick brown fox jumps over the lazy dog; 0123456789 (ASCII text).\n"); break;
		case 1: t[1] = Repeat("P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88 "
		                      "\xC3\xBAp\xC4\x9Bl \xC4\x8F\xC3\xA1" "belsk\xC3\xA9 \xC3\xB3" "dy, a to je \xC4\x8D" "esky.\n"); break;
		case 2: t[2] = Repeat("\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
		                      "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
		                      "\xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA.\n"); break;
		case 3: t[3] = Repeat("\xE6\xB0\xB8\xE5\x92\x8C\xE4\xB9\x9D\xE5\xB9\xB4\xEF\xBC\x8C\xE5\xB2\x81\xE5\x9C\xA8"
		                      "\xE7\x99\xB8\xE4\xB8\x91\xEF\xBC\x8C\xE6\x9A\xAE\xE6\x98\xA5\xE4\xB9\x8B\xE5\x88\x9D\xE3\x80\x82"); break;
		case 4: {
			std::mt19937 rng(7);
			t[4].resize(TEXT_SIZE);
			for(char& c : t[4])
				c = (char)rng();
			break;
		}
		}
	return t[kind];
}

const char* KindName(int kind)
{
	static const char* n[] = {"ascii", "czech", "cyrillic", "cjk", "random"};
	return n[kind];
}

// iconv that skips a byte it cannot read, as a caller converting arbitrary input has to.
size_t IconvRun(iconv_t cd, const char* s, size_t n, char* out, size_t outsize)
{
	iconv(cd, nullptr, nullptr, nullptr, nullptr);
	char* ip = (char*)s;
	char* op = out;
	size_t ol = outsize;
	while(n) {
		if(iconv(cd, &ip, &n, &op, &ol) != (size_t)-1)
			break;
		if(errno != EILSEQ && errno != EINVAL)
			break;
		ip++;
		n--;
	}
	return outsize - ol;
}

void SetBytes(benchmark::State& state, size_t n)
{
	state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

void Qel_Utf8ToUtf32(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	for(auto _ : state) {
		WString w = ToUtf32(s.data(), (int)s.size());
		benchmark::DoNotOptimize(w.Begin());
	}
	SetBytes(state, s.size());
}

void Iconv_Utf8ToUtf32(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
	std::vector<wchar> out(s.size() + 16);
	for(auto _ : state)
		benchmark::DoNotOptimize(IconvRun(cd, s.data(), s.size(), (char*)out.data(), out.size() * 4));
	iconv_close(cd);
	SetBytes(state, s.size());
}

void Icu_Utf8ToUtf32(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	std::vector<UChar32> out(s.size() + 16);
	const uint8_t* p = (const uint8_t*)s.data();
	int32_t len = (int32_t)s.size();
	for(auto _ : state) {
		int32_t i = 0, k = 0;
		while(i < len) {
			UChar32 c;
			U8_NEXT(p, i, len, c);
			out[k++] = c;
		}
		benchmark::DoNotOptimize(out.data());
	}
	SetBytes(state, s.size());
}

// The code points every encoder gets: what a strict decoder reads from the text.
std::vector<UChar32> CodePoints(const std::string& s)
{
	std::vector<UChar32> w;
	const uint8_t* p = (const uint8_t*)s.data();
	for(int32_t i = 0, len = (int32_t)s.size(); i < len;) {
		UChar32 c;
		U8_NEXT(p, i, len, c);
		if(c >= 0)
			w.push_back(c);
	}
	return w;
}

void Qel_Utf32ToUtf8(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	std::vector<UChar32> cp = CodePoints(s);
	WString w((const wchar*)cp.data(), (int)cp.size());
	for(auto _ : state) {
		String u = ToUtf8(w);
		benchmark::DoNotOptimize(u.Begin());
	}
	SetBytes(state, s.size());
}

void Iconv_Utf32ToUtf8(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	std::vector<UChar32> w = CodePoints(s);
	iconv_t cd = iconv_open("UTF-8", "UTF-32LE");
	std::vector<char> out(w.size() * 4 + 16);
	for(auto _ : state)
		benchmark::DoNotOptimize(IconvRun(cd, (const char*)w.data(), w.size() * 4, out.data(), out.size()));
	iconv_close(cd);
	SetBytes(state, s.size());
}

void Icu_Utf32ToUtf8(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	std::vector<UChar32> w = CodePoints(s);
	std::vector<uint8_t> out(w.size() * 4 + 16);
	for(auto _ : state) {
		int32_t k = 0;
		for(UChar32 c : w)
			U8_APPEND_UNSAFE(out.data(), k, c);
		benchmark::DoNotOptimize(out.data());
	}
	SetBytes(state, s.size());
}

const std::string& Text1250()
{
	static std::string t;
	if(t.empty()) {
		String w = ToCharset(CharsetByName("windows-1250"), String(Text(1).data(), (int)Text(1).size()), CHARSET_UTF8);
		t.assign(w.Begin(), w.GetLength());
	}
	return t;
}

void Qel_Win1250ToUnicode(benchmark::State& state)
{
	const std::string& s = Text1250();
	for(auto _ : state) {
		WString w = ToUnicode(s.data(), (int)s.size(), 15);
		benchmark::DoNotOptimize(w.Begin());
	}
	SetBytes(state, s.size());
}

void Iconv_Win1250ToUnicode(benchmark::State& state)
{
	const std::string& s = Text1250();
	iconv_t cd = iconv_open("UTF-32LE", "CP1250");
	std::vector<wchar> out(s.size() + 16);
	for(auto _ : state)
		benchmark::DoNotOptimize(IconvRun(cd, s.data(), s.size(), (char*)out.data(), out.size() * 4));
	iconv_close(cd);
	SetBytes(state, s.size());
}

void Qel_UnicodeToWin1250(benchmark::State& state)
{
	WString w = ToUnicode(Text1250().data(), (int)Text1250().size(), 15);
	for(auto _ : state) {
		String s = FromUnicode(w, 15);
		benchmark::DoNotOptimize(s.Begin());
	}
	SetBytes(state, w.GetLength());
}

void Iconv_UnicodeToWin1250(benchmark::State& state)
{
	WString w = ToUnicode(Text1250().data(), (int)Text1250().size(), 15);
	iconv_t cd = iconv_open("CP1250", "UTF-32LE");
	std::vector<char> out(w.GetLength() + 16);
	for(auto _ : state)
		benchmark::DoNotOptimize(IconvRun(cd, (const char*)w.Begin(), w.GetLength() * 4, out.data(), out.size()));
	iconv_close(cd);
	SetBytes(state, w.GetLength());
}

void Qel_ToUpper(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	WString w = ToUtf32(s.data(), (int)s.size());
	for(auto _ : state) {
		WString u = ToUpper(w);
		benchmark::DoNotOptimize(u.Begin());
	}
	SetBytes(state, w.GetLength());
}

void Icu_ToUpper(benchmark::State& state)
{
	const std::string& s = Text(state.range(0));
	state.SetLabel(KindName(state.range(0)));
	WString w = ToUtf32(s.data(), (int)s.size());
	std::vector<UChar32> out(w.GetLength());
	for(auto _ : state) {
		for(int i = 0; i < w.GetLength(); i++)
			out[i] = u_toupper(w[i]);
		benchmark::DoNotOptimize(out.data());
	}
	SetBytes(state, w.GetLength());
}

} // namespace

#define TEXTS ->DenseRange(0, 4)
BENCHMARK(Qel_Utf8ToUtf32)->Name("Utf8ToUtf32/Qel") TEXTS;
BENCHMARK(Iconv_Utf8ToUtf32)->Name("Utf8ToUtf32/iconv") TEXTS;
BENCHMARK(Icu_Utf8ToUtf32)->Name("Utf8ToUtf32/icu") TEXTS;
BENCHMARK(Qel_Utf32ToUtf8)->Name("Utf32ToUtf8/Qel") TEXTS;
BENCHMARK(Iconv_Utf32ToUtf8)->Name("Utf32ToUtf8/iconv") TEXTS;
BENCHMARK(Icu_Utf32ToUtf8)->Name("Utf32ToUtf8/icu") TEXTS;
BENCHMARK(Qel_Win1250ToUnicode)->Name("Win1250ToUnicode/Qel");
BENCHMARK(Iconv_Win1250ToUnicode)->Name("Win1250ToUnicode/iconv");
BENCHMARK(Qel_UnicodeToWin1250)->Name("UnicodeToWin1250/Qel");
BENCHMARK(Iconv_UnicodeToWin1250)->Name("UnicodeToWin1250/iconv");
BENCHMARK(Qel_ToUpper)->Name("ToUpper/Qel")->DenseRange(0, 3);
BENCHMARK(Icu_ToUpper)->Name("ToUpper/icu")->DenseRange(0, 3);
