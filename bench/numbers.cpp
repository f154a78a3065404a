// Number text: Qel's formatter and scanner beside snprintf/strtod, std::to_chars/from_chars and fmt.
#include "BenchData.h"

#include <Core/text/FormatDouble.h>
#include <Core/text/FormatInt.h>
#include <Core/value/Value.h>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <variant>
#include <vector>

using namespace Qel;
using namespace bench;

namespace {

constexpr int N = 1024;

const std::vector<std::string>& Texts()
{
	static std::vector<std::string> v = [] {
		std::vector<std::string> r;
		char h[64];
		int i = 0;
		for(double x : Weights()) {
			snprintf(h, sizeof(h), i++ % 2 ? "%.2f" : "%.15g", x);
			r.push_back(h);
		}
		return r;
	}();
	return v;
}

const std::vector<int64>& Integers()
{
	static std::vector<int64> v = [] {
		std::mt19937_64 rng(2);
		std::vector<int64> r;
		for(int i = 0; i < N; i++)
			r.push_back(int64(rng() >> (rng() % 64)) * (i % 2 ? 1 : -1));
		return r;
	}();
	return v;
}

template <class F>
void Run(benchmark::State& state, F f)
{
	const auto& v = Weights();
	char h[600];
	for(auto _ : state)
		for(double x : v) {
			char* e = f(h, x);
			benchmark::DoNotOptimize(e);
		}
	state.SetItemsProcessed(state.iterations() * v.size());
}

void General_Qel(benchmark::State& s)      { Run(s, [](char* h, double x) { return FormatDoubleGBuffer(h, x); }); }
void General_snprintf(benchmark::State& s) { Run(s, [](char* h, double x) { return h + snprintf(h, 64, "%.15g", x); }); }
void General_to_chars(benchmark::State& s) { Run(s, [](char* h, double x) { return std::to_chars(h, h + 64, x, std::chars_format::general, 15).ptr; }); }
void General_fmt(benchmark::State& s)      { Run(s, [](char* h, double x) { return fmt::format_to(h, "{:.15g}", x); }); }

char* QelFix2(char* h, double x) { return FormatDoubleFixBuffer(h, 2, DF_KEEP_ZEROS | DF_ALWAYS_POINT | DF_ZEROS_BEFORE_EXP(2), x); }

// The fixed form claims printf's output: checked over the values timed.
void Fix2_Qel(benchmark::State& s)
{
	char a[600], b[64];
	for(double x : Weights()) {
		*QelFix2(a, x) = 0;
		snprintf(b, sizeof(b), "%.2f", x);
		if(strcmp(a, b) != 0) {
			s.SkipWithError(("differs from snprintf: " + std::string(a) + " / " + b).c_str());
			return;
		}
	}
	Run(s, QelFix2);
}
void Fix2_snprintf(benchmark::State& s)    { Run(s, [](char* h, double x) { return h + snprintf(h, 64, "%.2f", x); }); }
void Fix2_to_chars(benchmark::State& s)    { Run(s, [](char* h, double x) { return std::to_chars(h, h + 64, x, std::chars_format::fixed, 2).ptr; }); }
void Fix2_fmt(benchmark::State& s)         { Run(s, [](char* h, double x) { return fmt::format_to(h, "{:.2f}", x); }); }

template <class F>
void RunScan(benchmark::State& state, F f)
{
	const auto& v = Texts();
	for(auto _ : state)
		for(const std::string& t : v)
			benchmark::DoNotOptimize(f(t));
	state.SetItemsProcessed(state.iterations() * v.size());
}

void Scan_Qel(benchmark::State& s)        { RunScan(s, [](const std::string& t) { return ScanDouble(t.c_str()); }); }
void Scan_strtod(benchmark::State& s)     { RunScan(s, [](const std::string& t) { return strtod(t.c_str(), nullptr); }); }
void Scan_from_chars(benchmark::State& s)
{
	RunScan(s, [](const std::string& t) { double x; std::from_chars(t.data(), t.data() + t.size(), x); return x; });
}

template <class F>
void RunInt(benchmark::State& state, F f)
{
	const auto& v = Integers();
	char h[32];
	for(auto _ : state)
		for(int64 x : v)
			benchmark::DoNotOptimize(f(h, x));
	state.SetItemsProcessed(state.iterations() * v.size());
}

char* QelInt64(char* h, int64 x)
{
	if(x < 0) {
		*h++ = '-';
		return h + FormatUnsigned64Digits(0 - uint64(x), h);
	}
	return h + FormatUnsigned64Digits(uint64(x), h);
}

void Int64_Qel(benchmark::State& s)      { RunInt(s, QelInt64); }
void Int64_to_chars(benchmark::State& s) { RunInt(s, [](char* h, int64 x) { return std::to_chars(h, h + 32, x).ptr; }); }
void Int32_Qel(benchmark::State& s)      { RunInt(s, [](char* h, int64 x) { return h + FormatUnsignedDigits(dword(x), h); }); }
void Int32_to_chars(benchmark::State& s) { RunInt(s, [](char* h, int64 x) { return std::to_chars(h, h + 32, dword(x)).ptr; }); }

// Value: building, copying and comparing a mix of ints, doubles and short texts (std::variant in
// numbers_peer.cpp).

void ValueConstruct_Qel(benchmark::State& state)
{
	const auto& w = Weights();
	for(auto _ : state)
		for(int i = 0; i < N; i++) {
			Value v = i % 3 == 0 ? Value(i) : i % 3 == 1 ? Value(w[i]) : Value("short text");
			benchmark::DoNotOptimize(v);
		}
	state.SetItemsProcessed(state.iterations() * N);
}

template <class T, class Make>
std::vector<T> Mix(Make make)
{
	std::vector<T> r;
	for(int i = 0; i < N; i++)
		r.push_back(make(i));
	return r;
}

const std::vector<Value>& QelMix()
{
	static std::vector<Value> v = Mix<Value>([](int i) {
		return i % 3 == 0 ? Value(i % 100) : i % 3 == 1 ? Value(double(i % 100)) : Value(i % 2 ? "text" : "other text");
	});
	return v;
}

void ValueCopy_Qel(benchmark::State& state)
{
	const auto& src = QelMix();
	for(auto _ : state) {
		std::vector<Value> c = src;
		benchmark::DoNotOptimize(c.data());
	}
	state.SetItemsProcessed(state.iterations() * N);
}

void ValueEqual_Qel(benchmark::State& state)
{
	const auto& v = QelMix();
	for(auto _ : state) {
		int n = 0;
		for(int i = 1; i < N; i++)
			n += v[i] == v[i - 3 > 0 ? i - 3 : 0];
		benchmark::DoNotOptimize(n);
	}
	state.SetItemsProcessed(state.iterations() * (N - 1));
}

void ValueCompare_Qel(benchmark::State& state)
{
	const auto& v = QelMix();
	for(auto _ : state) {
		int n = 0;
		for(int i = 3; i < N; i++)
			n += v[i].Compare(v[i - 3]);
		benchmark::DoNotOptimize(n);
	}
	state.SetItemsProcessed(state.iterations() * (N - 3));
}

} // namespace

BENCHMARK(General_Qel)->Name("FormatG15/Qel");
BENCHMARK(General_snprintf)->Name("FormatG15/snprintf");
BENCHMARK(General_to_chars)->Name("FormatG15/to_chars");
BENCHMARK(General_fmt)->Name("FormatG15/fmt");
BENCHMARK(Fix2_Qel)->Name("FormatFix2/Qel");
BENCHMARK(Fix2_snprintf)->Name("FormatFix2/snprintf");
BENCHMARK(Fix2_to_chars)->Name("FormatFix2/to_chars");
BENCHMARK(Fix2_fmt)->Name("FormatFix2/fmt");
BENCHMARK(Scan_Qel)->Name("ScanDouble/Qel");
BENCHMARK(Scan_strtod)->Name("ScanDouble/strtod");
BENCHMARK(Scan_from_chars)->Name("ScanDouble/from_chars");
BENCHMARK(Int64_Qel)->Name("FormatInt64/Qel");
BENCHMARK(Int64_to_chars)->Name("FormatInt64/to_chars");
BENCHMARK(Int32_Qel)->Name("FormatInt32/Qel");
BENCHMARK(Int32_to_chars)->Name("FormatInt32/to_chars");
BENCHMARK(ValueConstruct_Qel)->Name("ValueConstruct/Qel");
BENCHMARK(ValueCopy_Qel)->Name("ValueCopy/Qel");
BENCHMARK(ValueEqual_Qel)->Name("ValueEqual/Qel");
BENCHMARK(ValueCompare_Qel)->Name("ValueCompare/Qel");
