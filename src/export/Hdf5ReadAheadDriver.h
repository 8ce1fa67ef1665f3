#pragma once

#include "export/Hdf5Handles.h"

// A file access property list for reading an HDF5 file through a read-only
// file driver of ours that reads raw data ahead in large blocks: the chunks of
// /spectra lie one after another in the file, and reading each of ten
// thousand with a system call of its own costs more than unpacking it. Other
// reads go to the file as the library's default driver does them. An empty
// handle when the driver cannot be registered (the caller then opens the file
// with the default driver).
H5Handle ReadAheadAccess();
