// How file streams spell a file name for the system: the application's path services install
// the conversion from Core's start-up initialiser (it leaves names unchanged until the
// application runs, so a name passes as it is before that, too).
#pragma once

namespace Qel {
class String;
}

namespace Qel::detail {

using SystemNameFn = String (*)(const String& name);

void   SetSystemNameConversion(SystemNameFn convert);
String ToSystemName(const String& name);

} // namespace Qel::detail
