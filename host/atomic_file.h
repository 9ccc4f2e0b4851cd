// The writer of whole files lives with the host interface, where the plug-in can use it too.
#pragma once

#include "shell/host/atomic_file.h"
