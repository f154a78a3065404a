#include <richtext/object/RichTextHooks.h>
#include <richtext/object/detail/ClipHooks.h>

namespace Qel {

namespace {

struct sClipHooks {
	StaticMutex               mutex;
	detail::RichImageClipHooks hooks;
};

// Made on first use, so the GUI's static initialisers may call in before this unit's own ran.
sClipHooks& sHooks()
{
	static sClipHooks h;
	return h;
}

} // namespace

void RichTextInitOnce()
{
	static StaticMutex mutex;
	static constinit bool done = false;
	Mutex::Lock lock(mutex);
	if(done)
		return;
	done = true;
}

void SetRichImageClipboardHooks(RichImageClipDataFn data, RichImageAcceptClipFn accept,
                                RichImageReadClipFn read, RichImageClipFormatsFn formats)
{
	sClipHooks& h = sHooks();
	Mutex::Lock lock(h.mutex);
	h.hooks = {data, accept, read, formats};
}

detail::RichImageClipHooks detail::GetRichImageClipHooks()
{
	sClipHooks& h = sHooks();
	Mutex::Lock lock(h.mutex);
	return h.hooks;
}

} // namespace Qel
