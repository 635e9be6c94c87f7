#pragma once

// Raises the soft limit on open file descriptors to the hard one, so that every client the
// connection limits allow (and the sockets of peers being turned away) can be held. Returns the
// soft limit in force afterwards; -1 when it is unknown or unlimited.
long raiseDescriptorLimit();
