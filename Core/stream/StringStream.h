// StringStream: reads over a String or writes into a growing buffer whose result is a String,
// with an optional size limit. The rollback copies of Load and every "store as string" go
// through it, so its fast paths are the inline ones of Stream.
#pragma once

#include "Stream.h"

namespace Qel {

class StringStream : public Stream {
	bool         writing = false;
	String       content;
	StringBuffer writeBuffer;
	int          logicalSize = 0;
	int          sizeLimit = 0x7FFFFFFF;

	void SetReadMode();
	void SetWriteMode();
	void SetWriteWindow(int64 offset);

protected:
	void  PutSlow(int w) override;
	int   TermSlow() override;
	int   GetSlow() override;
	void  PutSlow(const void* data, dword size) override;
	dword GetSlow(void* data, dword size) override;

public:
	class LimitExc : public StreamError {
	public:
		LimitExc() = default;
	};

	// Past the end a stream being read stops at its end; a writing one grows, zero-filled, and
	// throws LimitExc when that would pass its size limit (or 2 GB).
	void  Seek(int64 pos) override;
	int64 GetSize() const override;
	void  SetSize(int64 size) override;
	bool  IsOpen() const override  { return true; }

	void   Open(const String& data);
	void   Create();
	String GetResult();
	void   SetSizeLimit(int limit);
	int    GetSizeLimit() const    { return sizeLimit; }

	StringStream()                 { Create(); }
	explicit StringStream(const String& data) { Open(data); }
};

} // namespace Qel
