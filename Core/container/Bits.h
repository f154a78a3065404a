// Bits: a growable array of bits kept in 32-bit words, bit i being bit i % 32 of word i / 32.
// Bits never set read as 0, however far past the end.
#pragma once

#include <Core/container/Vector.h>

namespace Qel {

class Bits {
	Vector<dword> words;

public:
	using Relocatable = void; // moved as raw bytes by the containers

	bool Get(int i) const
	{
		int w = i >> 5;
		return i >= 0 && w < words.GetCount() && (words[w] >> (i & 31)) & 1;
	}
	bool operator[](int i) const { return Get(i); }
	// Grows to hold bit i; a negative index is ignored.
	void Set(int i, bool b = true);
	void Clear()                 { words.Clear(); }

	// The words in use: bit i of the array is bit i % 32 of word i / 32.
	int          GetWordCount() const { return words.GetCount(); }
	const dword* GetWords() const     { return words.begin(); }
};

} // namespace Qel
