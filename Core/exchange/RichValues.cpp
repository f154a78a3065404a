// Value representations of the geometric types, Complex and WString, and the records of the
// two small geometric types Size and Point.
#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/value/Complex.h>
#include <Core/container/Hash.h>
#include <Core/text/WString.h>
#include <Core/text/FormatInt.h>
#include <Core/text/FormatDouble.h>
#include "Xmlize.h"
#include "Jsonize.h"

#include <limits>

namespace Qel {

namespace {

template <class T> void VisitFields(Point_<T>& p, auto f) { f("x", p.x); f("y", p.y); }
template <class T> void VisitFields(Size_<T>& s, auto f)  { f("cx", s.cx); f("cy", s.cy); }
template <class T> void VisitFields(Rect_<T>& r, auto f)
{
	f("left", r.left);
	f("top", r.top);
	f("right", r.right);
	f("bottom", r.bottom);
}

template <class G> const auto& FirstField(const G& g)
{
	if constexpr(requires { g.left; }) return g.left;
	else if constexpr(requires { g.cx; }) return g.cx;
	else return g.x;
}

String NumberText(int x)    { return FormatInt64(x); }
String NumberText(int64 x)  { return FormatInt64(x); }
String NumberText(double x) { return FormatDouble(x); }

template <class T> String GeometryText(const Point_<T>& p, char open = '[', char close = ']')
{
	String s;
	s << open << NumberText(p.x) << ", " << NumberText(p.y) << close;
	return s;
}

template <class T> String GeometryText(const Size_<T>& z)
{
	String s;
	s << '(' << NumberText(z.cx) << ", " << NumberText(z.cy) << ')';
	return s;
}

template <class T> T Extent(T a, T b)
{
	if constexpr(std::is_floating_point_v<T>)
		return b - a;
	else
		return T(uint64(b) - uint64(a)); // wraps rather than overflowing at the extremes
}

template <class T> String GeometryText(const Rect_<T>& r)
{
	String s;
	s << GeometryText(Point_<T>(r.left, r.top)) << " - " << GeometryText(Point_<T>(r.right, r.bottom)) << " : "
	  << GeometryText(Size_<T>(Extent(r.left, r.right), Extent(r.top, r.bottom)));
	return s;
}

// Every non-finite coordinate is the one double Null: such values are equal and hash alike, so a
// value with a NaN coordinate still equals itself.
template <class T> T SameNull(T x)
{
	if constexpr(std::is_floating_point_v<T>)
		return IsNull(x) ? -std::numeric_limits<T>::infinity() : x;
	else
		return x;
}

template <class G> hash_t GeometryHash(const G& g)
{
	CombineHash h;
	VisitFields(const_cast<G&>(g), [&](const char*, auto x) { h.Put(GetHashValue(SameNull(x))); });
	return h;
}

template <class G> bool GeometryEqual(const G& a, const G& b)
{
	G x = a, y = b;
	VisitFields(x, [](const char*, auto& f) { f = SameNull(f); });
	VisitFields(y, [](const char*, auto& f) { f = SameNull(f); });
	return x == y;
}

// Fields as attributes of the node, or members of the JSON object, named after the fields.
template <class G> void GeometryXmlize(XmlIO& xio, G& g)
{
	VisitFields(g, [&](const char* id, auto& x) { xio.Attr(id, x); });
}

template <class G> void GeometryJsonize(JsonIO& jio, G& g)
{
	VisitFields(g, [&](const char* id, auto& x) { jio(id, x); });
}

template <class G> bool GeometryIsNull(const G& g)
{
	return IsNull(FirstField(g));
}

} // namespace

// The rich geometric types: the generic traits with fields for their forms.
template <class T>
	requires requires(T& g) { VisitFields(g, [](const char*, auto&) {}); }
struct RichValueTraits<T> : RichValueForms {
	static bool   IsNull(const T& x)                  { return GeometryIsNull(x); }
	static hash_t Hash(const T& x)                    { return GeometryHash(x); }
	static bool   Equal(const T& a, const T& b)       { return GeometryEqual(a, b); }
	static bool   PolyEqual(const T&, const Value&)   { return false; }
	static String Text(const T& x)                    { return GeometryText(x); }
	static int    Compare(const T&, const T&)         { return 0; }
	static int    PolyCompare(const T&, const Value&) { return 0; }

	template <class S> static void Serialize(S& s, T& x) { s.Serialize(x); }
	static void Xmlize(XmlIO& xio, T& x)             { GeometryXmlize(xio, x); }
	static void Jsonize(JsonIO& jio, T& x)           { GeometryJsonize(jio, x); }
};

template <>
struct RichValueTraits<Complex> : RichValueForms {
	static bool   IsNull(const Complex& x)                { return x.IsNull(); }
	static hash_t Hash(const Complex& x)                  { return x.GetHashValue(); }
	static bool   Equal(const Complex& a, const Complex& b) { return a == b; }
	static String Text(const Complex& x)                  { return x.ToString(); }
	static int    Compare(const Complex&, const Complex&) { return 0; }
	static int    PolyCompare(const Complex&, const Value&) { return 0; }
	static bool PolyEqual(const Complex& x, const Value& v)
	{
		switch(v.GetType()) {
		case INT_V: case INT64_V: case BOOL_V: case DOUBLE_V: case FLOAT_V:
			return x.imag() == 0 && x.real() == v.ToDouble();
		}
		return false;
	}
};

namespace {

template <class T> Value::Void* sNew() { return new RichValueRep<T>; }

} // namespace

Value::Value(const WString& s)   { InitRef(new RichValueRep<WString>(s), WSTRING_V); }
Value::Value(const wchar* s)     : Value(WString(s)) {}
Value::Value(const Size64& x)    { InitRef(new RichValueRep<Size64>(x), SIZE64_V); }
Value::Value(const Sizef& x)     { InitRef(new RichValueRep<Sizef>(x), SIZEF_V); }
Value::Value(const Point64& x)   { InitRef(new RichValueRep<Point64>(x), POINT64_V); }
Value::Value(const Pointf& x)    { InitRef(new RichValueRep<Pointf>(x), POINTF_V); }
Value::Value(const Rect& x)      { InitRef(new RichValueRep<Rect>(x), RECT_V); }
Value::Value(const Rect64& x)    { InitRef(new RichValueRep<Rect64>(x), RECT64_V); }
Value::Value(const Rectf& x)     { InitRef(new RichValueRep<Rectf>(x), RECTF_V); }

Size Value::ToSize() const
{
	return IsNull() ? Size(INT_NULL, INT_NULL) : To<Size>();
}

Point Value::ToPoint() const
{
	return IsNull() ? Point(INT_NULL, INT_NULL) : To<Point>();
}

Complex::Complex(const Value& v)
{
	if(v.IsNull())
		*this = Complex(v.ToDouble(), v.ToDouble());
	else if(v.GetType() == COMPLEX_V)
		*this = v.To<Complex>();
	else
		*this = Complex(v.ToDouble());
}

String Complex::ToString() const
{
	String s;
	s << '(' << FormatDouble(real()) << ',' << FormatDouble(imag()) << ')';
	return s;
}

hash_t Complex::GetHashValue() const
{
	return CombineHash(Qel::GetHashValue(real()), Qel::GetHashValue(imag()));
}

void Complex::Serialize(Stream& s)
{
	double re = real(), im = imag();
	s % re % im;
	if(s.IsLoading())
		*this = Complex(re, im);
}

void Complex::Xmlize(XmlIO& xio)
{
	double re = real(), im = imag();
	xio.Attr("real", re).Attr("imag", im);
	if(xio.IsLoading())
		*this = Complex(re, im);
}

void Complex::Jsonize(JsonIO& jio)
{
	double re = real(), im = imag();
	jio("real", re)("imag", im);
	if(jio.IsLoading())
		*this = Complex(re, im);
}

Complex::operator Value() const
{
	return Value(new RichValueRep<Complex>(*this), COMPLEX_V);
}

// The small geometric types: payload in the Value body.
struct ValueGeometryOps {
	template <class G> static const G& Of(const void* p) { return *static_cast<const G*>(p); }

	template <class G> static bool   IsNull(const void* p)                { return GeometryIsNull(Of<G>(p)); }
	template <class G> static void   Serialize(void* p, Stream& s)       { s.Serialize(*static_cast<G*>(p)); }
	template <class G> static hash_t Hash(const void* p)                 { return GeometryHash(Of<G>(p)); }
	template <class G> static bool   Equal(const void* a, const void* b) { return Of<G>(a) == Of<G>(b); }
	template <class G> static void   Xmlize(void* p, XmlIO& xio)         { GeometryXmlize(xio, *static_cast<G*>(p)); }
	template <class G> static void   Jsonize(void* p, JsonIO& jio)       { GeometryJsonize(jio, *static_cast<G*>(p)); }
	static bool   NoPolyEqual(const void*, const Value&)                 { return false; }
	static int    NoCompare(const void*, const void*)                    { return 0; }
	static String SizeText(const void* p)                                { return GeometryText(Of<Size>(p)); }
	static String PointText(const void* p)                               { return GeometryText(Of<Point>(p), '(', ')'); }
};

using GOps = ValueGeometryOps;

namespace detail {

extern constinit const Value::SmallValueOpsRec SizeValueOps = {
	GOps::IsNull<Size>, GOps::Serialize<Size>, GOps::Xmlize<Size>, GOps::Jsonize<Size>, GOps::Hash<Size>, GOps::Equal<Size>,
	GOps::NoPolyEqual, GOps::SizeText, GOps::NoCompare, nullptr };
extern constinit const Value::SmallValueOpsRec PointValueOps = {
	GOps::IsNull<Point>, GOps::Serialize<Point>, GOps::Xmlize<Point>, GOps::Jsonize<Point>, GOps::Hash<Point>, GOps::Equal<Point>,
	GOps::NoPolyEqual, GOps::PointText, GOps::NoCompare, nullptr };

void RegisterRichValueTypes()
{
	Value::Register(WSTRING_V, sNew<WString>, "WString");
	Value::Register(COMPLEX_V, sNew<Complex>, "Complex");
	Value::Register(SIZE64_V, sNew<Size64>, "Size64");
	Value::Register(SIZEF_V, sNew<Sizef>, "Sizef");
	Value::Register(POINT64_V, sNew<Point64>, "Point64");
	Value::Register(POINTF_V, sNew<Pointf>, "Pointf");
	Value::Register(RECT_V, sNew<Rect>, "Rect");
	Value::Register(RECT64_V, sNew<Rect64>, "Rect64");
	Value::Register(RECTF_V, sNew<Rectf>, "Rectf");
	Value::AddTypeName(SIZE_V, "Size");
	Value::AddTypeName(POINT_V, "Point");
	Value::AddTypeName(COLOR_V, "Color");
}

} // namespace detail

} // namespace Qel
