// Zlib over fuzzed bytes: as zlib, raw and gzip input pushed in random chunk sizes (headers
// included), and as plain data that must survive a compress/decompress round trip whatever
// the chunking.
#include <Core/Core.h>

#include <stdlib.h>

using namespace Qel;

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

String Feed(Zlib& z, const String& data, const uint8_t* chunks, int nchunks)
{
	int k = 0;
	for(int i = 0; i < data.GetLength();) {
		int n = nchunks ? 1 + chunks[k++ % nchunks] % 64 : data.GetLength();
		z.Put(data.Mid(i, n));
		i += n;
	}
	z.End();
	return z.Get();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 2)
		return 0;
	int nchunks = data[0] % 8;
	if(size < 1u + nchunks)
		return 0;
	const uint8_t* chunks = data + 1;
	String body((const char*)data + 1 + nchunks, int(size - 1 - nchunks));

	String whole = ZDecompress(body);
	Check(!whole.IsVoid());

	for(int kind = 0; kind < 3; kind++) {
		Zlib z;
		if(kind == 1)
			z.NoHeader();
		if(kind == 2)
			z.GZip();
		z.Decompress();
		String got = Feed(z, body, chunks, nchunks);
		if(kind == 0 && !z.IsError())
			Check(got == whole);
	}

	Zlib c;
	c.GZip(data[0] & 8).Compress();
	String packed = Feed(c, body, chunks, nchunks);
	Zlib d;
	d.GZip(data[0] & 8).Decompress();
	String back = Feed(d, packed, chunks, nchunks);
	Check(!d.IsError() && back == body);
	return 0;
}
