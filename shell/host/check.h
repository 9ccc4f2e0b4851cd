// Early return on a failed host call: the statement returns the call's non-zero code.
#pragma once

#include "shell/host/types.h"

#define VX_CHECK(expr)                                          \
  do {                                                          \
    if (const ::vx::host::Err vx_err_ = (expr)) return vx_err_; \
  } while (false)

// The stand-in host's suites spell it this way.
#define VX_TRY(expr) VX_CHECK(expr)
