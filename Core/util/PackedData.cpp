#include "PackedData.h"
#include <Core/base/Heap.h>
#include <Core/text/String.h>

namespace Qel {

namespace {

// Walks one record at p: its data and length; false at the end byte.
bool Record(const byte* p, const byte*& data, int& len)
{
	if(*p == 255)
		return false;
	if(*p == 254) {
		dword l;
		memcpy(&l, p + 1, 4);
		len = (int)l;
		data = p + 5;
	}
	else {
		len = *p;
		data = p + 1;
	}
	return true;
}

// Byte buffer that grows to 1.5 × what a write needs.
class Builder {
	byte*  ptr   = (byte*)MemoryAlloc(32);
	size_t len   = 0;
	size_t alloc = 32;

	void Need(size_t n)
	{
		if(len + n <= alloc)
			return;
		size_t na = (len + n) * 3 / 2;
		byte* p = (byte*)MemoryAlloc(na);
		memcpy(p, ptr, len);
		MemoryFree(ptr);
		ptr = p;
		alloc = na;
	}

public:
	~Builder() { if(ptr) MemoryFree(ptr); }

	void Put(const void* data, size_t n)
	{
		Need(n);
		if(n)
			memcpy(ptr + len, data, n);
		len += n;
	}
	void Put(byte b) { Put(&b, 1); }
	byte* Detach()   { byte* p = ptr; ptr = nullptr; return p; }
};

} // namespace

PackedData::PackedData(const PackedData& b)
{
	if(b.ptr) {
		int n = b.GetSize();
		ptr = (byte*)MemoryAlloc(n);
		memcpy(ptr, b.ptr, n);
	}
}

PackedData& PackedData::operator=(const PackedData& b)
{
	if(this != &b) {
		PackedData tmp(b);
		*this = std::move(tmp);
	}
	return *this;
}

PackedData& PackedData::operator=(PackedData&& b) noexcept
{
	if(this != &b) {
		Clear();
		ptr = b.ptr;
		b.ptr = nullptr;
	}
	return *this;
}

void PackedData::Clear()
{
	if(ptr)
		MemoryFree(ptr);
	ptr = nullptr;
}

void PackedData::SetData(int key, const void* data, int len)
{
	if(key < 0)
		return;
	if(len < 0 || !data)
		len = 0;
	static const byte end = 255;
	const byte* p = ptr ? ptr : &end;
	const byte* start = nullptr; // record key
	const byte* after = nullptr; // behind it
	int count = 0;
	for(const byte* q = p;;) {
		const byte* d;
		int l;
		if(!Record(q, d, l)) {
			if(!start)
				start = after = q;
			break;
		}
		if(count == key)
			start = q;
		q = d + l;
		if(count == key)
			after = q;
		count++;
	}
	Builder b;
	b.Put(p, start - p);
	for(int i = count; i < key; i++)
		b.Put(byte(0));
	if(len <= 253)
		b.Put(byte(len));
	else {
		b.Put(byte(254));
		dword l = len;
		b.Put(&l, 4);
	}
	b.Put(data, len);
	const byte* tail = after;
	while(*tail != 255) {
		const byte* d;
		int l;
		Record(tail, d, l);
		tail = d + l;
	}
	b.Put(after, tail - after + 1);
	Clear();
	ptr = b.Detach();
}

const byte* PackedData::GetData(int key, int& len) const
{
	len = 0;
	if(!ptr || key < 0)
		return nullptr;
	const byte* q = ptr;
	for(int i = 0;; i++) {
		const byte* d;
		int l;
		if(!Record(q, d, l))
			return nullptr;
		if(i == key) {
			len = l;
			return d;
		}
		q = d + l;
	}
}

bool PackedData::GetData(int key, String& out) const
{
	int len;
	const byte* p = GetData(key, len);
	if(!p) {
		out.Clear();
		return false;
	}
	out = String((const char*)p, len);
	return true;
}

int PackedData::GetCount() const
{
	int n = 0;
	if(ptr)
		for(const byte* q = ptr;; n++) {
			const byte* d;
			int l;
			if(!Record(q, d, l))
				break;
			q = d + l;
		}
	return n;
}

int PackedData::GetSize() const
{
	if(!ptr)
		return 0;
	const byte* q = ptr;
	for(;;) {
		const byte* d;
		int l;
		if(!Record(q, d, l))
			break;
		q = d + l;
	}
	return int(q - ptr + 1);
}

} // namespace Qel
