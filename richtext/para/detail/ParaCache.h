// The process-wide cache of unpacked paragraphs: the newest entry and at most 64 older ones,
// the older ones only while their lengths sum to at most 10,000 positions. A hit removes the
// entry, so each entry serves once and returns when its new owner is destroyed.
#pragma once

#include <richtext/para/RichPara.h>

namespace Qel::detail {

// The cache's lock, held only for list operations; it guards the line-layout cache too.
Mutex& RichParaCacheMutex();

// Moves the content parked under p.cacheid into p; false when there is none.
bool TakeFromParaCache(RichPara& p);
// Parks p's content (p has a cache id, parts, and is not from the cache itself).
void PutToParaCache(RichPara& p);

} // namespace Qel::detail
