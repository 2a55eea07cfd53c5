#include "actions/OpenItems.h"

// PENDING: opening items arrives with its own Part. Until then nothing is
// opened and the caller hears that the operation is not there yet.
OSStatus OpenItem(const FSRef*, bool) { return unimpErr; }
