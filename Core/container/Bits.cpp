#include <Core/container/Bits.h>

namespace Qel {

void Bits::Set(int i, bool b)
{
	if(i < 0)
		return;
	int w = i >> 5;
	if(w >= words.GetCount()) {
		if(!b)
			return;
		words.SetCount(w + 1, 0);
	}
	dword bit = dword(1) << (i & 31);
	if(b)
		words[w] |= bit;
	else
		words[w] &= ~bit;
}

} // namespace Qel
