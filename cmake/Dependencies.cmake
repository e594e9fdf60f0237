# Every dependency comes from Debian's packages; ./run and ./test install them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(SDL2 REQUIRED)
find_package(X11 REQUIRED)  # the renderer choice asks the X server about OpenGL
find_package(XercesC REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Freetype REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
find_package(GTest REQUIRED)
if(QUELLOR_BENCH)
  find_package(benchmark REQUIRED)
endif()
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)

# Collects the sources of one folder tree (new files are picked up on the next build).
function(quellor_sources out)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${ARGN})
  if(NOT found)
    # A library whose folder has no sources yet still builds.
    set(found ${PROJECT_BINARY_DIR}/empty_source.cpp)
    file(WRITE ${found} "")
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Adds every sub-folder of the current folder that has its own CMakeLists.txt.
function(quellor_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
