// Image inside a Value (type 150): equality by pixels, the binary form of Image::Serialize, and
// in XML and JSON the hex text of the enveloped stored form under "data".
#include "Image.h"
#include <draw/detail/ImageValueInt.h>

#include <Core/exchange/Jsonize.h>
#include <Core/base/Mem.h>
#include <Core/stream/Stream.h>
#include <Core/util/Util.h>
#include <Core/xml/XmlParser.h>
#include <Core/exchange/Xmlize.h>
#include <Core/exchange/Store.h>

namespace Qel {

namespace {

String sStoreHex(Image& img)
{
	return HexString(StoreAsString(img));
}

// A failed load leaves the image as it was (empty for a fresh representation).
bool sLoadHex(Image& img, const String& hex)
{
	return LoadFromString(img, ScanHexString(hex));
}

class sImageValueRep : public RawValueRep<Image> {
public:
	sImageValueRep() = default;
	explicit sImageValueRep(const Image& img) : RawValueRep<Image>(img) {}

	bool   IsNull() const override        { return v.IsEmpty() || (v.GetWidth() == 0 && v.GetHeight() == 0); }
	void   Serialize(Stream& s) override  { v.Serialize(s); }
	void   Xmlize(XmlIO& xio) override
	{
		if(xio.IsStoring()) {
			xio.SetAttr("data", sStoreHex(v));
			return;
		}
		if(!sLoadHex(v, xio.GetAttr("data")))
			throw XmlError("xmlize by serialize error");
	}
	void   Jsonize(JsonIO& jio) override
	{
		String hex;
		if(jio.IsStoring()) {
			hex = sStoreHex(v);
			jio("data", hex);
			return;
		}
		const Value& d = jio.Get("data");
		if(d.GetType() != STRING_V || !sLoadHex(v, d.ToString()))
			throw JsonizeError("jsonize by serialize error");
	}
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

class sWatchedImageValueRep : public sImageValueRep {
	detail::ImageValueEnded ended;
	uint64                  tag;

public:
	sWatchedImageValueRep(const Image& img, detail::ImageValueEnded ended, uint64 tag)
		: sImageValueRep(img), ended(ended), tag(tag) {}
	~sWatchedImageValueRep() override { ended(tag); }
};

} // namespace

Value::Void* detail::NewImageValueRep() { return new sImageValueRep; }

Value detail::WatchedImageValue(const Image& img, ImageValueEnded ended, uint64 tag)
{
	return Value(new sWatchedImageValueRep(img, ended, tag), IMAGE_V);
}


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
