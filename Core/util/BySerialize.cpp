#include <Core/detail/BySerialize.h>

#include <Core/exchange/Jsonize.h>
#include <Core/exchange/Xmlize.h>

#include "Util.h"
#include <Core/xml/XmlParser.h>

namespace Qel::detail {

void XmlizeStored(XmlIO& xio, const StreamFn& serialize)
{
	if(xio.IsStoring()) {
		xio.SetAttr("data", HexString(StoreAsString(serialize)));
		return;
	}
	if(!LoadFromString(serialize, ScanHexString(xio.GetAttr("data"))))
		throw XmlError("xmlize by serialize error");
}

void JsonizeStored(JsonIO& jio, const StreamFn& serialize)
{
	if(jio.IsStoring()) {
		jio.Set("data", HexString(StoreAsString(serialize)));
		return;
	}
	const Value& v = jio.Get("data");
	String hex = v.GetType() == STRING_V || v.GetType() == WSTRING_V ? v.ToString() : String();
	if(!LoadFromString(serialize, ScanHexString(hex)))
		throw JsonizeError("jsonize by serialize error");
}

} // namespace Qel::detail
