#include "Store.h"

#include <Core/stream/StringStream.h>
#include <Core/value/Value.h>

namespace Qel {

namespace {

constexpr dword MAGIC_DATA = 0x61746164; // "data"
constexpr dword MAGIC_END  = 0x00646E65; // "end\0"

void sSerializeEnvelope(Stream& s, const StreamFn& serialize, int version)
{
	int64 p0 = s.GetPos();
	dword magic = MAGIC_DATA;
	s % magic;
	if(s.IsLoading() && magic != MAGIC_DATA)
		s.LoadError();
	if(version != INT_NULL) {
		int v = version;
		s % v;
		if(s.IsLoading() && v != version)
			s.LoadError();
	}
	if(serialize)
		serialize(s);
	magic = MAGIC_END;
	s % magic;
	if(s.IsLoading() && magic != MAGIC_END)
		s.LoadError();
	dword measured = dword(s.GetPos() - p0);
	dword count = measured;
	s % count;
	if(s.IsLoading() && count != measured)
		s.LoadError();
}

void sRestore(StringStream& backup, const StreamFn& serialize)
{
	backup.Seek(0);
	backup.SetLoading();
	if(serialize)
		serialize(backup);
}

} // namespace

bool Store(const StreamFn& serialize, Stream& s, int version)
{
	s.SetStoring();
	sSerializeEnvelope(s, serialize, version);
	return !s.IsError();
}

bool Load(const StreamFn& serialize, Stream& s, int version)
{
	StringStream backup;
	if(serialize)
		serialize(backup);
	s.SetLoading();
	s.LoadThrowing();
	try {
		sSerializeEnvelope(s, serialize, version);
	}
	catch(LoadingError&) {
		sRestore(backup, serialize);
		return false;
	}
	catch(ValueTypeError&) {
		sRestore(backup, serialize);
		return false;
	}
	return true;
}

String StoreAsString(const StreamFn& serialize, int version)
{
	StringStream ss;
	Store(serialize, ss, version);
	return ss.GetResult();
}

bool LoadFromString(const StreamFn& serialize, const String& data, int version)
{
	StringStream ss(data);
	return Load(serialize, ss, version);
}

} // namespace Qel
