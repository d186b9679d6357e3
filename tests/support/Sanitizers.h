#pragma once
// ORB_THREAD_SANITIZER is defined in a ThreadSanitizer build (gcc or clang).
// Qt is not built with it and syncs its worker threads (the file dialog's
// gatherer, image scaling and conversion in its thread pool) on futexes the
// sanitizer cannot see, so it reports races inside Qt at random; tests that
// drive those parts of Qt skip themselves there and run in the other builds.

#if defined(__SANITIZE_THREAD__)
#define ORB_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORB_THREAD_SANITIZER 1
#endif
#endif
