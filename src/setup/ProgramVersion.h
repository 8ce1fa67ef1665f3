#pragma once

// The programs' version comes from the project version in the top CMakeLists.txt
// (compile definitions VL_VERSION "1.9.0" and VL_VERSION_SHORT "1.9"); the About
// box, --version, the HDF5 files' created_by and the package all show it.
#ifndef VL_VERSION
#error "VL_VERSION is set by the build"
#endif
