// Placeholder.
#include "files/stream.h"
