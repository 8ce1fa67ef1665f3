// The Unix-only simulator server may too.
#include <sys/ioctl.h>
