#include <richtext/base/Zoom.h>

#include <atomic>

namespace Qel {

namespace {

constexpr uint64 sPack(int m, int d) { return uint64(dword(m)) | uint64(dword(d)) << 32; }

// Constant-initialised: usable from any static initialiser, before or after this unit's own.
std::atomic<uint64>& sScreenZoom()
{
	static std::atomic<uint64> z{sPack(96, 600)};
	return z;
}

} // namespace

Zoom GetRichTextStdScreenZoom()
{
	uint64 w = sScreenZoom().load(std::memory_order_acquire);
	return Zoom(int(dword(w)), int(dword(w >> 32)));
}

void SetRichTextStdScreenZoom(int m, int d)
{
	sScreenZoom().store(sPack(m, d), std::memory_order_release);
}

} // namespace Qel
