#include "Ptr.h"
#include <Core/base/Heap.h>
#include <Core/thread/Thread.h>

namespace Qel {

namespace {

// Guards every link record's target and every change of a prec field.
StaticMutex sPtrMutex;

// Link records are 16-byte blocks of the small-block heap.
constexpr int PREC_CLASS = 18;

} // namespace

PteBase::~PteBase()
{
	Mutex::Lock lock(sPtrMutex);
	if(prec)
		prec->ptr.store(nullptr, std::memory_order_release);
}

void PtrBase::Set(PteBase* p)
{
	if(!p) {
		prec = nullptr;
		return;
	}
	Mutex::Lock lock(sPtrMutex);
	if(p->prec)
		p->prec->n.fetch_add(1, std::memory_order_relaxed);
	else {
		static_assert(sizeof(PteBase::Prec) <= 16);
		void* m = MemoryAllocClass(PREC_CLASS);
		p->prec = new(m) PteBase::Prec;
		p->prec->ptr.store(p, std::memory_order_relaxed);
		p->prec->n.store(1, std::memory_order_relaxed);
	}
	prec = p->prec;
}

void PtrBase::Release()
{
	if(!prec)
		return;
	Mutex::Lock lock(sPtrMutex);
	if(prec->n.fetch_sub(1, std::memory_order_acq_rel) == 1) {
		if(PteBase* p = prec->ptr.load(std::memory_order_relaxed))
			p->prec = nullptr;
		prec->~Prec();
		MemoryFreeClass(PREC_CLASS, prec);
	}
	prec = nullptr;
}

void PtrBase::Assign(PteBase* p)
{
	Release();
	Set(p);
}

} // namespace Qel
