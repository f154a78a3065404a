// The XML and JSON forms of objects that have only a binary form: the hex text of their stored
// form (Store, no separators) under "data". Loading decodes it and loads with rollback; text
// that does not load leaves the object as it was and throws XmlError or JsonizeError.
#pragma once

#include <Core/exchange/Store.h>

namespace Qel {

class XmlIO;
class JsonIO;

namespace detail {

void XmlizeStored(XmlIO& xio, const StreamFn& serialize);
void JsonizeStored(JsonIO& jio, const StreamFn& serialize);

template <class T>
void XmlizeBySerialize(XmlIO& xio, T& x)  { XmlizeStored(xio, [&](Stream& s) { x.Serialize(s); }); }
template <class T>
void JsonizeBySerialize(JsonIO& jio, T& x) { JsonizeStored(jio, [&](Stream& s) { x.Serialize(s); }); }

} // namespace detail

} // namespace Qel
