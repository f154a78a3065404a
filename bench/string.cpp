// String against std::string: construction, copy, append, comparison and hashing.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <string>

using namespace Qel;

namespace {

// std::string over the C library's allocator: the peer as an ordinary program has it (in this
// program the global new and delete may be the framework's own heap).
template <class T>
struct MallocAllocator {
	using value_type = T;
	MallocAllocator() = default;
	template <class U>
	MallocAllocator(const MallocAllocator<U>&) {}
	T* allocate(size_t n) { return (T*)malloc(n * sizeof(T)); }
	void deallocate(T* p, size_t) { free(p); }
	bool operator==(const MallocAllocator&) const { return true; }
};

using MallocString = std::basic_string<char, std::char_traits<char>, MallocAllocator<char>>;

const char* Text(int len)
{
	static char text[1024];
	for(int i = 0; i < 1023; i++)
		text[i] = (char)('a' + i * 7 % 26);
	return text + 1023 - len; // a zero-terminated tail of the requested length
}

template <class S>
void Construct(benchmark::State& state)
{
	const char* t = Text((int)state.range(0));
	for(auto _ : state) {
		S s(t);
		benchmark::DoNotOptimize(s);
	}
}

template <class S>
void Copy(benchmark::State& state)
{
	S src(Text((int)state.range(0)));
	for(auto _ : state) {
		benchmark::DoNotOptimize(src);
		S s(src);
		benchmark::DoNotOptimize(s);
	}
}

template <class S>
void AppendChar(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		S s;
		for(int i = 0; i < n; i++)
			s += (char)('a' + (i & 15));
		benchmark::DoNotOptimize(s);
	}
}

template <class S>
void AppendText(benchmark::State& state)
{
	int n = (int)state.range(0);
	const char* word = "word, ";
	for(auto _ : state) {
		S s;
		for(int i = 0; i < n; i++)
			s += word;
		benchmark::DoNotOptimize(s);
	}
}

void AppendChar_StringBuffer(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		StringBuffer b;
		for(int i = 0; i < n; i++)
			b.Cat((char)('a' + (i & 15)));
		String s = b;
		benchmark::DoNotOptimize(s);
	}
}

// A buffer grown past its final length and handed over as the result (as streams do).
void Adopt_StringBuffer(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		StringBuffer b;
		b.SetLength(n * 2);
		memset(b.Begin(), 'x', (size_t)n);
		b.SetLength(n);
		String s = b;
		benchmark::DoNotOptimize(s);
	}
}

void Adopt_std(benchmark::State& state)
{
	int n = (int)state.range(0);
	for(auto _ : state) {
		std::string s;
		s.reserve((size_t)n * 2);
		s.resize((size_t)n);
		memset(s.data(), 'x', (size_t)n);
		s.shrink_to_fit();
		benchmark::DoNotOptimize(s);
	}
}

template <class S>
void Equal(benchmark::State& state)
{
	int n = (int)state.range(0);
	S a(Text(n)), b(Text(n));
	for(auto _ : state) {
		benchmark::DoNotOptimize(a);
		benchmark::DoNotOptimize(b);
		bool eq = a == b;
		benchmark::DoNotOptimize(eq);
	}
}

template <class S>
void Less(benchmark::State& state)
{
	int n = (int)state.range(0);
	S a(Text(n)), b(Text(n));
	b += 'x';
	for(auto _ : state) {
		benchmark::DoNotOptimize(a);
		benchmark::DoNotOptimize(b);
		bool lt = a < b;
		benchmark::DoNotOptimize(lt);
	}
}

void Hash_String(benchmark::State& state)
{
	String s(Text((int)state.range(0)));
	for(auto _ : state) {
		benchmark::DoNotOptimize(s);
		hash_t h = s.GetHashValue();
		benchmark::DoNotOptimize(h);
	}
}

void Hash_std(benchmark::State& state)
{
	std::string s(Text((int)state.range(0)));
	for(auto _ : state) {
		benchmark::DoNotOptimize(s);
		size_t h = std::hash<std::string>()(s);
		benchmark::DoNotOptimize(h);
	}
}

} // namespace

#define BOTH(fn, ...) \
	BENCHMARK_TEMPLATE(fn, String)->Name(#fn "/String")->__VA_ARGS__; \
	BENCHMARK_TEMPLATE(fn, std::string)->Name(#fn "/std")->__VA_ARGS__;

BOTH(Construct, Arg(10)->Arg(25)->Arg(100))
BOTH(Copy, Arg(10)->Arg(25)->Arg(100))
BENCHMARK_TEMPLATE(Copy, MallocString)->Name("Copy/std_malloc")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(Construct, MallocString)->Name("Construct/std_malloc")->Arg(10)->Arg(25)->Arg(100);
BOTH(AppendChar, Arg(10)->Arg(1000))
BENCHMARK(AppendChar_StringBuffer)->Arg(10)->Arg(1000);
BOTH(AppendText, Arg(100))
BENCHMARK(Adopt_StringBuffer)->Arg(100000)->Arg(1000000);
BENCHMARK(Adopt_std)->Arg(100000)->Arg(1000000);
BOTH(Equal, Arg(10)->Arg(25)->Arg(100))
BOTH(Less, Arg(10)->Arg(100))
BENCHMARK(Hash_String)->Arg(10)->Arg(25)->Arg(100);
BENCHMARK(Hash_std)->Arg(10)->Arg(25)->Arg(100);
