// The stored text of an object's value, as the image types hold it.
#pragma once

#include <Core/Core.h>

namespace Qel::detail {

// The String a value holds, or null for any other value.
inline const String* ObjectText(const Value& v)
{
	return v.GetType() == STRING_V ? &v.To<String>() : nullptr;
}

} // namespace Qel::detail
