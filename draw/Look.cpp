#include "Look.h"
namespace Qel {
void detail::RegisterStdLookPainter() {}
}
