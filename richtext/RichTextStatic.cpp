// Linked into every program that links Qel::RichText (not through the archive, where nothing
// would pull it in): the module's registrations, before main.
#include "RichText.h"

namespace {

[[maybe_unused]] const bool sRegistered = (Qel::RichTextInitOnce(), true);

} // namespace
