// Built twice by the tests: as it is it compiles; with QEL_MISUSE, a std::string (which points
// into itself) goes into a Vector and the build must fail rather than corrupt memory later.
#include <Core/Core.h>

#include <string>

int main()
{
	Qel::Array<std::string> a;
	a.Add("any type goes into an Array");
#ifdef QEL_MISUSE
	Qel::Vector<std::string> v;
	v.Add("moved as raw bytes");
#endif
	return a.GetCount() == 1 ? 0 : 1;
}
