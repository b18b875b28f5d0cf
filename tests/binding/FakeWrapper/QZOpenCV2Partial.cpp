// A wrapper library without entry points of its own: only OpenCV's C functions are found on
// its handle.
extern "C" int QZOpenCV2PartialMarker() { return 1; }
