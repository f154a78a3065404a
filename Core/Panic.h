// Panic: the one orderly way to end the process on a broken invariant or a programming limit.
#pragma once

namespace Qel {

[[noreturn]] void Panic(const char* text);

} // namespace Qel
