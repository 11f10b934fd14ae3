// Annotations for clang's thread-safety analysis. They state which lock
// guards a member, which locks a function needs or takes, and the order in
// which locks are taken; clang checks them (-Wthread-safety, with
// -Wthread-safety-beta for the order), other compilers ignore them.
#pragma once

#if defined(__clang__)
#define MVDB_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define MVDB_THREAD_ANNOTATION(x)
#endif

// A type whose objects are locks.
#define MVDB_CAPABILITY(name) MVDB_THREAD_ANNOTATION(capability(name))
// A type whose objects hold a lock for their lifetime.
#define MVDB_SCOPED_CAPABILITY MVDB_THREAD_ANNOTATION(scoped_lockable)
// The member is read and written only while the lock is held.
#define MVDB_GUARDED_BY(lock) MVDB_THREAD_ANNOTATION(guarded_by(lock))
// The pointed-to data is read and written only while the lock is held.
#define MVDB_PT_GUARDED_BY(lock) MVDB_THREAD_ANNOTATION(pt_guarded_by(lock))
// This lock is always taken before (or after) the locks named.
#define MVDB_ACQUIRED_BEFORE(...) MVDB_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define MVDB_ACQUIRED_AFTER(...) MVDB_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
// The caller must hold (or must not hold) the locks named.
#define MVDB_REQUIRES(...) MVDB_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define MVDB_EXCLUDES(...) MVDB_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// The function takes (or releases) the locks named, or `this` when none is.
#define MVDB_ACQUIRE(...) MVDB_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define MVDB_RELEASE(...) MVDB_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
// The function returns a reference to the lock named.
#define MVDB_RETURN_CAPABILITY(x) MVDB_THREAD_ANNOTATION(lock_returned(x))
// Turns the analysis off for one function: for the lock implementations
// themselves, whose bodies the analysis cannot follow.
#define MVDB_NO_THREAD_SAFETY_ANALYSIS MVDB_THREAD_ANNOTATION(no_thread_safety_analysis)
