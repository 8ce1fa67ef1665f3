"""Client of the VL_Tool automation API (docs/api.md).

    import velarim
    with velarim.connect() as session:
        device = session.devices()[0]
        device.integration_time_micros(20000)   # returns once the device took it
        counts = device.intensities()           # a reading made with it
"""

from .errors import ApiError, DeviceNotAnswering, Unauthorized
from .session import DEFAULT_URL, Device, Reading, Session, connect, default_token_path

__all__ = [
    "ApiError",
    "DEFAULT_URL",
    "Device",
    "DeviceNotAnswering",
    "Reading",
    "Session",
    "Unauthorized",
    "connect",
    "default_token_path",
]
