#include <richtext/para/RichStyle.h>

namespace Qel {

const RichStyle& GetStyle(const ArrayMap<Uuid, RichStyle>& s, const Uuid& id)
{
	int q = s.Find(id);
	if(q >= 0)
		return s[q];
	static const RichStyle def;
	return def;
}

} // namespace Qel
