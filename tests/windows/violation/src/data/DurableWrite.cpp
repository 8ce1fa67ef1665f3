// A platform file may include it.
#include <unistd.h>
