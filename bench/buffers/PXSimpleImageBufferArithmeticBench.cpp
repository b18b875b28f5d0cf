// The image buffer's whole-image arithmetic beside the bare primitive it calls: Add (B) of two
// unshared 1920 x 1080 RGB24 images against ippiAdd_8u_C3IRSfs on the same pixels with the
// scale factor 1, timed side by side in one run (ratio shell / bare call). The shell must
// neither copy an unshared store nor convert an image of the same format.
#include <benchmark/benchmark.h>

#include "bench/common/BenchCompare.h"
#include "bench/common/BenchUnits.h"
#include "binding/BindingUnits.h"
#include "buffers/PXSimpleImageBuffer.h"
#include "buffers/RBInternalStore.h"
#include "platform/Forms.h"
#include "platform/Kernel.h"
#include "platform/Messages.h"

namespace {

using buffers::TPXImageBuffer;

platform::RefPtr<TPXImageBuffer> RandomImage(uint32_t seed) {
  platform::RefPtr<TPXImageBuffer> image = TPXImageBuffer::CreateSize(1920, 1080, buffers::vfRGB24);
  uint8_t* p = image->Write();
  for (uint32_t i = 0; i < image->GetByteSize(); ++i)
    p[i] = static_cast<uint8_t>(seed = seed * 1103515245u + 12345u);
  return image;
}

void BM_ImageBufferAdd_RGB24(benchmark::State& state) {
  platform::RefPtr<TPXImageBuffer> image = RandomImage(1), other = RandomImage(2);
  platform::RefPtr<TPXImageBuffer> bare = RandomImage(3), bareOther = RandomImage(4);
  const int step = static_cast<int>(image->GetStep());
  bench::CompareSides(
      state, [&] { image->Add(other.Get()); },
      [&] {
        ippiAdd_8u_C3IRSfs(bareOther->Read(), step, bare->Modify(), step, bare->GetIppiSize(), 1);
      },
      "shell", "bare");
}

}  // namespace

BENCHMARK(BM_ImageBufferAdd_RGB24)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  static const platform::TUnit units[] = {
      platform::KernelUnit,         platform::MessagesUnit, platform::FormsUnit,
      CBIPPSLoader::Unit,           CBIPPILoader::Unit,     PXBasicDispatcher::Unit,
      PXDispatcher::Unit,           PXSubDispatcher::Unit,  RBBasicDispatcher::Unit,
      buffers::RBInternalStoreUnit,
  };
  return bench::RunWithUnits(argc, argv, units);
}
