// String operations written once for String and std::string: string.cpp runs them on String,
// string_peer.cpp on std::string.
#pragma once

#include "BenchData.h"

namespace bench {

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

} // namespace bench
