// Streams against their standard-library and zlib peers: binary serialisation into memory,
// sequential file transfer, and compression through the filter stream.
#include <Core/Core.h>

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

using namespace Qel;

namespace {

constexpr int INTS = 10'000'000;
constexpr int STRINGS = 1'000'000;
constexpr int64 FILE_BYTES = 64ll << 20; // 64 MiB, in a temp folder
constexpr int FILE_CHUNK = 4096;
constexpr int ZLIB_BYTES = 4 << 20;

const std::vector<std::string>& Texts()
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

const std::vector<String>& QelTexts()
{
	static std::vector<String> texts = [] {
		std::vector<String> v;
		v.reserve(STRINGS);
		for(const std::string& s : Texts())
			v.push_back(String(s.data(), (int)s.size()));
		return v;
	}();
	return texts;
}

void IntsQel(benchmark::State& state)
{
	for(auto _ : state) {
		StringStream ss;
		for(int i = 0; i < INTS; i++)
			ss % i;
		String r = ss.GetResult();
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetBytesProcessed(state.iterations() * INTS * 4);
}

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

void IntsQelLoad(benchmark::State& state)
{
	StringStream out;
	for(int i = 0; i < INTS; i++)
		out % i;
	String data = out.GetResult();
	for(auto _ : state) {
		StringStream in(data);
		int64 sum = 0;
		for(int i = 0; i < INTS; i++) {
			int x;
			in % x;
			sum += x;
		}
		benchmark::DoNotOptimize(sum);
	}
	state.SetBytesProcessed(state.iterations() * INTS * 4);
}

// The std peers write the same wire form: one length byte (all texts are short) and the bytes.
void StringsQel(benchmark::State& state)
{
	const auto& texts = QelTexts();
	for(auto _ : state) {
		StringStream ss;
		for(const String& s : texts)
			ss % const_cast<String&>(s);
		String r = ss.GetResult();
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetItemsProcessed(state.iterations() * STRINGS);
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

void StringsQelLoad(benchmark::State& state)
{
	StringStream out;
	for(const String& s : QelTexts())
		out % const_cast<String&>(s);
	String data = out.GetResult();
	for(auto _ : state) {
		StringStream in(data);
		int64 total = 0;
		for(int i = 0; i < STRINGS; i++) {
			String s;
			in % s;
			total += s.GetLength();
		}
		benchmark::DoNotOptimize(total);
	}
	state.SetItemsProcessed(state.iterations() * STRINGS);
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

const char* Chunk()
{
	static std::vector<char> chunk = [] {
		std::vector<char> c(FILE_CHUNK);
		for(int i = 0; i < FILE_CHUNK; i++)
			c[i] = char(i * 31);
		return c;
	}();
	return chunk.data();
}

void WriteQel(const char* path)
{
	FileOut out(path);
	for(int64 n = 0; n < FILE_BYTES; n += FILE_CHUNK)
		out.Put(Chunk(), FILE_CHUNK);
}

void WriteStdio(const char* path)
{
	FILE* f = fopen(path, "wb");
	for(int64 n = 0; n < FILE_BYTES; n += FILE_CHUNK)
		fwrite(Chunk(), 1, FILE_CHUNK, f);
	fclose(f);
}

void WriteFstream(const char* path)
{
	std::ofstream f(path, std::ios::binary);
	for(int64 n = 0; n < FILE_BYTES; n += FILE_CHUNK)
		f.write(Chunk(), FILE_CHUNK);
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

void FileReadQel(benchmark::State& state)
{
	FileRead(state, [](const char* path, char* buf) {
		FileIn in(path);
		int64 total = 0;
		while(int n = in.Get(buf, FILE_CHUNK))
			total += n;
		return total;
	});
}

void FileReadStdio(benchmark::State& state)
{
	FileRead(state, [](const char* path, char* buf) {
		FILE* f = fopen(path, "rb");
		int64 total = 0;
		while(size_t n = fread(buf, 1, FILE_CHUNK, f))
			total += n;
		fclose(f);
		return total;
	});
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

const String& ZlibInput()
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

void CompressQel(benchmark::State& state)
{
	const String& in = ZlibInput();
	for(auto _ : state) {
		String r = ZCompress(in);
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetBytesProcessed(state.iterations() * in.GetLength());
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

void DecompressQel(benchmark::State& state)
{
	String packed = ZCompress(ZlibInput());
	for(auto _ : state) {
		String r = ZDecompress(packed);
		benchmark::DoNotOptimize(r.Begin());
	}
	state.SetBytesProcessed(state.iterations() * ZlibInput().GetLength());
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

BENCHMARK(IntsQel)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsOstringstream)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsStdString)->Unit(benchmark::kMillisecond);
BENCHMARK(IntsQelLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(StringsQel)->Unit(benchmark::kMillisecond);
BENCHMARK(StringsOstringstream)->Unit(benchmark::kMillisecond);
BENCHMARK(StringsStdString)->Unit(benchmark::kMillisecond);
BENCHMARK(StringsQelLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(FileWrite<WriteQel>)->Name("FileWriteQel")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileWrite<WriteStdio>)->Name("FileWriteStdio")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileWrite<WriteFstream>)->Name("FileWriteFstream")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileReadQel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileReadStdio)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileReadFstream)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CompressQel)->Unit(benchmark::kMillisecond);
BENCHMARK(CompressDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(DecompressQel)->Unit(benchmark::kMillisecond);
BENCHMARK(DecompressDirect)->Unit(benchmark::kMillisecond);
