/* The host interface's C header compiled as C: sizes and offsets of its records as a C compiler
 * lays them out, compared with the C++ side's in c_boundary_test.cpp. */
#include "shell/host/c_suites.h"

#include <stddef.h>

size_t VxCLayout(int which);

size_t VxCLayout(int which) {
  switch (which) {
    case 0: return sizeof(VxRealPoint);
    case 1: return sizeof(VxRealRect);
    case 2: return sizeof(VxRealBezier);
    case 3: return sizeof(VxPathSegment);
    case 4: return offsetof(VxPathSegment, corner);
    case 5: return sizeof(VxPanelSize);
    case 6: return sizeof(VxControlTemplate);
    case 7: return offsetof(VxControlTemplate, text);
    case 8: return offsetof(VxControlTemplate, limit);
    case 9: return sizeof(VxMessageData);
    case 10: return sizeof(VxNotifierMessage);
    case 11: return offsetof(VxNotifierMessage, type);
    case 12: return sizeof(VxMenuMessage);
    case 13: return sizeof(VxEntry);
    case 14: return sizeof(VxPathStyle);
    case 15: return sizeof(VxPlatformSuite);
    case 16: return sizeof(VxOpenFileRequest);
    default: return 0;
  }
}
