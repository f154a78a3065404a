// Converts kilograms to ounces the way the converter window will: the text goes through the
// kilograms field's converter, the result is multiplied by the ounces per kilogram and shown
// with two decimals. It starts and ends through the framework's start-up path.
//
//     ounces [kilograms]      (1 when no argument is given)
#include <Core/Core.h>

#include <cstdio>

using namespace Qel;

static String KilogramsToOunces(const String& text)
{
	ConvertDouble kilograms; // any finite double, empty text allowed
	Value v = kilograms.Scan(text);
	if(v.GetType() == ERROR_V)
		return GetErrorText(v);
	return FormatDoubleFix((double)v * 35.27396195, 2,
	                       DF_KEEP_ZEROS | DF_ALWAYS_POINT | DF_ZEROS_BEFORE_EXP(2)) + " ounce";
}

int main(int argc, char** argv, char** envp)
{
	AppInit(argc, (const char**)argv, (const char**)envp);
	AppExecute([] {
		const Vector<WString>& args = CommandLine();
		String typed = args.GetCount() ? args[0].ToString() : String("1");
		printf("%s kg = %s\n", ~typed, ~KilogramsToOunces(typed));
	});
	AppExit();
	return GetExitCode();
}
