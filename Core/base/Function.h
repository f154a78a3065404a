// Function<R (Args...)>: the type-erased callable behind every callback and event.
// It is one pointer to a shared, reference-counted wrapper: copying costs one atomic increment,
// constructing from a callable one allocation, calling one indirect call. f << g joins two callbacks into one that calls
// f, then g.
#pragma once

#include <atomic>
#include <type_traits>
#include <utility>

namespace Qel {

namespace detail {

// Calls in progress on this thread, innermost first. A callback may reassign or destroy the
// Function that called it: the wrapper it runs in then dies when the outermost call of it
// returns (or unwinds), not under its feet. Only the calling thread can drop that last
// reference (anything else would race with the call), so a thread-local list is enough and a
// call costs no atomic operation.
struct FunctionFrame {
	const void*    wrapper;
	FunctionFrame* up;
	bool           doomed;
};

inline constinit thread_local FunctionFrame* functionFrames = nullptr;

// On the last release of a wrapper: true if it is running, its deletion then left to the call.
inline bool DeferWhileRunning(const void* wrapper)
{
	FunctionFrame* outermost = nullptr;
	for(FunctionFrame* f = functionFrames; f; f = f->up)
		if(f->wrapper == wrapper)
			outermost = f;
	if(outermost)
		outermost->doomed = true;
	return outermost;
}

} // namespace detail

template <class Sig> class Function;

template <class R, class... Args>
class Function<R (Args...)> {
	struct WrapperBase {
		std::atomic<int> refcount{1};

		virtual R Execute(Args... args) = 0;
		virtual ~WrapperBase() = default;

		void Retain()  { refcount.fetch_add(1, std::memory_order_relaxed); }
		void Release()
		{
			if(refcount.fetch_sub(1, std::memory_order_acq_rel) == 1 && !detail::DeferWhileRunning(this))
				delete this;
		}
	};

	template <class F>
	struct Wrapper final : WrapperBase {
		F fn;

		template <class G>
		explicit Wrapper(G&& g) : fn(std::forward<G>(g)) {}

		R Execute(Args... args) override
		{
			if constexpr(std::is_void_v<R>)
				(void)fn(std::forward<Args>(args)...);
			else
				return fn(std::forward<Args>(args)...);
		}
	};

	struct Wrapper2 final : WrapperBase {
		WrapperBase* first;
		WrapperBase* second;

		Wrapper2(WrapperBase* a, WrapperBase* b) : first(a), second(b)
		{
			if(first) first->Retain();
			if(second) second->Retain();
		}
		~Wrapper2() override
		{
			if(first) first->Release();
			if(second) second->Release();
		}
		// The first callback gets arguments passed by value as copies, so the second still
		// sees them; reference arguments reach both as they came.
		template <class A, class V>
		static decltype(auto) Share(V& v)
		{
			if constexpr(std::is_reference_v<A>)
				return static_cast<A>(v);
			else
				return (v);
		}

		R Execute(Args... args) override
		{
			if constexpr(std::is_void_v<R>) {
				if(first) first->Execute(Share<Args>(args)...);
				if(second) second->Execute(std::forward<Args>(args)...);
			}
			else {
				if(!second)
					return first ? first->Execute(std::forward<Args>(args)...) : R();
				if(first) first->Execute(Share<Args>(args)...);
				return second->Execute(std::forward<Args>(args)...);
			}
		}
	};

	WrapperBase* ptr = nullptr;

	template <class F>
	static constexpr bool IsCallable = !std::is_same_v<std::decay_t<F>, Function> &&
	                                   !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
	                                   !std::is_member_pointer_v<std::decay_t<F>> &&
	                                   std::is_invocable_r_v<R, std::decay_t<F>&, Args...>;

	void Set(WrapperBase* w)
	{
		if(w) w->Retain();
		WrapperBase* old = ptr;
		ptr = w;
		if(old) old->Release();
	}

public:
	using Relocatable = void; // moved as raw bytes by the containers
	Function() = default;
	Function(std::nullptr_t) {}
	Function(const Function& f) : ptr(f.ptr) { if(ptr) ptr->Retain(); }
	Function(Function&& f) noexcept : ptr(f.ptr) { f.ptr = nullptr; }

	template <class F, std::enable_if_t<IsCallable<F>, int> = 0>
	Function(F&& fn)
	{
		// Only a pointer variable can be null; a function named directly never is.
		if constexpr(std::is_pointer_v<std::remove_cvref_t<F>>)
			if(!fn)
				return;
		ptr = new Wrapper<std::decay_t<F>>(std::forward<F>(fn));
	}

	// A callback bound to an object's member function; a virtual member calls the override.
	template <class T, class M, std::enable_if_t<std::is_member_function_pointer_v<M>, int> = 0>
	Function(T* object, M method)
		: Function([object, method](Args... args) -> R { return (object->*method)(std::forward<Args>(args)...); }) {}

	~Function() { if(ptr) ptr->Release(); }

	Function& operator=(const Function& f) { Set(f.ptr); return *this; }
	Function& operator=(Function&& f) noexcept
	{
		if(this != &f) {
			WrapperBase* old = ptr;
			ptr = f.ptr;
			f.ptr = nullptr;
			if(old) old->Release();
		}
		return *this;
	}
	Function& operator=(std::nullptr_t) { Clear(); return *this; }

	// Calling an empty Function does nothing and yields a value-initialised result.
	R operator()(Args... args) const
	{
		if(!ptr) {
			if constexpr(std::is_void_v<R>)
				return;
			else
				return R();
		}
		WrapperBase* w = ptr;
		struct Frame : detail::FunctionFrame {
			explicit Frame(WrapperBase* w) : FunctionFrame{ w, detail::functionFrames, false } { detail::functionFrames = this; }
			~Frame()
			{
				detail::functionFrames = up;
				if(doomed)
					delete (WrapperBase*)wrapper;
			}
		} frame(w);
		return w->Execute(std::forward<Args>(args)...);
	}

	// Joins g after the callbacks already held: calling the result runs this, then g.
	Function& operator<<(const Function& g)
	{
		if(!g.ptr)
			return *this;
		if(!ptr) {
			Set(g.ptr);
			return *this;
		}
		WrapperBase* joined = new Wrapper2(ptr, g.ptr);
		ptr->Release();
		ptr = joined;
		return *this;
	}

	void Clear()
	{
		WrapperBase* old = ptr;
		ptr = nullptr;
		if(old) old->Release();
	}

	explicit operator bool() const { return ptr; }
	bool IsEmpty() const           { return !ptr; }
	void Swap(Function& f) noexcept { std::swap(ptr, f.ptr); }
	friend void swap(Function& a, Function& b) noexcept { a.Swap(b); }
};

} // namespace Qel
