// The C entry points of the wrapper library that OpenCV itself does not export. Everything
// else the system resolves on this library's handle (cvCreateImage, cvSmooth, ...) is
// OpenCV's own C function, found through the library's link to OpenCV.
#include <opencv2/core/core_c.h>

extern "C" {

// The number of elements of a sequence; 0 for no sequence.
CV_EXPORTS int cvReadSeqSize(const CvSeq* seq) { return seq ? seq->total : 0; }

}  // extern "C"
