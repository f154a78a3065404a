// Converts kilograms to ounces. It starts and ends through the framework's start-up path,
// which every Qel program follows.
#include <Core/Core.h>

#include <cstdio>

int main(int argc, char** argv, char** envp)
{
	Qel::AppInit(argc, (const char**)argv, (const char**)envp);
	Qel::AppExecute([] {
		printf("Qel example\n");
	});
	Qel::AppExit();
	return Qel::GetExitCode();
}
