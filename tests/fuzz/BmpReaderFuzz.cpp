// libFuzzer target of the bitmap file reader: every input loads or is refused with
// EInvalidGraphic, and a loaded picture has a sane size.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  platform::TBitmap* bitmap = platform::New<platform::TBitmap>();
  try {
    bitmap->LoadFromStream(in);
    if (bitmap->Width() < 1 || bitmap->Width() > 32767 || bitmap->Height() < 1 || bitmap->Height() > 32767)
      std::abort();
    volatile uint8_t last = bitmap->ScanLine(bitmap->Height() - 1)[bitmap->ScanLineStep() - 1];
    (void)last;
  } catch (const platform::EInvalidGraphic&) {
  }
  bitmap->Free();
  return 0;
}
