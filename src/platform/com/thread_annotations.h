// Lock annotations that clang's -Wthread-safety checks at compile time (the
// clang-threads preset turns the warning on and makes it an error). Other
// compilers see empty macros.
//
//   QORV_GUARDED_BY(m)        the member is read and written only with m held
//   QORV_PT_GUARDED_BY(m)     what the pointer member points to, likewise
//   QORV_REQUIRES(m)          the caller holds m
//   QORV_EXCLUDES(m)          the caller does not hold m (the function takes it)
//   QORV_ACQUIRE / RELEASE    the function takes / gives back the capability
//   QORV_CAPABILITY(name)     the class is a lock
//   QORV_SCOPED_CAPABILITY    the class holds a lock for its lifetime
//   QORV_NO_THREAD_SAFETY_ANALYSIS  opts a function out; say why beside it
#ifndef QORV_PLATFORM_COM_THREAD_ANNOTATIONS_H_
#define QORV_PLATFORM_COM_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define QORV_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define QORV_THREAD_ANNOTATION(x)
#endif

#define QORV_CAPABILITY(name) QORV_THREAD_ANNOTATION(capability(name))
#define QORV_SCOPED_CAPABILITY QORV_THREAD_ANNOTATION(scoped_lockable)
#define QORV_GUARDED_BY(m) QORV_THREAD_ANNOTATION(guarded_by(m))
#define QORV_PT_GUARDED_BY(m) QORV_THREAD_ANNOTATION(pt_guarded_by(m))
#define QORV_ACQUIRED_BEFORE(...) QORV_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define QORV_ACQUIRED_AFTER(...) QORV_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define QORV_REQUIRES(...) QORV_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define QORV_EXCLUDES(...) QORV_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define QORV_ACQUIRE(...) QORV_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define QORV_RELEASE(...) QORV_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define QORV_TRY_ACQUIRE(...) QORV_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define QORV_ASSERT_CAPABILITY(m) QORV_THREAD_ANNOTATION(assert_capability(m))
#define QORV_RETURN_CAPABILITY(m) QORV_THREAD_ANNOTATION(lock_returned(m))
#define QORV_NO_THREAD_SAFETY_ANALYSIS QORV_THREAD_ANNOTATION(no_thread_safety_analysis)

#endif  // QORV_PLATFORM_COM_THREAD_ANNOTATIONS_H_
