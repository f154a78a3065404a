// Application start-up and exit. main runs, in order:
//     AppInit(argc, argv, envp); AppExecute(body); AppExit(); return GetExitCode();
// Exit(code) leaves the body from anywhere by throwing ExitExc, which AppExecute catches.
#pragma once

#include <Core/base/Function.h>
#include <Core/container/Map.h>
#include <Core/container/Vector.h>
#include <Core/text/Exc.h>
#include <Core/text/WString.h>

namespace Qel {

void AppInit(int argc, const char** argv, const char** envp);
void AppExecute(const Function<void ()>& body);
void AppExit();

void BeforeAppMain();
void AfterAppMain();

[[noreturn]] void Exit(int code);
int  GetExitCode();

// What AppInit kept of the process as started.
const char*                        GetStartupExeName();     // argv[0], at most 4095 bytes
const VectorMap<WString, WString>& GetStartupEnvironment(); // in order, duplicates kept
const Vector<WString>&             CommandLine();           // the arguments after the program name
// True from the end of the start-up option check until AppExit.
bool IsAppRunning();

namespace detail {

// The start-up option check; false when the process is not to go on to the application body.
bool CheckStartupOptions(const Vector<WString>& args);

} // namespace detail

} // namespace Qel
