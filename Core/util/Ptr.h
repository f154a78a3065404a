// Weak pointers: Ptr<T> points at an object derived from Pte<T> and reads null once that
// object is destroyed. The object and its pointers share one small link record.
#pragma once

#include <Core/base/Defs.h>

#include <atomic>

namespace Qel {

class PtrBase;

class PteBase {
	friend class PtrBase;

	struct Prec {
		std::atomic<PteBase*> ptr;
		std::atomic<int>      n;
	};

	Prec* prec = nullptr;

protected:
	PteBase() = default;
	// A copy is a new object: weak pointers to the original do not see it.
	PteBase(const PteBase&) {}
	PteBase& operator=(const PteBase&) { return *this; }
	~PteBase();
};

class PtrBase {
protected:
	PteBase::Prec* prec = nullptr;

	void     Set(PteBase* p);
	void     Release();
	void     Assign(PteBase* p);
	PteBase* GetPte() const { return prec ? prec->ptr.load(std::memory_order_acquire) : nullptr; }

	PtrBase() = default;
	~PtrBase() { Release(); }
};

template <class T>
class Pte : public PteBase {};

template <class T>
class Ptr : public PtrBase {
	static PteBase* Base(T* p) { return p ? static_cast<PteBase*>(static_cast<Pte<T>*>(p)) : nullptr; }

public:
	T* Get() const
	{
		PteBase* p = GetPte();
		return p ? static_cast<T*>(static_cast<Pte<T>*>(p)) : nullptr;
	}
	T*   operator->() const { return Get(); }
	T&   operator*() const  { return *Get(); }
	operator T*() const     { return Get(); }

	Ptr& operator=(T* p)          { Assign(Base(p)); return *this; }
	Ptr& operator=(const Ptr& p)  { if(this != &p) Assign(p.GetPte()); return *this; }

	Ptr() = default;
	Ptr(T* p)                     { Set(Base(p)); }
	Ptr(const Ptr& p)             { Set(p.GetPte()); }
};

} // namespace Qel
