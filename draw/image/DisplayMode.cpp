#include "DisplayMode.h"

#include <atomic>

namespace Qel {

namespace {

std::atomic<bool> sHiDpi{false};
std::atomic<bool> sDark{false};

} // namespace

bool IsHiDpiMode()        { return sHiDpi.load(std::memory_order_relaxed); }
void SetHiDpiMode(bool b) { sHiDpi.store(b, std::memory_order_relaxed); }
bool IsDarkTheme()        { return sDark.load(std::memory_order_relaxed); }
void SetDarkTheme(bool b) { sDark.store(b, std::memory_order_relaxed); }

} // namespace Qel
