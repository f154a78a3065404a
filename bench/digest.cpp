// SHA-256 and Base64 against OpenSSL's EVP interfaces (C, on malloc, so in the same program).
#include <Core/Core.h>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

using namespace Qel;

namespace {

String sData(int n)
{
	String s;
	for(int i = 0; i < n; i++)
		s.Cat(char(i * 131 + (i >> 8)));
	return s;
}

void Sha256Qel(benchmark::State& state)
{
	String data = sData(int(state.range(0)));
	byte h[32];
	for(auto _ : state) {
		Sha256Stream s;
		s.Put(~data, data.GetLength());
		s.Finish(h);
		benchmark::DoNotOptimize(h);
	}
	state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Sha256OpenSsl(benchmark::State& state)
{
	String data = sData(int(state.range(0)));
	byte h[32];
	unsigned len;
	EVP_MD_CTX* ctx = EVP_MD_CTX_new();
	for(auto _ : state) {
		EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr);
		EVP_DigestUpdate(ctx, ~data, data.GetLength());
		EVP_DigestFinal_ex(ctx, h, &len);
		benchmark::DoNotOptimize(h);
	}
	EVP_MD_CTX_free(ctx);
	if(HexString(h, 32) != Sha256String(data))
		state.SkipWithError("the digests differ");
	state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Base64EncodeQel(benchmark::State& state)
{
	String data = sData(int(state.range(0)));
	for(auto _ : state) {
		String t = Base64Encode(data);
		benchmark::DoNotOptimize(t);
	}
	state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Base64EncodeOpenSsl(benchmark::State& state)
{
	String data = sData(int(state.range(0)));
	std::vector<unsigned char> out(int(state.range(0)) / 3 * 4 + 8);
	int n = 0;
	for(auto _ : state) {
		n = EVP_EncodeBlock(out.data(), (const unsigned char*)~data, data.GetLength());
		benchmark::DoNotOptimize(out.data());
	}
	if(String((const char*)out.data(), n) != Base64Encode(data))
		state.SkipWithError("the texts differ");
	state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Base64DecodeQel(benchmark::State& state)
{
	String text = Base64Encode(sData(int(state.range(0))));
	for(auto _ : state) {
		String t = Base64Decode(text);
		benchmark::DoNotOptimize(t);
	}
	state.SetBytesProcessed(state.iterations() * text.GetLength());
}

void Base64DecodeOpenSsl(benchmark::State& state)
{
	String data = sData(int(state.range(0)));
	String text = Base64Encode(data);
	std::vector<unsigned char> out(text.GetLength() / 4 * 3 + 8);
	for(auto _ : state) {
		int n = EVP_DecodeBlock(out.data(), (const unsigned char*)~text, text.GetLength());
		benchmark::DoNotOptimize(n);
	}
	if(memcmp(out.data(), ~data, data.GetLength()))
		state.SkipWithError("the bytes differ");
	state.SetBytesProcessed(state.iterations() * text.GetLength());
}

} // namespace

BENCHMARK(Sha256Qel)->Name("Sha256/Qel")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Sha256OpenSsl)->Name("Sha256/OpenSSL")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Base64EncodeQel)->Name("Base64Encode/Qel")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Base64EncodeOpenSsl)->Name("Base64Encode/OpenSSL")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Base64DecodeQel)->Name("Base64Decode/Qel")->Arg(1024)->Arg(1 << 20);
BENCHMARK(Base64DecodeOpenSsl)->Name("Base64Decode/OpenSSL")->Arg(1024)->Arg(1 << 20);
