// Core's start-up initialiser. It is linked into every program that links Qel::Core (not through
// the archive, where nothing would pull it in). First of all static initialisers, it hands the
// lower stages the services of the application stage that they use (the log, file names); then
// it makes Core's own registrations.
#include <Core/app/Ini.h>
#include <Core/app/Log.h>
#include <Core/app/Path.h>
#include <Core/base/LogWriter.h>
#include <Core/detail/SystemNames.h>
#include <Core/format/DateText.h>
#include <Core/format/Format.h>
#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>
#include <Core/text/Charset.h>
#include <Core/util/Uuid.h>
#include <Core/value/Value.h>

namespace Qel {

namespace {

void sPutToStdLog(const char* text, int length)
{
	StdLogPut(text, length);
}

// The services that lower stages reach only through a hook: the process log (Panic, the worker
// pool), the system spelling of file names (file streams) and the language-dependent parts of
// the Format engine (names, separators, dates).
struct sHooks {
	sHooks()
	{
		detail::SetLogWriter(sPutToStdLog);
		detail::SetSystemNameConversion(ToSystemCharset);
		detail::InstallLanguageFormatHooks();
	}
};

// Priority 101, the first one a program may use: a panic in any later static initialiser is
// logged, and every file it opens is named as it would be later.
__attribute__((init_priority(101))) sHooks sHooksInstalled;

// Core's own registrations, made while statics are initialised, in an order the registries of
// later parts of Core keep: the "user_log" configuration key, the inactive timing inspector, the
// standard Value types with the formatters, the default character set and language, the Core
// translation table and the "HttpRequest_Trace*" configuration keys.
void sRegisterCore()
{
	detail::RegisterUserLogKey();
	static TimingInspector inactive;
	Value::RegisterStd();
	RegisterStdFormatters();
	SetDefaultCharset(CHARSET_UTF8);
	SetLanguage(LNG_ENGLISH);
	detail::RegisterUuidValue();
	detail::RegisterCoreTranslations();
	detail::RegisterHttpRequestKeys();
}

[[maybe_unused]] const bool sCoreRegistered = (sRegisterCore(), true);

} // namespace

} // namespace Qel
