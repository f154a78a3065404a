// Image inside a Value (type 150): equality by pixels, the binary form of Image::Serialize, and
// in XML and JSON the hex text of the enveloped stored form under "data".
#include "Image.h"

#include <Core/base/Mem.h>
#include <Core/stream/Stream.h>
#include <Core/detail/BySerialize.h>

namespace Qel {

namespace {

class sImageValueRep : public RawValueRep<Image> {
public:
	sImageValueRep() = default;
	explicit sImageValueRep(const Image& img) : RawValueRep<Image>(img) {}

	bool   IsNull() const override        { return v.IsEmpty() || (v.GetWidth() == 0 && v.GetHeight() == 0); }
	void   Serialize(Stream& s) override  { v.Serialize(s); }
	// a failed load leaves the image as it was (empty for a fresh representation)
	void   Xmlize(XmlIO& xio) override    { detail::XmlizeBySerialize(xio, v); }
	void   Jsonize(JsonIO& jio) override  { detail::JsonizeBySerialize(jio, v); }
	hash_t GetHashValue() const override  { return ImageHash(v); }
	String AsString() const override      { return ImageAsString(v); }
	bool   IsEqual(const Value::Void* p) const override
	{
		const Image& b = static_cast<const RawValueRep<Image>*>(p)->v;
		if(v.IsSame(b) || v.GetSerialId() == b.GetSerialId())
			return true;
		return v.GetSize() == b.GetSize() && v.GetLength() == b.GetLength() && v.GetHotSpot() == b.GetHotSpot() &&
		       v.Get2ndSpot() == b.Get2ndSpot() && v.GetPhysicalSize() == b.GetPhysicalSize() &&
		       MemEqual32(v.Begin(), b.Begin(), size_t(v.GetLength()));
	}
};

} // namespace

Value::Void* detail::NewImageValueRep() { return new sImageValueRep; }

Image::operator Value() const
{
	return Value(new sImageValueRep(*this), IMAGE_V);
}

Image::Image(const Value& v)
{
	if(!v.IsNull())
		*this = v.To<Image>();
}

} // namespace Qel
