// The shared library needs no entry code of its own on this platform: the
// exports live in the core archive, linked in whole, and a version script
// hides everything else.
namespace mvdb {
extern const int kLibraryAbiVersion;
const int kLibraryAbiVersion = 1;
}  // namespace mvdb
