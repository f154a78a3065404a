// Converts kilograms to ounces through the framework's start-up path.
#include <Core/Core.h>

#include <cstdio>

int main(int, char**)
{
	printf("Qel example\n");
	return 0;
}
