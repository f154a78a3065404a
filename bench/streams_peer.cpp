// The C++ peers of streams.cpp on the C library's allocator: std::ostringstream and std::string
// as serialisation targets, fstream files, and zlib called directly into a std::string.
#include "StreamData.h"

#include <fstream>
#include <sstream>
#include <zlib.h>

using namespace Qel;
using namespace bench;

namespace {

void IntsOstringstream(benchmark::State& state)
{
	for(auto _ : state) {
		std::ostringstream os;
		for(int i = 0; i < INTS; i++)
			os.write((const char*)&i, 4);
		std::string r = os.str();
		benchmark::DoNotOptimize(r.data());
	}
	state.SetBytesProcessed(state.iterations() * INTS * 4);
}

void IntsStdString(benchmark::State& state)
{
	for(auto _ : state) {
		std::string r;
		for(int i = 0; i < INTS; i++)
			r.append((const char*)&i, 4);
		benchmark::DoNotOptimize(r.data());
	}
	state.SetBytesProcessed(state.iterations() * INTS * 4);
}

void StringsOstringstream(benchmark::State& state)
{
	const auto& texts = Texts();
	for(auto _ : state) {
		std::ostringstream os;
		for(const std::string& s : texts) {
			os.put((char)s.size());
			os.write(s.data(), s.size());
		}
		std::string r = os.str();
		benchmark::DoNotOptimize(r.data());
	}
	state.SetItemsProcessed(state.iterations() * STRINGS);
}

void StringsStdString(benchmark::State& state)
{
	const auto& texts = Texts();
	for(auto _ : state) {
		std::string r;
		for(const std::string& s : texts) {
			r.push_back((char)s.size());
			r.append(s);
		}
		benchmark::DoNotOptimize(r.data());
	}
	state.SetItemsProcessed(state.iterations() * STRINGS);
}

void WriteFstream(const char* path)
{
	std::ofstream f(path, std::ios::binary);
	for(int64 n = 0; n < FILE_BYTES; n += FILE_CHUNK)
		f.write(Chunk(), FILE_CHUNK);
}

void FileReadFstream(benchmark::State& state)
{
	FileRead(state, [](const char* path, char* buf) {
		std::ifstream f(path, std::ios::binary);
		int64 total = 0;
		while(f.read(buf, FILE_CHUNK) || f.gcount())
			total += f.gcount();
		return total;
	});
}

std::string DirectDeflate(const String& in)
{
	z_stream z = {};
	deflateInit(&z, Z_DEFAULT_COMPRESSION);
	std::string out;
	char buf[4096];
	z.next_in = (Bytef*)in.Begin();
	z.avail_in = in.GetLength();
	int r;
	do {
		z.next_out = (Bytef*)buf;
		z.avail_out = sizeof(buf);
		r = deflate(&z, Z_FINISH);
		out.append(buf, sizeof(buf) - z.avail_out);
	} while(r == Z_OK);
	deflateEnd(&z);
	return out;
}

std::string DirectInflate(const String& in)
{
	z_stream z = {};
	inflateInit(&z);
	std::string out;
	char buf[4096];
	z.next_in = (Bytef*)in.Begin();
	z.avail_in = in.GetLength();
	int r;
	do {
		z.next_out = (Bytef*)buf;
		z.avail_out = sizeof(buf);
		r = inflate(&z, Z_NO_FLUSH);
		out.append(buf, sizeof(buf) - z.avail_out);
	} while(r == Z_OK);
	inflateEnd(&z);
	return out;
}

void CompressDirect(benchmark::State& state)
{
	const String& in = ZlibInput();
	for(auto _ : state) {
		std::string r = DirectDeflate(in);
		benchmark::DoNotOptimize(r.data());
	}
	state.SetBytesProcessed(state.iterations() * in.GetLength());
}

void DecompressDirect(benchmark::State& state)
{
	String packed = ZCompress(ZlibInput());
	for(auto _ : state) {
		std::string r = DirectInflate(packed);
		benchmark::DoNotOptimize(r.data());
	}
	state.SetBytesProcessed(state.iterations() * ZlibInput().GetLength());
}

} // namespace

BENCHMARK(IntsOstringstream)->Name("IntsWrite/std_ostringstream")->Unit(benchmark::kMillisecond);
BENCHMARK(IntsStdString)->Name("IntsWrite/std_string")->Unit(benchmark::kMillisecond);
BENCHMARK(StringsOstringstream)->Name("StringsWrite/std_ostringstream")->Unit(benchmark::kMillisecond);
BENCHMARK(StringsStdString)->Name("StringsWrite/std_string")->Unit(benchmark::kMillisecond);
BENCHMARK(FileWrite<WriteFstream>)->Name("FileWrite/std_ofstream")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileReadFstream)->Name("FileRead/std_ifstream")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CompressDirect)->Name("Compress/zlib")->Unit(benchmark::kMillisecond);
BENCHMARK(DecompressDirect)->Name("Decompress/zlib")->Unit(benchmark::kMillisecond);
