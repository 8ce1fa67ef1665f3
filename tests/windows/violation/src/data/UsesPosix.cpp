// Planted: a POSIX-only header outside the platform files.
#include <unistd.h>
