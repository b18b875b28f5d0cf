#include "buffers/PXBitmap.h"

namespace buffers {

PF_DEFINE_CLASS(TPXBitmap, TPXBasicBitmap)

}  // namespace buffers
