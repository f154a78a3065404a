// String and StringBuffer: construction, copy, append, comparison and hashing. The std::string
// side is string_peer.cpp.
#include "StringCases.h"

#include <Core/Core.h>

#include <cstring>

using namespace Qel;
using namespace bench;

namespace {

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

void Hash_String(benchmark::State& state)
{
	String s(Text((int)state.range(0)));
	for(auto _ : state) {
		benchmark::DoNotOptimize(s);
		hash_t h = s.GetHashValue();
		benchmark::DoNotOptimize(h);
	}
}

} // namespace

BENCHMARK_TEMPLATE(Construct, String)->Name("Construct/Qel")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(Copy, String)->Name("Copy/Qel")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(AppendChar, String)->Name("AppendChar/Qel")->Arg(10)->Arg(1000);
BENCHMARK(AppendChar_StringBuffer)->Name("AppendChar/QelStringBuffer")->Arg(10)->Arg(1000);
BENCHMARK_TEMPLATE(AppendText, String)->Name("AppendText/Qel")->Arg(100);
BENCHMARK(Adopt_StringBuffer)->Name("Adopt/QelStringBuffer")->Arg(100000)->Arg(1000000);
BENCHMARK_TEMPLATE(Equal, String)->Name("Equal/Qel")->Arg(10)->Arg(25)->Arg(100);
BENCHMARK_TEMPLATE(Less, String)->Name("Less/Qel")->Arg(10)->Arg(100);
BENCHMARK(Hash_String)->Name("Hash/Qel")->Arg(10)->Arg(25)->Arg(100);
