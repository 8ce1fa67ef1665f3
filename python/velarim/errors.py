"""What a refused request raises."""


class ApiError(Exception):
    """The server refused the request: status is the HTTP status, message its reason."""

    def __init__(self, status, message):
        super().__init__(f"{status}: {message}")
        self.status = status
        self.message = message


class Unauthorized(ApiError):
    """No token, or not the server's (401)."""


class DeviceNotAnswering(ApiError):
    """The device does not answer, or detection is under way (409)."""


def error_for(status, message):
    if status == 401:
        return Unauthorized(status, message)
    if status == 409:
        return DeviceNotAnswering(status, message)
    return ApiError(status, message)
