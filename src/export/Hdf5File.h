#pragma once

#include <QString>

#include "data/DocumentFile.h"
#include "data/MeasurementDataSet.h"

// The whole data set as one HDF5 file, for h5py, MATLAB and the other tools
// that read HDF5 (layout in docs/hdf5.md): /spectra float32 [devices][records]
// [points], chunked per record, shuffled and deflated (level 1: higher levels
// make the file a few percent smaller and the export slower, see the
// benchmark); /wavelength_nm, /time, /temperature_C, /exposure_us, /reserved,
// /devices/serial and /devices/sensor_model; the counts, the grid and the
// reference as root attributes. Devices of different grids make a file of
// format 2: each device's grid in /devices, /wavelength_nm per device and
// /spectra padded to the largest point count. Results carry the document
// file's messages.

// How /spectra is stored. The defaults are what the program writes; the
// benchmark tries the others.
struct Hdf5Layout {
    int chunkRecords = 1;         // records per chunk
    bool chunkAllDevices = true;  // chunks [devices][records][points], else [1][records][points]
    bool shuffle = true;          // byte shuffle before deflate
    int level = 1;                // deflate level 1..9; 0 stores the chunks uncompressed
    int threads = 0;              // threads packing chunks; 0: the machine's cores, 2 to 4
};

// Writes through a temporary file beside path that replaces path only when
// complete; a failed export leaves neither a temporary file nor a changed path.
// Texts with a NUL byte cannot be held as HDF5 strings and fail the export.
FileResult WriteHdf5File(const QString& path, const MeasurementDataSet& data,
                         const QString& createdBy, const Hdf5Layout& layout = {});

// Reads a file of this layout into data; on failure data is left exactly as it
// was. Missing or differently shaped datasets, other types, counts beyond the
// capacity, device grids outside the root's bounds and a wavelength axis that
// is not first + i are an unexpected format.
FileResult ReadHdf5File(const QString& path, MeasurementDataSet& data);

// True when the file starts with the HDF5 signature \x89HDF\r\n\x1a\n.
bool HasHdf5Signature(const QString& path);
