// Big-endian reads and writes of font tables, bounded by their data (outside reads give 0),
// and the writing of a whole font program from its tables.
#pragma once

#include <Core/Core.h>

namespace Qel::detail {

inline int BE16(const char* p, int64 len, int64 at)
{
	return at >= 0 && at + 2 <= len ? byte(p[at]) << 8 | byte(p[at + 1]) : 0;
}
inline dword BE32(const char* p, int64 len, int64 at)
{
	return at >= 0 && at + 4 <= len
	       ? dword(byte(p[at])) << 24 | dword(byte(p[at + 1])) << 16 | dword(byte(p[at + 2])) << 8 | byte(p[at + 3])
	       : 0;
}
inline int   BE16(const String& s, int64 at)  { return BE16(s.Begin(), s.GetLength(), at); }
inline int   SBE16(const String& s, int64 at) { return int16(BE16(s, at)); }
inline dword BE32(const String& s, int64 at)  { return BE32(s.Begin(), s.GetLength(), at); }

inline void PutBE16(char* p, int v)   { p[0] = char(v >> 8); p[1] = char(v); }
inline void PutBE32(char* p, dword v) { p[0] = char(v >> 24); p[1] = char(v >> 16); p[2] = char(v >> 8); p[3] = char(v); }
inline void CatBE16(StringBuffer& b, int v)   { char h[2]; PutBE16(h, v); b.Cat(h, 2); }
inline void CatBE32(StringBuffer& b, dword v) { char h[4]; PutBE32(h, v); b.Cat(h, 4); }

// A font program of the tables (four-letter tags), in tag order with their checksums; the
// "head" table, when there, gets the whole program's checksum adjustment.
String WriteSfnt(const VectorMap<String, String>& tables, dword version);

} // namespace Qel::detail
