#include "host/host.h"
// The interface is header-only; this unit anchors the library.
