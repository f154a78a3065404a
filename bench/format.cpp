// Format against fmt::format and snprintf; the integer scanners against std::from_chars and
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
	int i = 0;
	for(auto _ : state) {
		String s = Format("%d of %s: %2nf", i, name, 3.14159 * i);
		i++;
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(QelFormat);

void FmtFormat(benchmark::State& state)
{
	std::string name("items");
	int i = 0;
	for(auto _ : state) {
		std::string s = fmt::format("{} of {}: {:.2f}", i, name, 3.14159 * i);
		i++;
		benchmark::DoNotOptimize(s);
	}
}
BENCHMARK(FmtFormat);

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
BENCHMARK(Snprintf);

void QelScanInt(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(ScanInt(sInts[i++ & 7]));
}
BENCHMARK(QelScanInt);

void QelScanInt64(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(ScanInt64(sInts[i++ & 7]));
}
BENCHMARK(QelScanInt64);

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
BENCHMARK(FromChars);

void Strtol(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(strtol(sInts[i++ & 7], nullptr, 10));
}
BENCHMARK(Strtol);

void QelReadDouble(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state) {
		CParser p(sDoubles[i++ & 7]);
		benchmark::DoNotOptimize(p.ReadDouble());
	}
}
BENCHMARK(QelReadDouble);

void Strtod(benchmark::State& state)
{
	int i = 0;
	for(auto _ : state)
		benchmark::DoNotOptimize(strtod(sDoubles[i++ & 7], nullptr));
}
BENCHMARK(Strtod);

} // namespace
