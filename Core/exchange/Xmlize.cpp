#include "Xmlize.h"
#include <Core/format/Scan.h>
#include <Core/text/FormatInt.h>
#include <Core/text/FormatDouble.h>
#include <Core/text/WString.h>
#include <Core/text/Utf.h>
#include <Core/format/Format.h>

namespace Qel {

namespace {

// The integer in characters [from, to) of s (to -1: up to the end), as ScanInt reads it.
int sField(const String& s, int from, int to = -1)
{
	return ScanInt(~s.Mid(from, to < 0 ? s.GetLength() - from : to - from));
}

bool sDateOk(int y, int m, int d)
{
	return m >= 1 && m <= 12 && d >= 1 && d <= GetDaysOfMonth(m, y);
}

char* sPutDate(char* p, Date d)
{
	detail::PutDigitsFixed(p, dword(d.year), 4);
	detail::PutDigitPair(p + 4, d.month);
	detail::PutDigitPair(p + 6, d.day);
	return p + 8;
}

bool sPlainYear(Date d)
{
	return d.year >= 0 && d.year <= 9999 && d.month <= 99 && d.day <= 99;
}

} // namespace

void AttrTextLoad(String& var, const String& text)   { var = text; }
void AttrTextLoad(WString& var, const String& text)  { var = ToUtf32(text); }
void AttrTextLoad(int& var, const String& text)      { var = ScanInt(~text); }
void AttrTextLoad(int16& var, const String& text)    { var = int16(ScanInt(~text)); }
void AttrTextLoad(int64& var, const String& text)    { var = ScanInt64(~text); }
void AttrTextLoad(float& var, const String& text)    { var = ScanFloat(~text); }
void AttrTextLoad(double& var, const String& text)   { var = ScanDouble(~text); }
void AttrTextLoad(bool& var, const String& text)     { var = text == "1"; }

void AttrTextLoad(Date& var, const String& text)
{
	var = Date();
	if(text.GetLength() < 7)
		return;
	int y = sField(text, 0, 4);
	int m = sField(text, 4, 6);
	int d = sField(text, 6);
	if(!IsNull(y) && sDateOk(y, m, d))
		var = Date(y, m, d);
}

void AttrTextLoad(Time& var, const String& text)
{
	var = Time();
	if(text.GetLength() < 16)
		return;
	int y = sField(text, 0, 4);
	int m = sField(text, 4, 6);
	int d = sField(text, 6, 8);
	int h = sField(text, 9, 11);
	int n = sField(text, 12, 14);
	int s = sField(text, 15);
	if(!IsNull(y) && sDateOk(y, m, d) && h >= 0 && h <= 23 && n >= 0 && n <= 59 && s >= 0 && s < 60)
		var = Time(y, m, d, h, n, s);
}

String AttrTextStore(const String& var)  { return var; }
String AttrTextStore(const WString& var) { return ToUtf8(var); }
String AttrTextStore(int var)            { return IsNull(var) ? String() : FormatInt64(var); }
String AttrTextStore(int16 var)          { return FormatInt64(var); }
String AttrTextStore(int64 var)          { return FormatInt64(var); }
// 7 (15) significant digits read best; where they do not read back to the same number, 9 (17)
// do, so the stored form always round-trips.
String AttrTextStore(float var)
{
	String s = FormatFloat(var);
	return IsNull(var) || ScanFloat(~s) == var ? s : FormatDouble(var, 9);
}

String AttrTextStore(double var)
{
	String s = FormatDouble(var);
	return IsNull(var) || ScanDouble(~s) == var ? s : FormatDouble(var, 17);
}
String AttrTextStore(bool var)           { return var ? "1" : "0"; }

// A Null date or time stores as an empty text, which loads back as Null.
String AttrTextStore(Date var)
{
	if(var.IsNull())
		return String();
	if(!sPlainYear(var))
		return Sprintf("%04d%02d%02d", var.year, var.month, var.day);
	char h[8];
	return String(h, sPutDate(h, var));
}

String AttrTextStore(Time var)
{
	if(var.IsNull())
		return String();
	if(!sPlainYear(var) || var.hour > 99 || var.minute > 99 || var.second > 99)
		return Sprintf("%04d%02d%02dT%02d:%02d:%02d", var.year, var.month, var.day, var.hour,
		               var.minute, var.second);
	char h[17];
	char* p = sPutDate(h, var);
	*p++ = 'T';
	detail::PutDigitPair(p, var.hour);
	p[2] = ':';
	detail::PutDigitPair(p + 3, var.minute);
	p[5] = ':';
	detail::PutDigitPair(p + 6, var.second);
	return String(h, p + 8);
}

void XmlizeText(XmlIO& xml, String& text)
{
	XmlNode& n = xml.Node();
	for(int i = 0; i < n.GetCount(); i++)
		if(n.Node(i).IsText()) {
			if(xml.IsLoading())
				text = n.Node(i).GetText();
			else
				n.At(i).SetText(text);
			return;
		}
	if(xml.IsLoading())
		text.Clear();
	else
		n.AddText(text);
}

void Xmlize(XmlIO& xml, String& var)     { XmlizeText(xml, var); }

void Xmlize(XmlIO& xml, WString& var)
{
	String s;
	if(xml.IsStoring())
		s = ToUtf8(var);
	XmlizeText(xml, s);
	if(xml.IsLoading())
		var = ToUtf32(s);
}

void Xmlize(XmlIO& xml, int& var)        { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, int16& var)      { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, int64& var)      { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, float& var)      { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, double& var)     { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, bool& var)       { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, Date& var)       { xml.Attr("value", var); }
void Xmlize(XmlIO& xml, Time& var)       { xml.Attr("value", var); }

} // namespace Qel
