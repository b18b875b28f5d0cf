/* Small stand-ins for the optional libraries, built only for the tests. Each library exports
 * a few names of the real interface that return sentinel statuses, and records its loading
 * and unloading in the file named by PF_FAKE_LIBRARY_LOG (one line each). The library is
 * chosen by the macro FAKE_LIBRARY_NAME and the FAKE_* switches. */
#include <stdio.h>
#include <stdlib.h>

typedef struct { int width, height; } FakeSize;

static void FakeLog(const char* what) {
  const char* path = getenv("PF_FAKE_LIBRARY_LOG");
  if (!path || !*path) return;
  FILE* f = fopen(path, "a");
  if (!f) return;
  fprintf(f, "%s %s\n", what, FAKE_LIBRARY_NAME);
  fclose(f);
}

__attribute__((constructor)) static void FakeLoad(void) { FakeLog("load"); }
__attribute__((destructor)) static void FakeFree(void) { FakeLog("free"); }

#define UNUSED(x) (void)(x)

#if defined(FAKE_IMAGE) || defined(FAKE_COLOUR) || defined(FAKE_SIGNAL)
int ippiCopy_8u_C1R(const unsigned char* s, int ss, unsigned char* d, int ds, FakeSize r) {
  UNUSED(s); UNUSED(ss); UNUSED(d); UNUSED(ds); UNUSED(r);
  return FAKE_BASE + 1;
}
#endif

#if defined(FAKE_IMAGE)
int ippiFilterHipass_8u_AC4R(const unsigned char* s, int ss, unsigned char* d, int ds, FakeSize r,
                             int mask) {
  UNUSED(s); UNUSED(ss); UNUSED(d); UNUSED(ds); UNUSED(r); UNUSED(mask);
  return FAKE_BASE + 2;
}
#endif

#if defined(FAKE_COLOUR)
int ippiSet_8u_C1R(unsigned char v, unsigned char* d, int ds, FakeSize r) {
  UNUSED(v); UNUSED(d); UNUSED(ds); UNUSED(r);
  return FAKE_BASE + 2;
}
#endif

#if defined(FAKE_COLOUR) || defined(FAKE_SIGNAL)
int ippsDivC_8u_Sfs(const unsigned char* s, unsigned char v, unsigned char* d, int n, int sf) {
  UNUSED(s); UNUSED(v); UNUSED(d); UNUSED(n); UNUSED(sf);
  return FAKE_BASE + 3;
}
#endif

#if defined(FAKE_SIGNAL)
int ippsCopy_8u(const unsigned char* s, unsigned char* d, int n) {
  UNUSED(s); UNUSED(d); UNUSED(n);
  return FAKE_BASE + 4;
}
#endif

#if defined(FAKE_CORE)
int ippGetCpuType(void) { return 0x50; }
#endif

#if defined(FAKE_VISION)
int ippiCannyGetSize(FakeSize r, int* size) {
  UNUSED(r); UNUSED(size);
  return FAKE_BASE + 1;
}
#endif

#if defined(FAKE_DSOUND)
int DirectSoundCreate(void* guid, void** ds, void* outer) {
  UNUSED(guid); UNUSED(ds); UNUSED(outer);
  return 0;
}
int GetDeviceID(void* in, void* out) {
  UNUSED(in); UNUSED(out);
  return 0;
}
#endif
