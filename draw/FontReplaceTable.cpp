// Placeholder until the generator runs.
#include "FontReplace.h"
namespace Qel::detail {
const ReplaceRecord* BuiltinReplaceTable(int& count) { count = 0; return nullptr; }
}
