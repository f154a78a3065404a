// Application start-up and exit. main runs, in order:
//     AppInit(argc, argv, envp); AppExecute(body); AppExit(); return GetExitCode();
// Exit(code) leaves the body from anywhere by throwing ExitExc, which AppExecute catches.
#pragma once

#include "Function.h"

namespace Qel {

// Unwinds the application body; thrown only by Exit.
struct ExitExc {};

void AppInit(int argc, const char** argv, const char** envp);
void AppExecute(const Function<void ()>& body);
void AppExit();

void BeforeAppMain();
void AfterAppMain();

[[noreturn]] void Exit(int code);
int  GetExitCode();

} // namespace Qel
