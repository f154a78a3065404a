// Whether the test program runs under a sanitizer, whose instrumented code runs several times
// slower than the normal build's: property tests walk fewer random cases there, each checked as
// fully, and the normal build walks them all.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QEL_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QEL_TEST_SANITIZED 1
#endif
#endif

namespace QelTest {

#ifdef QEL_TEST_SANITIZED
inline constexpr bool SANITIZED = true;
#else
inline constexpr bool SANITIZED = false;
#endif

} // namespace QelTest
