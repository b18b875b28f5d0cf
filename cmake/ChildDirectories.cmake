# pf_add_child_directories(): adds every sub-folder of the current folder that has a
# CMakeLists.txt, so that a layer's tests or benchmarks join the build by adding a folder.
function(pf_add_child_directories)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
