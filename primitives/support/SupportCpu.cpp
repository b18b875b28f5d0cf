#include <atomic>
#include <cstring>

#include "primitives/support/Support.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define PF_HAVE_CPUID 1
#else
#define PF_HAVE_CPUID 0
#endif

namespace builtin {

const TCacheDescriptor fbCacheDescriptorTable[29] = {
    {0x47, 8388608}, {0x49, 4194304}, {0x29, 4194304}, {0x46, 4194304}, {0x25, 2097152},
    {0x7D, 2097152}, {0x85, 2097152}, {0x45, 2097152}, {0x23, 1048576}, {0x87, 1048576},
    {0x7C, 1048576}, {0x78, 1048576}, {0x84, 1048576}, {0x44, 1048576}, {0x22, 524288},
    {0x7B, 524288},  {0x86, 524288},  {0x7F, 524288},  {0x83, 524288},  {0x43, 524288},
    {0x7A, 262144},  {0x82, 262144},  {0x3C, 262144},  {0x42, 262144},  {0x79, 131072},
    {0x39, 131072},  {0x3B, 131072},  {0x41, 131072},  {0, 0},
};

namespace {

// The memo: status 1 means not yet determined. Two threads may both determine it; they
// compute the same values.
std::atomic<int> gCacheStatus{1};
std::atomic<int> gCacheSize{0};

}  // namespace

bool fbHasCpuid() {
#if PF_HAVE_CPUID
  return __get_cpuid_max(0, nullptr) != 0;
#else
  return false;
#endif
}

std::uint32_t fbCpuidMaxLeaf() {
#if PF_HAVE_CPUID
  return __get_cpuid_max(0, nullptr);
#else
  return 0;
#endif
}

bool fbIsGenuineIntel() {
#if PF_HAVE_CPUID
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(0, &a, &b, &c, &d)) return false;
  char vendor[12];
  std::memcpy(vendor, &b, 4);
  std::memcpy(vendor + 4, &d, 4);
  std::memcpy(vendor + 8, &c, 4);
  return std::memcmp(vendor, "GenuineIntel", 12) == 0;
#else
  return false;
#endif
}

std::int32_t fbCacheSizeFromLeaf2(const std::uint32_t regs[4], const TCacheDescriptor* table) {
  if ((regs[0] & 0xFFu) != 1) return -1;
  std::uint8_t bytes[16];
  int count = 0;
  for (int r = 0; r < 4; ++r) {
    if (regs[r] & 0x80000000u) continue;
    for (int k = (r == 0 ? 1 : 0); k < 4; ++k) bytes[count++] = static_cast<std::uint8_t>(regs[r] >> (8 * k));
  }
  for (const TCacheDescriptor* e = table; e->Descriptor != 0; ++e)
    for (int i = 0; i < count; ++i)
      if (bytes[i] == e->Descriptor) return e->Size;
  return -1;
}

std::int32_t fbCacheSizeFromDescriptors(const TCacheDescriptor* table) {
#if PF_HAVE_CPUID
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid(2, a, b, c, d);
  const std::uint32_t regs[4] = {a, b, c, d};
  return fbCacheSizeFromLeaf2(regs, table);
#else
  (void)table;
  return -1;
#endif
}

IppStatus fbGetCacheSize(int* size) {
  if (!size) return ippStsNullPtrErr;
  int status = gCacheStatus.load();
  if (status == 1) {
    int found = 0;
    if (!fbHasCpuid() || fbCpuidMaxLeaf() < 2 || !fbIsGenuineIntel()) {
      status = ippStsCpuNotSupportedErr;
    } else {
      const std::int32_t bytes = fbCacheSizeFromDescriptors(fbCacheDescriptorTable);
      status = bytes < 0 ? ippStsUnknownCacheSize : ippStsNoErr;
      found = bytes < 0 ? 0 : bytes;
    }
    gCacheSize.store(found);
    gCacheStatus.store(status);
  }
  *size = gCacheSize.load();
  return status;
}

}  // namespace builtin
