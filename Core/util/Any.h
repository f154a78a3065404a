// Any: owns one heap object of any type and records which type it is, by the number
// StaticTypeNo gives that type. It moves as one pointer and a number; it is not copied.
#pragma once

#include <Core/base/Panic.h>
#include <Core/util/Util.h>

#include <utility>

namespace Qel {

class Any {
	struct Base {
		virtual ~Base() = default;
	};
	template <class T>
	struct Holder : Base {
		T value;
		template <class... A>
		explicit Holder(A&&... a) : value(std::forward<A>(a)...) {}
	};

	Base* ptr = nullptr;
	int   typeno = 0;

	template <class T>
	T& Held() const
	{
		if(!Is<T>())
			Panic("Any holds no object of the requested type");
		return static_cast<Holder<T>*>(ptr)->value;
	}

public:
	using Relocatable = void; // moved as raw bytes by the containers

	// Destroys what this holds, then holds a new T made of the arguments.
	template <class T, class... A>
	T& Create(A&&... a)
	{
		Holder<T>* h = new Holder<T>(std::forward<A>(a)...);
		Clear();
		ptr = h;
		typeno = StaticTypeNo<T>();
		return h->value;
	}

	template <class T>
	bool Is() const              { return ptr && typeno == StaticTypeNo<T>(); }
	// The held T; a holder of anything else is a programming error and ends in Panic.
	template <class T>
	T& Get()                     { return Held<T>(); }
	template <class T>
	const T& Get() const         { return Held<T>(); }

	bool IsEmpty() const         { return !ptr; }
	void Clear()                 { delete ptr; ptr = nullptr; typeno = 0; }

	Any() = default;
	Any(Any&& a) noexcept : ptr(a.ptr), typeno(a.typeno) { a.ptr = nullptr; a.typeno = 0; }
	Any& operator=(Any&& a) noexcept
	{
		if(this != &a) {
			Clear();
			ptr = a.ptr;
			typeno = a.typeno;
			a.ptr = nullptr;
			a.typeno = 0;
		}
		return *this;
	}
	Any(const Any&) = delete;
	Any& operator=(const Any&) = delete;
	~Any()                       { delete ptr; }
};

} // namespace Qel
