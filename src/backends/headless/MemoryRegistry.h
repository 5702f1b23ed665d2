#pragma once

#include "ports/RegistryTree.h"

namespace quillan {

// The registry store of tests and the command-line tool: the key tree alone, kept by no file.
class TMemoryRegistry : public TRegistryTree { };

} // namespace quillan
