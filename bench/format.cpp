// Format against snprintf (fmt::format, which allocates, is in format_peer.cpp); the integer scanners against std::from_chars and
// strtol; CParser::ReadDouble against strtod.
#include <Core/Core.h>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Qel;

namespace {

const char* const sInts[] = { "7", "-42", "123456", "2147483647", "-99887766", "31415", "0", "65536" };
const char* const sDoubles[] = { "3.14159", "-0.000123", "6.02214076e23", "42", "1e-300", "2.5", "123456.789", "-7.25e-5" };

void QelFormat(benchmark::State& state)
{
	String name("items");
	// The texts are meant to agree with fmt's: checked over the first values timed.
	for(int i = 0; i < 10000; i++) {
		char b[64];
		*fmt::format_to(b, "{} of {}: {:.2f}", i, "items", 3.14159 * i) = 0;
		String s = Format("%d of %s: %.2f", i, name, 3.14159 * i);
		if(s != b) {
			state.SkipWithError(~("differs from fmt: " + s + " / " + b));
			return;
		}
	}
	int i = 0;
	for(auto _ : state) {
		String s = Format("%d of %s: %.2f", i, name, 3.14159 * i);
		i++;
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(QelFormat)->Name("Format/Qel");

void Snprintf(benchmark::State& state)
{
	const char* name = "items";
	int i = 0;
	for(auto _ : state) {
		char b[64];
		int n = snprintf(b, sizeof(b), "%d of %s: %.2f", i, name, 3.14159 * i);
		i++;
		benchmark::DoNotOptimize(n);
		benchmark::DoNotOptimize(b);
	}
}
BENCHMARK(Snprintf)->Name("Format/snprintf");

void QelScanInt(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(ScanInt(sInts[i++ & 7]));
}
BENCHMARK(QelScanInt)->Name("ScanInt/Qel");

void QelScanInt64(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(ScanInt64(sInts[i++ & 7]));
}
BENCHMARK(QelScanInt64)->Name("ScanInt/QelInt64");

void FromChars(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state) {
		const char* s = sInts[i++ & 7];
		int v = 0;
		std::from_chars(s, s + strlen(s), v);
		benchmark::DoNotOptimize(v);
	}
}
BENCHMARK(FromChars)->Name("ScanInt/from_chars");

void Strtol(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(strtol(sInts[i++ & 7], nullptr, 10));
}
BENCHMARK(Strtol)->Name("ScanInt/strtol");

void QelReadDouble(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state) {
		CParser p(sDoubles[i++ & 7]);
		benchmark::DoNotOptimize(p.ReadDouble());
	}
}
BENCHMARK(QelReadDouble)->Name("ReadDouble/Qel");

void Strtod(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(strtod(sDoubles[i++ & 7], nullptr));
}
BENCHMARK(Strtod)->Name("ReadDouble/strtod");

} // namespace
