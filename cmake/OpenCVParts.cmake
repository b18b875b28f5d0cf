# Debian's core and image-processing OpenCV packages ship headers and libraries but no CMake
# package file (that comes with the full libopencv-dev). Find the two parts directly and
# expose them as the imported target OpenCV::parts.
if(NOT TARGET OpenCV::parts)
  find_path(OPENCV_PARTS_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
  find_library(OPENCV_CORE_LIBRARY opencv_core REQUIRED)
  find_library(OPENCV_IMGPROC_LIBRARY opencv_imgproc REQUIRED)
  add_library(OpenCV::parts INTERFACE IMPORTED)
  set_target_properties(OpenCV::parts PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${OPENCV_PARTS_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "${OPENCV_IMGPROC_LIBRARY};${OPENCV_CORE_LIBRARY}")
endif()

# The image-file codecs (libopencv-imgcodecs-dev), for tests and benchmarks that read or write
# picture files beside the system's own bitmap reader and writer: OpenCV::imgcodecs.
if(NOT TARGET OpenCV::imgcodecs)
  find_library(OPENCV_IMGCODECS_LIBRARY opencv_imgcodecs REQUIRED)
  add_library(OpenCV::imgcodecs INTERFACE IMPORTED)
  set_target_properties(OpenCV::imgcodecs PROPERTIES
    INTERFACE_LINK_LIBRARIES "${OPENCV_IMGCODECS_LIBRARY};OpenCV::parts")
endif()
