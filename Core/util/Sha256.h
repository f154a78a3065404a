// SHA-256 (FIPS 180-4): Sha256Stream hashes everything written to it; Sha256String gives the
// digest of a block as 64 lower-case hex digits.
#pragma once

#include <Core/stream/Stream.h>

namespace Qel {

class Sha256Stream : public OutStream {
	byte  block[64];
	dword count;
	dword bits_lo, bits_hi;
	dword state[8];

	void Cleanup();

protected:
	void Out(const void* data, dword size) override;

public:
	// Writes the 32-byte digest and starts over with an empty message.
	void   Finish(byte* hash32);
	// The digest as 32 raw bytes.
	String FinishString();
	void   Reset();

	Sha256Stream();
	~Sha256Stream() override;
};

String Sha256String(const void* data, int length);
String Sha256String(const String& data);

namespace detail {
// The compression function over n 64-byte blocks (on the processor's SHA instructions when it
// has them), and its portable form.
void Sha256Transform(dword* state, const byte* data, size_t n);
void Sha256TransformPortable(dword* state, const byte* data, size_t n);
} // namespace detail

} // namespace Qel
