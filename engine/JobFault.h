// Why a recording job could not start, could not go on in its next file, or ended early: what the
// shell tells the user. No windows.h: the codes are the system's numbers as they came.
#pragma once
#include <stdint.h>

enum EJobFault : int32_t {
    kJobFine = 0,
    kJobNoMemory,      // memory or a thread ran out; code: the system error, 0 when none was given
    kJobDeviceOpen,    // the input device could not be opened; code: the wave-input error
    kJobDeviceStart,   // the input device did not start; code: the wave-input error
    kJobEncoder,       // the encoder refused the settings
    kJobFileCreate,    // the output file could not be made; code: the system error
    kJobDeviceQuiet,   // the input device stopped delivering sound
    kJobDeviceMissing, // the chosen input device is no longer in the system's list
};

struct SJobFault {
    int32_t kind = kJobFine;
    uint32_t code = 0;
};
