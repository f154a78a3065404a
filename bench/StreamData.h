// Data and helpers shared by streams.cpp (Qel's streams, stdio) and streams_peer.cpp (iostreams,
// std::string, zlib called directly).
#pragma once

#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

using namespace Qel;

inline constexpr int INTS = 10'000'000;
inline constexpr int STRINGS = 1'000'000;
inline constexpr int64 FILE_BYTES = 64ll << 20; // 64 MiB, in a temp folder
inline constexpr int FILE_CHUNK = 4096;
inline constexpr int ZLIB_BYTES = 4 << 20;

inline const std::vector<std::string>& Texts()
{
	static std::vector<std::string> texts = [] {
		std::vector<std::string> v;
		v.reserve(STRINGS);
		for(int i = 0; i < STRINGS; i++)
			v.push_back(std::string(3 + i % 37, char('a' + i % 26)));
		return v;
	}();
	return texts;
}

struct TempFile {
	std::string dir, path;
	TempFile()
	{
		char t[] = "/tmp/qel-bench-XXXXXX";
		dir = mkdtemp(t);
		path = dir + "/data.bin";
	}
	~TempFile()
	{
		unlink(path.c_str());
		rmdir(dir.c_str());
	}
};

inline const char* Chunk()
{
	static std::vector<char> chunk = [] {
		std::vector<char> c(FILE_CHUNK);
		for(int i = 0; i < FILE_CHUNK; i++)
			c[i] = char(i * 31);
		return c;
	}();
	return chunk.data();
}

inline void WriteStdio(const char* path)
{
	FILE* f = fopen(path, "wb");
	for(int64 n = 0; n < FILE_BYTES; n += FILE_CHUNK)
		fwrite(Chunk(), 1, FILE_CHUNK, f);
	fclose(f);
}

template <void (*Write)(const char*)>
void FileWrite(benchmark::State& state)
{
	TempFile tmp;
	for(auto _ : state)
		Write(tmp.path.c_str());
	state.SetBytesProcessed(state.iterations() * FILE_BYTES);
}

template <class Read>
void FileRead(benchmark::State& state, Read read)
{
	TempFile tmp;
	WriteStdio(tmp.path.c_str());
	std::vector<char> buf(FILE_CHUNK);
	for(auto _ : state) {
		int64 total = read(tmp.path.c_str(), buf.data());
		if(total != FILE_BYTES)
			state.SkipWithError("short read");
	}
	state.SetBytesProcessed(state.iterations() * FILE_BYTES);
}

inline const String& ZlibInput()
{
	static String text = [] {
		String s;
		unsigned x = 1;
		const char* words[] = { "stream ", "page ", "block ", "deflate ", "window ", "cursor ", "limit ", "\n" };
		while(s.GetLength() < ZLIB_BYTES) {
			x = x * 1103515245 + 12345;
			s.Cat(words[(x >> 16) & 7]);
			if((x >> 24) < 16)
				s << (int)(x & 0xFFFF);
		}
		return s;
	}();
	return text;
}

} // namespace bench
