// OutFilterStream: an output Stream that feeds what is written, in 4 KiB blocks, through a
// filter (anything with Put(const void*, int), End() and a WhenOut output callback) and writes
// the filter's output on to a target stream.
#pragma once

#include "Stream.h"

namespace Qel {

class OutFilterStream : public Stream {
	byte*   inputBlock = nullptr;
	int64   passedOn = 0;
	Stream* target = nullptr;

	void HandOn();

protected:
	void PutSlow(int w) override;
	void PutSlow(const void* data, dword size) override;

public:
	static constexpr int BLOCK = 4096;

	Function<void (const void*, int)> onInput;
	Function<void ()>                 onEnd;
	Function<void (int64)>            onProgress;

	void  Close() override;
	bool  IsOpen() const override  { return inputBlock; }

	void  Reset();
	void  PassOut(const void* data, int size);
	int64 GetPassedOn() const      { return passedOn; }

	template <class F>
	void Attach(Stream& out, F& filter)
	{
		Reset();
		target = &out;
		filter.WhenOut = [this](const void* data, int size) { PassOut(data, size); };
		onInput = [&filter](const void* data, int size) { filter.Put(data, size); };
		onEnd = [&filter] { filter.End(); };
		passedOn = 0;
	}

	OutFilterStream() = default;
	template <class F>
	OutFilterStream(Stream& out, F& filter) { Attach(out, filter); }
	~OutFilterStream() override;
};

} // namespace Qel
