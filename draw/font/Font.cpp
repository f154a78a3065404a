// The Font value: the face list from fontconfig, the standard font and its derived data.
#include "Font.h"
#include <draw/detail/FontInt.h>
#include <draw/iml/Iml.h>

#include <fontconfig/fontconfig.h>

namespace Qel {

namespace detail {

Mutex& FontMutex()
{
	static StaticMutex m;
	return m.Get();
}

} // namespace detail

using detail::FaceInfo;
using detail::FontMutex;

namespace {

void sAddFace(VectorMap<String, FaceInfo>& map, const char* name, dword info)
{
	FaceInfo& f = map.Add(name);
	f.name = name;
	f.info = info;
}

dword sNameBits(const String& name)
{
	String l = ToLower(name);
	dword info = 0;
	if((l.Find("serif") >= 0 || l.Find("roman") >= 0) && l.Find("sans") < 0)
		info |= FACE_SERIF;
	if(l.Find("script") >= 0)
		info |= FACE_SCRIPT;
	return info;
}

Vector<FaceInfo> sBuildFaceList()
{
	VectorMap<String, FaceInfo> map;
	sAddFace(map, "sans-serif", FACE_SCALABLE);
	sAddFace(map, "serif", FACE_SCALABLE | FACE_SERIF);
	sAddFace(map, "sans-serif", FACE_SCALABLE);
	sAddFace(map, "monospace", FACE_SCALABLE | FACE_FIXED_PITCH);
	FcPattern* p = FcPatternCreate();
	FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_SPACING, FC_SCALABLE, FC_SYMBOL, FC_COLOR, nullptr);
	FcFontSet* fs = FcFontList(nullptr, p, os);
	FcPatternDestroy(p);
	FcObjectSetDestroy(os);
	for(int i = 0; fs && i < fs->nfont; i++) {
		FcPattern* fp = fs->fonts[i];
		FcChar8* family = nullptr;
		if(FcPatternGetString(fp, FC_FAMILY, 0, &family) != FcResultMatch || !family)
			continue;
		String name((const char*)family);
		int q = map.Find(name);
		FaceInfo& f = q >= 0 ? map[q] : map.Add(name);
		f.name = name;
		int iv;
		FcBool bv;
		if(FcPatternGetInteger(fp, FC_SPACING, 0, &iv) == FcResultMatch && iv == FC_MONO)
			f.info |= FACE_FIXED_PITCH;
		if(FcPatternGetBool(fp, FC_SYMBOL, 0, &bv) == FcResultMatch && bv)
			f.info |= FACE_SYMBOL;
		if(FcPatternGetBool(fp, FC_COLOR, 0, &bv) == FcResultMatch && bv)
			f.info |= FACE_COLOR;
		if(FcPatternGetBool(fp, FC_SCALABLE, 0, &bv) == FcResultMatch && bv)
			f.info |= FACE_SCALABLE;
		f.info |= sNameBits(name);
	}
	if(fs)
		FcFontSetDestroy(fs);
	Vector<FaceInfo> list;
	for(int i = 0; i < map.GetCount(); i++)
		list.Add(map[i]);
	return list;
}

std::atomic<const Vector<FaceInfo>*> sFaceList{nullptr};

// Read without the lock by every measurement; atomic so a change on another thread is never torn.
std::atomic<int64> sStdFont{Font(Font::SANSSERIF, 12).AsInt64()};

Font sStd() { return Font::FromInt64(sStdFont.load(std::memory_order_relaxed)); }
std::atomic<bool> sStdFontReady{false};

bool sDerivedReady;
Size sStdFontSize;
void (*sChangeHook)();
std::atomic<bool> sChangeGuard{false};
thread_local bool sChanging;

void sInitStdFont()
{
	if(sStdFontReady.load(std::memory_order_acquire))
		return;
	Mutex::Lock lock(FontMutex());
	sStdFontReady.store(true, std::memory_order_release); // the default face and height stand
}

// Derived data of the standard font; font mutex held.
void sComputeDerived()
{
	Font f = sStd();
	const FontMetrics& m = f.GetMetrics();
	sStdFontSize = Size(m.avewidth, m.ascent + m.descent);
	bool hidpi = sStdFontSize.cy >= 25;
	if(hidpi != IsHiDpiMode()) {
		Iml::ResetAll(); // before the flag changes: images decode again in the other variant
		SetHiDpiMode(hidpi);
	}
	sDerivedReady = true;
}

void sEnsureDerived()
{
	Mutex::Lock lock(FontMutex());
	if(!sDerivedReady)
		sComputeDerived();
}

} // namespace

namespace detail {

const Vector<FaceInfo>& FaceList()
{
	const Vector<FaceInfo>* l = sFaceList.load(std::memory_order_acquire);
	if(l)
		return *l;
	Mutex::Lock lock(FontMutex());
	l = sFaceList.load(std::memory_order_relaxed);
	if(!l) {
		static Vector<FaceInfo> list = sBuildFaceList();
		l = &list;
		sFaceList.store(l, std::memory_order_release);
	}
	return *l;
}

} // namespace detail

int Font::GetFaceCount()
{
	Mutex::Lock lock(FontMutex());
	return detail::FaceList().GetCount();
}

String Font::GetFaceName(int index)
{
	if(index == 0)
		return "STDFONT";
	Mutex::Lock lock(FontMutex());
	const Vector<FaceInfo>& l = detail::FaceList();
	return index > 0 && index < l.GetCount() ? l[index].name : String();
}

dword Font::GetFaceInfo(int index)
{
	Mutex::Lock lock(FontMutex());
	const Vector<FaceInfo>& l = detail::FaceList();
	return index >= 0 && index < l.GetCount() ? l[index].info : 0;
}

namespace {

String sNormalName(const String& s)
{
	String r;
	for(int c : s)
		if((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
			r.Cat(c);
		else if(c >= 'A' && c <= 'Z')
			r.Cat(c + 'a' - 'A');
	return r;
}

} // namespace

int Font::FindFaceName(const String& name)
{
	if(name == "STDFONT")
		return 0;
	Mutex::Lock lock(FontMutex());
	const Vector<FaceInfo>& l = detail::FaceList();
	for(int i = 1; i < l.GetCount(); i++)
		if(l[i].name == name)
			return i;
	String n = sNormalName(name);
	if(n.IsEmpty()) // a name of only punctuation must not match a face whose name is the same
		return 0;
	for(int i = 1; i < l.GetCount(); i++)
		if(sNormalName(l[i].name) == n)
			return i;
	if(n == "serif")
		return SERIF;
	if(n == "sansserif")
		return SANSSERIF;
	if(n == "monospace")
		return MONOSPACE;
	return 0;
}

Font Font::GetStdFont()
{
	sInitStdFont();
	return sStd();
}

void Font::SetStdFont(Font font)
{
	sInitStdFont();
	if(sChanging)
		return;
	void (*hook)();
	{
		Mutex::Lock lock(FontMutex());
		font.ResolveStd(); // the standard font never holds the markers
		if(font.height == STD_HEIGHT)
			font.height = 12;
		sStdFont.store(font.AsInt64(), std::memory_order_relaxed);
		sComputeDerived();
		hook = sChangeHook;
	}
	// The hook runs without the font mutex: it takes locks of its own (the GUI's), whose holders
	// measure text.
	sChanging = true;
	if(hook)
		hook();
	sChanging = false;
	if(!sChangeGuard.exchange(true)) {
		if(hook)
			hook();
		sChangeGuard = false;
	}
}

Size GetStdFontSize()
{
	sEnsureDerived();
	Mutex::Lock lock(FontMutex());
	return sStdFontSize;
}

void SetStdFontChangeHook(void (*hook)())
{
	Mutex::Lock lock(FontMutex());
	sChangeHook = hook;
}

Font& Font::ResolveStd()
{
	if(face == NULL_FACE) {
		*this = GetStdFont();
		return *this;
	}
	if(face == 0)
		face = GetStdFont().face;
	if(height == STD_HEIGHT)
		height = GetStdFont().height;
	return *this;
}

int Font::GetHeight() const
{
	return height == STD_HEIGHT ? GetStdFont().height : height;
}

String Font::GetFaceName() const
{
	if(IsNull())
		return String();
	return GetFaceName(face);
}

dword Font::GetFaceInfo() const
{
	return IsNull() ? 0 : GetFaceInfo(face);
}

namespace {

// Builds the face list and the standard font before main, so both exist in every thread.
[[maybe_unused]] const int sFontStartUp = ([] {
	Mutex::Lock lock(FontMutex());
	detail::FaceList();
	sInitStdFont();
	sEnsureDerived();
	return 0;
})();

} // namespace

} // namespace Qel
