// Linked into every program that links Qel::Gui (an archive member would be dropped), so that
// the GUI core's registrations are made before main.
namespace Qel::detail {
void GuiStartupRegistrations();
}

namespace {

[[maybe_unused]] const bool sRegistered = (Qel::detail::GuiStartupRegistrations(), true);

} // namespace
