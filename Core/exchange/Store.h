// Store and Load: an object's serialisation in the versioned "data" ... "end" envelope. Load
// rolls back: data that the stream or a Value conversion rejects leaves the object as it was.
// Here, above Value, because a ValueTypeError counts as rejected data.
#pragma once

#include <Core/base/Function.h>
#include <Core/stream/Stream.h>

namespace Qel {

using StreamFn = Function<void (Stream&)>;

// The versioned "data" ... "end" envelope around an object's serialisation.
bool Store(const StreamFn& serialize, Stream& s, int version = INT_NULL);
// Loads with rollback: rejected data leaves the object as it was and gives false.
bool Load(const StreamFn& serialize, Stream& s, int version = INT_NULL);

String StoreAsString(const StreamFn& serialize, int version = INT_NULL);
bool   LoadFromString(const StreamFn& serialize, const String& data, int version = INT_NULL);

template <class T>
concept StreamSerializable = requires(T& x, Stream& s) { x.Serialize(s); };

template <StreamSerializable T>
bool Store(T& x, Stream& s, int version = INT_NULL)
{
	return Store(StreamFn([&x](Stream& s) { x.Serialize(s); }), s, version);
}

template <StreamSerializable T>
bool Load(T& x, Stream& s, int version = INT_NULL)
{
	return Load(StreamFn([&x](Stream& s) { x.Serialize(s); }), s, version);
}

template <StreamSerializable T>
String StoreAsString(T& x, int version = INT_NULL)
{
	return StoreAsString(StreamFn([&x](Stream& s) { x.Serialize(s); }), version);
}

template <StreamSerializable T>
bool LoadFromString(T& x, const String& data, int version = INT_NULL)
{
	return LoadFromString(StreamFn([&x](Stream& s) { x.Serialize(s); }), data, version);
}

} // namespace Qel
