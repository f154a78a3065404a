// BlockStream: a buffered, seekable Stream over any medium that reads and writes runs of bytes
// at a 64-bit position. One page of the medium is cached and written back only when changed;
// block transfers that span pages move the whole pages between straight to the medium.
#pragma once

#include "Stream.h"

namespace Qel {

class BlockStream : public Stream {
protected:
	int   pageSize = 0;
	int64 pageMask = 0;
	int64 pagePos = -1;
	bool  pageDirty = false;
	int64 knownSize = 0;

	void  PutSlow(int w) override;
	int   TermSlow() override;
	int   GetSlow() override;
	void  PutSlow(const void* data, dword size) override;
	dword GetSlow(void* data, dword size) override;

	// The medium.
	virtual dword Read(int64 at, void* ptr, dword size);
	virtual void  Write(int64 at, const void* data, dword size);
	virtual void  SetStreamSize(int64 size);

	void OpenInit(dword style, int64 size); // a freshly opened medium of the given size

public:
	void  Seek(int64 pos) override;
	int64 GetSize() const override;
	void  SetSize(int64 size) override;
	void  Flush() override;

	void  SetPageSize(dword size);
	int   GetPageSize() const      { return pageSize; }

	BlockStream() = default;
	~BlockStream() override;

private:
	void SyncSize()                { if(cursor) knownSize = max(knownSize, GetPos()); }
	void SetWindow(int64 pos);
	bool LoadPage();
	void ZeroPageFrom(int64 offset);
	int64 WholePages(dword size) const;
};

} // namespace Qel
