#!/usr/bin/env python3
"""Exposure sweep: sets each exposure on every spectrometer, takes a reading
made with it, and saves all of them as HDF5 (h5py).

    velarim-cli serve --simulate vis,nir &        # or the window's Tools > Automation API
    python3 examples/exposure_sweep.py sweep.h5 --exposures 1000 5000 20000
"""

import argparse
import os
import sys

import h5py
import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "python"))
import velarim  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="HDF5 file to write")
    parser.add_argument("--exposures", type=int, nargs="+", default=[1000, 5000, 20000, 100000],
                        help="exposures in microseconds")
    parser.add_argument("--url", default=None, help=f"default {velarim.DEFAULT_URL}")
    parser.add_argument("--token", default=None, help="default: the token file")
    args = parser.parse_args()

    with velarim.connect(args.url, args.token) as session, h5py.File(args.output, "w") as out:
        out.attrs["exposures_us"] = np.array(args.exposures)
        for device in session.devices():
            group = out.create_group(f"slot{device.slot}_{device.serial}")
            group.attrs["model"] = device.model
            group["wavelength_nm"] = device.wavelengths()
            counts = group.create_dataset("counts", (len(args.exposures),
                                                     len(device.wavelengths())))
            temperatures = group.create_dataset("temperature_C", (len(args.exposures),))
            for i, exposure in enumerate(args.exposures):
                device.integration_time_micros(exposure)  # back once the device has it
                counts[i] = device.intensities()  # a reading made with it
                temperatures[i] = device.temperature()
                print(f"{device.serial}: {exposure} us, peak {np.nanmax(counts[i]):.0f}")
    print(f"wrote {args.output}")


if __name__ == "__main__":
    main()
