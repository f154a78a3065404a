// Panic: the one orderly way to end the process on a broken invariant or a programming limit.
// It logs one line, shows the text through a replaceable message box and stops the process
// with a trap signal (then abort). Only a nested call (from the message box, or from another
// thread while the first panic runs) returns.
#pragma once

namespace Qel {

using PanicMessageBoxHook = void (*)(const char* title, const char* text);

void Panic(const char* text);
bool IsPanicMode();

// Replaces the message box that Panic uses; null restores output to standard error.
void InstallPanicMessageBox(PanicMessageBoxHook hook);
void PanicMessageBox(const char* title, const char* text);

} // namespace Qel
