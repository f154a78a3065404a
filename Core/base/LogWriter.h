// The process log as the lowest stages reach it: Panic and the worker pool write their lines
// through here. The log itself keeps its file in the application's folders, high above them; it
// installs its writer from Core's start-up initialiser before any other static initialiser runs.
// Text written while no writer is installed goes to standard error.
#pragma once

namespace Qel::detail {

using LogWriterFn = void (*)(const char* text, int length);

void SetLogWriter(LogWriterFn writer);
void WriteLog(const char* text, int length);
void WriteLog(const char* text);

} // namespace Qel::detail
