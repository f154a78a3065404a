// PackedData: a compact store of byte records addressed by position, one heap block in all.
// A record is a length byte 0..253 and the bytes, or 254, a 32-bit little-endian length and
// the bytes; the byte 255 ends the block.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class String;

class PackedData {
	byte* ptr = nullptr;

public:
	using Relocatable = void; // moved as raw bytes by the containers
	PackedData() = default;
	PackedData(const PackedData& b);
	PackedData(PackedData&& b) noexcept : ptr(b.ptr) { b.ptr = nullptr; }
	~PackedData() { Clear(); }

	PackedData& operator=(const PackedData& b);
	PackedData& operator=(PackedData&& b) noexcept;

	// Replaces record key, adding empty records before it when the block is shorter.
	void SetData(int key, const void* data, int len);
	// The bytes of record key and their count; null (and len 0) when there is no such record.
	const byte* GetData(int key, int& len) const;
	// Record key as text; false, with out empty, when there is no such record.
	bool GetData(int key, String& out) const;
	// Number of records.
	int  GetCount() const;
	// Size of the whole block in bytes, end byte included (0 without a block).
	int  GetSize() const;
	const byte* GetBlock() const { return ptr; }
	bool IsEmpty() const         { return !ptr; }
	void Clear();
};

} // namespace Qel
