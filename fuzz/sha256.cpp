// Sha256Stream fed in pieces of fuzzer-chosen sizes gives the digest of the whole message.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1 || size > 1 << 18)
		return 0;
	// The first bytes choose the piece sizes, the rest is the message.
	int nsizes = data[0] % 16 + 1;
	if((int)size < 1 + nsizes)
		return 0;
	const uint8_t* sizes = data + 1;
	const char* msg = (const char*)data + 1 + nsizes;
	int len = (int)size - 1 - nsizes;
	String whole = Sha256String(msg, len);
	Sha256Stream s;
	for(int i = 0, k = 0; i < len; k++) {
		int piece = sizes[k % nsizes] * (k % 3 == 2 ? 97 : 1) + 1;
		piece = min(piece, len - i);
		s.Put(msg + i, piece);
		i += piece;
	}
	byte h[32];
	s.Finish(h);
	Check(HexString(h, 32) == whole);
	return 0;
}
